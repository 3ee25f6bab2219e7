// StringTable: ids are dense and stable, lookups find exactly the stored
// bytes (including NUL and high bytes), growth keeps every key.
#include <gtest/gtest.h>

#include <string>

#include "string_table.h"

namespace {

TEST(StringTable, InternAndFind) {
  orvit::StringTable t;
  const std::string keys[] = {"a", "ab", "", std::string("x\0y", 3), "\xff\x80", "abcdefghijklmnopq"};
  for (size_t i = 0; i < std::size(keys); ++i) EXPECT_EQ(t.intern(keys[i]), static_cast<int>(i));
  for (size_t i = 0; i < std::size(keys); ++i) {
    EXPECT_EQ(t.intern(keys[i]), static_cast<int>(i));
    EXPECT_EQ(t.find(keys[i]), static_cast<int>(i));
    EXPECT_EQ(t.key(static_cast<int>(i)), keys[i]);
  }
  EXPECT_EQ(t.find("x"), -1);
  EXPECT_EQ(t.find(std::string("x\0z", 3)), -1);
  EXPECT_EQ(t.size(), std::size(keys));
}

TEST(StringTable, GrowthKeepsKeys) {
  orvit::StringTable t;
  for (int i = 0; i < 10000; ++i) ASSERT_EQ(t.intern(std::to_string(i) + "w"), i);
  for (int i = 0; i < 10000; ++i) ASSERT_EQ(t.find(std::to_string(i) + "w"), i);
  EXPECT_EQ(t.find("10000w"), -1);
}

}  // namespace
