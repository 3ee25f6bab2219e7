// The chunk model's training corpus: for each sentence exactly the rows vornik sends the
// chunk tagger at run time (boundary rows, then each word's tag after the tag-fix rules
// loaded in this process), each with its chunk tag.
#pragma once

#include <string>
#include <vector>

#include "orvit/tagged_corpus.h"
#include "train/conll_corpus.h"
#include "train/lexical_rules.h"

namespace vornik {

// The tokens the chunk tagger reads for `sentence`, boundary rows included, as vornik's
// own tag-fix pass writes them (rules must already be loaded with read_fixes).
std::vector<std::string> chunk_tagger_tokens(const ConllSentence &sentence);

// The whole corpus as orvit training data: tokens as above, tags from encode_chunk_tags,
// kBoundary for the boundary rows. `file` names the corpus in messages.
orvit::TaggedCorpus chunk_training_corpus(const std::vector<ConllSentence> &corpus,
                                          const std::string &file);

// Backoff classes for the chunk model's tags: a tag whose token piece is a word's own
// token ("IN-that/1/B-PP/PP") gets the tag of its POS class ("IN/1/B-PP/PP") when the
// model has that tag; every other tag is its own class. Indexed like `tags`.
std::vector<int> state_classes(const std::vector<std::string> &tags,
                               const std::vector<LexicalPair> &pairs);

}  // namespace vornik
