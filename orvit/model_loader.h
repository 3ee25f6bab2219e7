// Parsing of model files into a Model. Any fault gives an Error naming the
// file and, for a bad row, its line number.
#pragma once

#include <string>
#include <string_view>

#include "model.h"

namespace orvit {

// Parses model text; `name` is the file name used in messages.
void parse_model(std::string_view text, const std::string& name, Model& model);

// Reads and parses the model file at `path`.
void load_model(const std::string& path, Model& model);

}  // namespace orvit
