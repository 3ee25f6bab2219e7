// Word-shape classes that pick the suffix trie for an unknown word.
#include <gtest/gtest.h>

#include "word_class.h"

namespace {

TEST(WordClass, Table) {
  struct Case {
    const char* word;
    const char* cls;
  } cases[] = {
      {"walked", "lower"}, {"", "lower"},          {"\xc3\xa9t\xc3\xa9", "lower"},
      {"Walked", "upper"}, {"IBM", "upper"},       {"Jean-Pierre", "upper"},
      {"1990s", "number"}, {"Boeing-747", "number"}, {"3,250", "number"},
      {"well-known", "hyphen"}, {"-", "hyphen"},
  };
  for (const auto& c : cases) {
    EXPECT_STREQ(orvit::word_class_name(orvit::word_class(c.word)), c.cls) << c.word;
    EXPECT_EQ(orvit::word_class_from_name(c.cls), orvit::word_class(c.word));
  }
  EXPECT_EQ(orvit::word_class_from_name("middle"), -1);
}

}  // namespace
