// Tag table: ids in order of first sight, exact byte-wise lookup, and null for ids
// that were never given out. Each test program starts with an empty table.
#include "symtab/lexicon.h"

#include <gtest/gtest.h>

#include <climits>

namespace {
TEST(Lexicon, TagIdsFollowFirstSightAndTextsComeBack) {
  EXPECT_EQ(inttotag(1), nullptr);  // nothing registered yet
  EXPECT_EQ(tagtoint("NN"), 1);
  EXPECT_EQ(tagtoint("nn"), 2);
  EXPECT_EQ(tagtoint("NN"), 1);
  EXPECT_EQ(tagtoint("N"), 3);  // a prefix of a known tag is a tag of its own
  EXPECT_EQ(tagtoint(""), 4);
  EXPECT_EQ(tag_count, 4);
  EXPECT_STREQ(inttotag(1), "NN");
  EXPECT_STREQ(inttotag(2), "nn");
  EXPECT_STREQ(inttotag(4), "");
  for (int id : {0, -1, 5, INT_MIN}) EXPECT_EQ(inttotag(id), nullptr) << id;
}

TEST(Lexicon, StringPoolIsCreatedOnce) {
  lexicon_init();
  t_node *pool = stringtrie;
  ASSERT_NE(pool, nullptr);
  lexicon_init();
  EXPECT_EQ(stringtrie, pool);
}
}  // namespace
