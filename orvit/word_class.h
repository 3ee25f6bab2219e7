// Classes of word shape that get separate suffix tries in the unknown-word
// model: capitalised words behave very differently from the others.
#pragma once

#include <string_view>

namespace orvit {

constexpr int kWordClassCount = 2;

// "lower" (0) or "upper" (1); the names are what model files use.
int word_class(std::string_view word);
const char* word_class_name(int word_class);
// The class whose name is `name`, or -1.
int word_class_from_name(std::string_view name);

inline bool is_ascii_upper(char c) { return c >= 'A' && c <= 'Z'; }

}  // namespace orvit
