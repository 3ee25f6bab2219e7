// Integer-key store: a sorted array of (unsigned key, value) pairs searched by halving.
// Arrays grow by doubling; arrays given up by growth wait on per-capacity free lists.
#pragma once
#include <cstdint>

struct t_bitinfo {
  uint32_t key;
  void *info;
};
using BITINFO = t_bitinfo;

struct t_bitnode {
  uint32_t size;    // capacity of elem: 0 or a power of two
  uint32_t n;       // keys stored
  t_bitinfo *elem;  // elements 0..n-1 in strictly ascending key order
};
using BITNODE = t_bitnode;

constexpr int BIT_FREELISTS = 22;
extern t_bitinfo *bit_freeinfo[BIT_FREELISTS];  // list k: free arrays of capacity 2^k

// Returns a new, empty store (no array until the first key).
t_bitnode *bitinit();
// Stores `info` under `key`; returns the value stored there before, or null.
void *bitstore(t_bitnode *store, uint32_t key, void *info);
// Returns the value stored under `key`, or null (also for a null store).
void *bitrecall(const t_bitnode *store, uint32_t key);
// Doubles the capacity of `store` (first array: 1 entry), keeping its elements; the old
// array goes to the free list of its capacity for reuse.
void bit_resize(t_bitnode *store);
