// Classes of word shape that get separate suffix tries in the unknown-word
// model: numbers, capitalised and hyphenated words behave unlike the rest.
#pragma once

#include <string_view>

namespace orvit {

constexpr int kWordClassCount = 4;

// "number" if the word holds a digit, else "upper" if it starts with A-Z,
// else "hyphen" if it holds '-', else "lower". Model files use these names.
int word_class(std::string_view word);
// The name of class `word_class` in model files.
const char* word_class_name(int word_class);
// The class whose name is `name`, or -1.
int word_class_from_name(std::string_view name);

// True for the ASCII capitals A to Z only, whatever the locale.
inline bool is_ascii_upper(char c) { return c >= 'A' && c <= 'Z'; }

}  // namespace orvit
