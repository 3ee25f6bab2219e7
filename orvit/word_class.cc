// Word-shape classification for the unknown-word model. Digits win over
// capitals, capitals over hyphens; only ASCII bytes are inspected.
#include "orvit/word_class.h"

namespace orvit {

namespace {
const char* const kNames[kWordClassCount] = {"lower", "upper", "number", "hyphen"};
}

int word_class(std::string_view word) {
  for (char c : word)
    if (c >= '0' && c <= '9') return 2;
  if (!word.empty() && is_ascii_upper(word[0])) return 1;
  return word.find('-') != std::string_view::npos ? 3 : 0;
}

const char* word_class_name(int word_class) { return kNames[word_class]; }

int word_class_from_name(std::string_view name) {
  for (int i = 0; i < kWordClassCount; ++i)
    if (name == kNames[i]) return i;
  return -1;
}

}  // namespace orvit
