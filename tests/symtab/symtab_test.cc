// Symbol stores: the tag table (ids in order of first sight), the character trie and the
// integer-key store (no key limit). The program starts with no tags.
#include <gtest/gtest.h>

#include <climits>
#include <string>
#include <vector>

#include "driver/error.h"
#include "symtab/bitstore.h"
#include "symtab/lexicon.h"
#include "symtab/lexstore.h"

namespace {
void *value(uintptr_t n) { return reinterpret_cast<void *>(n + 1); }

TEST(Lexicon, TagIdsFollowFirstSightAndUnknownIdsGiveNull) {
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
  // No key limit of its own: more than 32768 tags (a long tag-fix file, a tags-mode
  // text) are all registered and found again.
  for (int i = 5; i < 40005; ++i) EXPECT_EQ(tagtoint(("many-" + std::to_string(i)).c_str()), i);
  EXPECT_STREQ(inttotag(40004), "many-40004");
}

TEST(Lexstore, StoreReturnsPreviousValueAndPrefixesAndKeysOfEveryByteAreKeysOfTheirOwn) {
  t_node *trie = lexinit();
  EXPECT_EQ(lexstore(trie, "NNS", value(1)), nullptr);
  EXPECT_EQ(lexrecall(trie, "NN"), nullptr);
  EXPECT_EQ(lexrecall(trie, "NNSX"), nullptr);
  EXPECT_EQ(lexrecall(trie, "nns"), nullptr);
  EXPECT_EQ(lexstore(trie, "NN", value(2)), nullptr);
  EXPECT_EQ(lexstore(trie, "NN", value(3)), value(2));
  EXPECT_EQ(lexrecall(trie, "NN"), value(3));
  EXPECT_EQ(lexrecall(trie, "NNS"), value(1));
  EXPECT_EQ(lexstore(trie, "", value(7)), nullptr);  // the empty key lives in the root
  EXPECT_EQ(trie->info, value(7));
  EXPECT_EQ(lexrecall(trie, ""), value(7));
  const std::vector<std::string> keys = {"b", "\xc3\xa9", "a", "\x80", "c", "B"};
  for (std::size_t i = 0; i < keys.size(); ++i) lexstore(trie, keys[i].c_str(), value(i));
  for (std::size_t i = 0; i < keys.size(); ++i)
    EXPECT_EQ(lexrecall(trie, keys[i].c_str()), value(i));
}

// Keys in any order, and more than the 65536 an old 16-bit store held.
TEST(Bitstore, KeysArrivingInAnyOrderAreFound) {
  std::vector<std::vector<uint32_t>> orders = {
      {5, 4, 3, 2, 1, 0}, {0, 1, 2, 3, 4, 5}, {3, 0, 5, 1, 4, 2}, {0xffffffffu, 7, 0x80000000u, 1}};
  orders.emplace_back();
  for (uint32_t key = 0; key < 70000; ++key) orders.back().push_back(key * 7919u);
  for (const auto &order : orders) {
    t_bitnode *store = bitinit();
    EXPECT_EQ(bitrecall(store, 0), nullptr);
    for (uint32_t key : order) EXPECT_EQ(bitstore(store, key, value(key)), nullptr);
    for (uint32_t key : order) EXPECT_EQ(bitrecall(store, key), value(key));
    EXPECT_EQ(bitrecall(store, 6), nullptr);
    // Storing a key again replaces its value and returns the previous one.
    EXPECT_EQ(bitstore(store, order[1], value(9)), value(order[1]));
    EXPECT_EQ(bitrecall(store, order[1]), value(9));
    EXPECT_EQ(store->n, order.size());
  }
}
}  // namespace

// A rollback forgets the tags and pooled texts of its mark (a server connection) and
// keeps the rest; the memory they took serves the next mark, so rounds cost nothing.
TEST(Lexicon, RollbackForgetsWhatTheMarkSawAndReusesItsMemory) {
  const int known = tagtoint("KNOWN");
  char *known_text = pooled_text("known");
  const int count = tag_count;
  std::size_t after_first = 0;
  for (int round = 0; round < 3; ++round) {
    lexicon_mark();
    const std::string r = std::to_string(round);
    for (int i = 0; i < 3000; ++i) {
      const std::string key = "client" + r + "-" + std::to_string(i);
      EXPECT_EQ(tagtoint(key.c_str()), count + 1 + i);
      EXPECT_STREQ(pooled_text(key.c_str()), key.c_str());
    }
    EXPECT_EQ(tagtoint("KNOWN"), known);
    EXPECT_EQ(pooled_text("known"), known_text);
    lexicon_rollback();
    EXPECT_EQ(tag_count, count);
    EXPECT_EQ(inttotag(count + 1), nullptr);
    EXPECT_EQ(lexrecall(stringtrie, ("client" + r + "-7").c_str()), nullptr);
    EXPECT_EQ(pooled_text("known"), known_text);
    EXPECT_STREQ(inttotag(known), "KNOWN");
    if (round == 0) after_first = memory_allocated;
    EXPECT_EQ(memory_allocated, after_first) << round;
  }
  // A forgotten id goes to the next new tag, and new tags are kept again without a mark.
  EXPECT_EQ(tagtoint("client0-7"), count + 1);
  EXPECT_STREQ(inttotag(count + 1), "client0-7");
  EXPECT_EQ(tagtoint("KNOWN"), known);
}
