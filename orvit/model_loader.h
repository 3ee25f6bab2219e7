// Parsing of model files into a Model. Any fault gives an Error naming the
// file and, for a bad row, its line number.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

#include "orvit/model.h"

namespace orvit {

// Parses model text; `name` is the file name used in messages. The
// transition table is dense when states^3 <= dense_limit (see Model::finish).
void parse_model(std::string_view text, const std::string& name, Model& model,
                 size_t dense_limit = kDenseTransitionLimit);

// Reads and parses the model file at `path`.
void load_model(const std::string& path, Model& model);

}  // namespace orvit
