// Writes a trained model as the text model file read by ModelLoader.
// Output depends only on the counts, so a corpus always gives the same bytes.
#pragma once

#include <string>

#include "orvit/training_counts.h"

namespace orvit {

inline constexpr const char* kModelMagic = "orvit-model 1";

// The text of the model file for `counts` (header, tags, weights, n-grams, lexicon,
// suffix tries), the same bytes for the same counts.
std::string write_model_text(const TrainingCounts& counts);

}  // namespace orvit
