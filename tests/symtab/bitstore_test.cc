// Integer-key store: sorted arrays whatever the arrival order, doubling capacity,
// and reuse of the arrays that growth gives up.
#include "symtab/bitstore.h"

#include <gtest/gtest.h>

#include <vector>

namespace {
void *value(uint32_t n) { return reinterpret_cast<void *>(static_cast<uintptr_t>(n + 1)); }

std::vector<uint32_t> keys_of(const t_bitnode *store) {
  std::vector<uint32_t> keys;
  for (int i = 0; i < store->n; ++i) keys.push_back(store->elem[i].key);
  return keys;
}

TEST(Bitstore, KeysArrivingInAnyOrderEndUpSortedAndFound) {
  const std::vector<std::vector<uint32_t>> orders = {
      {5, 4, 3, 2, 1, 0}, {0, 1, 2, 3, 4, 5}, {3, 0, 5, 1, 4, 2}, {0xffffffffu, 7, 0x80000000u, 1}};
  for (const auto &order : orders) {
    t_bitnode *store = bitinit();
    for (uint32_t key : order) EXPECT_EQ(bitstore(store, key, value(key)), nullptr);
    std::vector<uint32_t> sorted = order;
    std::sort(sorted.begin(), sorted.end());
    EXPECT_EQ(keys_of(store), sorted);
    for (uint32_t key : order) EXPECT_EQ(bitrecall(store, key), value(key));
    EXPECT_EQ(bitrecall(store, 6), nullptr);
  }
}

TEST(Bitstore, StoringAnExistingKeyReplacesAndReturnsThePreviousValue) {
  t_bitnode *store = bitinit();
  bitstore(store, 9, value(1));
  bitstore(store, 3, value(2));
  EXPECT_EQ(bitstore(store, 9, value(3)), value(1));
  EXPECT_EQ(store->n, 2);
  EXPECT_EQ(bitrecall(store, 9), value(3));
}

TEST(Bitstore, EmptyOrNullStoresRecallNothing) {
  EXPECT_EQ(bitrecall(nullptr, 1), nullptr);
  t_bitnode *store = bitinit();
  EXPECT_EQ(store->size, 0);
  EXPECT_EQ(store->elem, nullptr);
  EXPECT_EQ(bitrecall(store, 0), nullptr);
  bitstore(store, 4, value(4));
  EXPECT_EQ(bitrecall(store, 5), nullptr);
}

TEST(Bitstore, CapacityDoublesAndGivenUpArraysAreReused) {
  t_bitnode *first = bitinit();
  std::vector<int> sizes;
  std::vector<t_bitinfo *> given_up;
  for (uint32_t key = 0; key < 5; ++key) {
    t_bitinfo *before = first->elem;
    bitstore(first, key, value(key));
    if (before && before != first->elem) given_up.push_back(before);
    sizes.push_back(first->size);
  }
  EXPECT_EQ(sizes, (std::vector<int>{1, 2, 4, 4, 8}));
  ASSERT_EQ(given_up.size(), 3u);  // arrays of capacity 1, 2 and 4

  // A second store growing to capacities 2 and 4 takes the arrays given up above.
  t_bitnode *second = bitinit();
  bitstore(second, 0, value(0));
  bitstore(second, 1, value(1));
  EXPECT_EQ(second->elem, given_up[1]);
  bitstore(second, 2, value(2));
  EXPECT_EQ(second->elem, given_up[2]);
}
}  // namespace
