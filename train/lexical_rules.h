// Word-specific tags for the chunk tagger ("lexicalisation"), given by tag-fix rules:
// states of their own ("IN-that") or a token of their own ("NN@company").
#pragma once

#include <string>
#include <vector>

#include "train/conll_corpus.h"

// Words whose chunk behaviour differs most from that of their POS class get states of
// their own; other frequent words only a token of their own, which the chunk model emits
// from the POS class's states with their own probability.

namespace vornik {

struct LexicalPair {
  std::string word;  // lower case; letters and apostrophes only
  std::string pos;
  long count = 0;
  double score = 0;  // count x divergence of its chunk tags from its POS class's
  bool own_state = false;
};

// The defaults were chosen on a held-out tenth of train.txt.
struct LexicalChoice {
  double min_score = 50;      // least score for states of their own
  long min_count = 10;        // rarer pairs give too thin a distribution to trust
  long min_token_count = 12;  // least count for a token of their own; rarer ones hurt
};

// The (word, POS) pairs worth a tag of their own, ordered by POS tag, then word.
// score = count * KL(P(chunk | word, POS) || P(chunk | POS)), chunk = the IOB2 tag;
// pairs reaching min_score (and min_count) get own_state.
std::vector<LexicalPair> select_lexical_pairs(const std::vector<ConllSentence> &corpus,
                                              const LexicalChoice &choice);

// The piece of a chunk tag that names the state's token: the POS tag alone for a
// "TAG@word" token, the whole token otherwise.
std::string state_token(const std::string &token);

// One tag-fix rule per pair, "fix # =POS=^word$ -> POS-word" for pairs with own
// states, "-> POS@word" for the others (patterns ignore case), one per line.
std::string lexical_rules_text(const std::vector<LexicalPair> &pairs);

}  // namespace vornik
