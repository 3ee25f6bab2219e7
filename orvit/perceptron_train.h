// Training of the perceptron model kind: the averaged structured perceptron (Collins
// 2002) over the feature templates of perceptron_model.h, decoded during training with
// the same first-order Viterbi as at tagging time.
#pragma once

#include "orvit/perceptron_model.h"
#include "orvit/tagged_corpus.h"

namespace orvit {

struct PerceptronOptions {
  int epochs = 10;     // passes over the corpus
  int min_count = 1;   // features seen fewer times in the corpus are left out
  double min_weight = 0;  // features whose weights all stay below this in magnitude too
};

// Trains a model on `corpus` (tokens and their labels) into `model`, which must be
// empty. Labels are sorted by name; a transition (label pair, or sentence start or end
// and label) that the corpus never shows stays forbidden. The sentences are visited in
// an order shuffled by a fixed generator, so the same corpus and options always give
// the same model. Weights are the averages over all steps, rounded to 1/100; features
// whose weights all round to 0, or all stay below min_weight in magnitude, are left out. Throws Error for an empty corpus or more
// than 65000 labels.
void train_perceptron(const TaggedCorpus& corpus, const PerceptronOptions& options,
                      PerceptronModel& model);

}  // namespace orvit
