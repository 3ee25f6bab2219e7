// Training of the POS perceptron model kind: the averaged structured perceptron (Collins
// 2002) over the features of pos_model.h, decoded during training with the same
// candidate Viterbi as at tagging time.
#pragma once

#include "orvit/pos_model.h"
#include "orvit/tagged_corpus.h"

namespace orvit {

struct PosTrainOptions {
  int epochs = 8;           // passes over the corpus
  int dictionary_min = 10;  // words seen at least this often keep to the tags seen with them
  int lexicon_min = 3;      // words seen at least this often have an ambiguity class
  int open_min = 1;         // tags of at least this many words seen once are open
};

// Trains a model on `corpus` (words and their tags) into `model`, which must be empty.
// Labels are sorted by name. Words seen at least options.lexicon_min times enter the
// lexicon with the tags seen with them (their ambiguity class); those seen at least
// options.dictionary_min times are restricted to these tags, and every other word may
// take those tags and the open labels: the tags of at least options.open_min words
// seen once (all labels when there are none). Words seen less often than lexicon_min
// are left out of the lexicon so that the model learns, from them, to tag words
// without an ambiguity class. The sentences are visited in an order shuffled by a fixed generator,
// so the same corpus and options always give the same model. Weights are the averages over all
// steps, rounded to 1/100; features whose weights all round to 0 are left out. Throws Error for an
// empty corpus or more than kMaxLabels labels.
void train_pos_perceptron(const TaggedCorpus &corpus, const PosTrainOptions &options,
                          PosModel &model);

}  // namespace orvit
