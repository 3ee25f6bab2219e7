// POS tags as orvit gives them on text it has not seen, for a whole training corpus:
// the chunk model learns from them what the POS tagger's mistakes look like.
#pragma once

#include <string>
#include <vector>

#include "orvit/tagged_corpus.h"
#include "train/conll_corpus.h"

namespace vornik {

// The word and POS columns of `corpus` as orvit training data.
orvit::TaggedCorpus pos_training_corpus(const std::vector<ConllSentence> &corpus,
                                        const std::vector<size_t> &sentences);

// A copy of `corpus` whose POS tags come from orvit: sentence i is tagged by a model
// trained on all sentences but those of fold i % folds.
std::vector<ConllSentence> jackknife_pos_tags(const std::vector<ConllSentence> &corpus, int folds);

}  // namespace vornik
