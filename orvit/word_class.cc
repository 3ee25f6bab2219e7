// Word-shape classification for the unknown-word model.
// A word is "upper" when its first byte is an ASCII capital letter.
#include "word_class.h"

namespace orvit {

namespace {
const char* const kNames[kWordClassCount] = {"lower", "upper"};
}

int word_class(std::string_view word) {
  return !word.empty() && is_ascii_upper(word[0]) ? 1 : 0;
}

const char* word_class_name(int word_class) { return kNames[word_class]; }

int word_class_from_name(std::string_view name) {
  for (int i = 0; i < kWordClassCount; ++i)
    if (name == kNames[i]) return i;
  return -1;
}

}  // namespace orvit
