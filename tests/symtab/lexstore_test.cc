// Character trie: stored values come back, previous values are returned, sibling
// lists stay sorted with bytes >= 128 before the ASCII range.
#include "symtab/lexstore.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {
void *value(int n) { return reinterpret_cast<void *>(static_cast<intptr_t>(n)); }

// The keys of the trie in sibling order, depth first: reveals the sort order.
void collect(const t_node *node, std::string prefix, std::vector<std::string> &keys) {
  for (const t_node *c = node->sohn; c; c = c->bruder) {
    std::string key = prefix + c->zeichen;
    if (c->info) keys.push_back(key);
    collect(c, key, keys);
  }
}

TEST(Lexstore, StoreReturnsPreviousValueAndRecallFindsLatest) {
  t_node *trie = lexinit();
  EXPECT_EQ(lexstore(trie, "NN", value(1)), nullptr);
  EXPECT_EQ(lexstore(trie, "NN", value(2)), value(1));
  EXPECT_EQ(lexrecall(trie, "NN"), value(2));
}

TEST(Lexstore, PrefixesAndExtensionsAreDistinctKeys) {
  t_node *trie = lexinit();
  lexstore(trie, "NNS", value(1));
  EXPECT_EQ(lexrecall(trie, "NN"), nullptr);
  EXPECT_EQ(lexrecall(trie, "NNSX"), nullptr);
  EXPECT_EQ(lexrecall(trie, "nns"), nullptr);
  lexstore(trie, "NN", value(2));
  EXPECT_EQ(lexrecall(trie, "NN"), value(2));
  EXPECT_EQ(lexrecall(trie, "NNS"), value(1));
}

TEST(Lexstore, EmptyKeyLivesInTheRoot) {
  t_node *trie = lexinit();
  EXPECT_EQ(lexstore(trie, "", value(7)), nullptr);
  EXPECT_EQ(trie->info, value(7));
  EXPECT_EQ(lexrecall(trie, ""), value(7));
}

TEST(Lexstore, NullTrieRecallsNothing) { EXPECT_EQ(lexrecall(nullptr, "x"), nullptr); }

TEST(Lexstore, SiblingsSortAsSignedBytes) {
  t_node *trie = lexinit();
  const std::vector<std::string> keys = {"b", "\xc3\xa9", "a", "\x80", "c", "B"};
  for (std::size_t i = 0; i < keys.size(); ++i) lexstore(trie, keys[i].c_str(), value(i + 1));
  for (std::size_t i = 0; i < keys.size(); ++i) EXPECT_EQ(lexrecall(trie, keys[i].c_str()), value(i + 1));
  std::vector<std::string> order;
  collect(trie, "", order);
  EXPECT_EQ(order, (std::vector<std::string>{"\x80", "\xc3\xa9", "B", "a", "b", "c"}));
}

TEST(Lexstore, ManyKeysSurviveBlockBoundaries) {
  t_node *trie = lexinit();
  for (int i = 0; i < 5000; ++i) lexstore(trie, std::to_string(i * 7919).c_str(), value(i + 1));
  for (int i = 0; i < 5000; ++i) ASSERT_EQ(lexrecall(trie, std::to_string(i * 7919).c_str()), value(i + 1));
}
}  // namespace
