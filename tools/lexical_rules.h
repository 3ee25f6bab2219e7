// Word-specific tags for the chunk tagger ("lexicalisation"): frequent words whose chunk
// behaviour differs from that of their POS class get a tag of their own, "POS-word",
// through tag-fix rules, so the chunk model can learn them apart.
#pragma once

#include <string>
#include <vector>

#include "tools/conll_corpus.h"

struct LexicalPair {
  std::string word;  // lower case; letters and apostrophes only
  std::string pos;
  long count = 0;
  double score = 0;  // count x divergence of its chunk tags from its POS class's
};

struct LexicalChoice {
  double min_score = 30;  // chosen on a held-out tenth of train.txt
  long min_count = 10;    // rarer pairs give too thin a distribution to trust
};

// The (word, POS) pairs worth a tag of their own, ordered by POS tag, then word.
// score = count * KL(P(chunk | word, POS) || P(chunk | POS)), chunk = the IOB2 tag.
std::vector<LexicalPair> select_lexical_pairs(const std::vector<ConllSentence> &corpus,
                                              const LexicalChoice &choice);

// One tag-fix rule per pair, "fix # =POS=^word$ -> POS-word" (patterns ignore case).
std::string lexical_rules_text(const std::vector<LexicalPair> &pairs);
