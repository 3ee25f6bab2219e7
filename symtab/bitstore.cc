// Integer-key store: sorted (key, value) arrays that double when full. Headers come
// from zero-filled blocks of 1024; arrays given up by growth are reused by capacity.
#include "symtab/bitstore.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "driver/error.h"
#include "driver/vornik.h"

t_bitinfo *bit_freeinfo[BIT_FREELISTS];

namespace {
constexpr int kBlockHeaders = 1024;
t_bitnode *header_block = nullptr;
int headers_available = 0;

int significant_bits(uint32_t v) {
  int bits = 0;
  for (; v; v >>= 1) ++bits;
  return bits;
}

// Index of the element holding `key`, or of the element the search ended on.
int search(const t_bitnode *store, uint32_t key) {
  int lo = 0, hi = store->n;
  while (hi - lo > 1) {
    const int mid = lo + (hi - lo) / 2;
    if (key < store->elem[mid].key) {
      hi = mid;
    } else {
      lo = mid;
      if (key == store->elem[mid].key) break;
    }
  }
  return lo;
}
}  // namespace

t_bitnode *bitinit() {
  if (--headers_available < 0) {
    header_block = static_cast<t_bitnode *>(clralloc(kBlockHeaders, sizeof(t_bitnode)));
    headers_available = kBlockHeaders - 1;
  }
  return header_block++;
}

void bit_resize(t_bitnode *store) {
  if (store->size == 0) {
    store->size = 1;
    store->elem = static_cast<t_bitinfo *>(memalloc(sizeof(t_bitinfo)));
    return;
  }
  const int i = significant_bits(store->size);
  const uint32_t capacity = 2u * store->size;
  t_bitinfo *grown = i < BIT_FREELISTS ? bit_freeinfo[i] : nullptr;
  if (grown) {
    bit_freeinfo[i] = static_cast<t_bitinfo *>(grown->info);
  } else {
    grown = static_cast<t_bitinfo *>(memalloc(capacity * sizeof(t_bitinfo)));
  }
  std::memcpy(grown, store->elem, store->size * sizeof(t_bitinfo));
  if (i - 1 < BIT_FREELISTS) {
    store->elem->info = bit_freeinfo[i - 1];
    bit_freeinfo[i - 1] = store->elem;
  } else {
    std::free(store->elem);  // larger than any free list keeps
  }
  store->elem = grown;
  store->size = capacity;
}

void *bitstore(t_bitnode *store, uint32_t key, void *info) {
  if (store->n == 0) {  // empty, or emptied (the tag table's rollback does that)
    if (store->size == 0) bit_resize(store);
    store->elem[0] = t_bitinfo{key, info};
    store->n = 1;
    return nullptr;
  }
  int lo = search(store, key);
  if (store->elem[lo].key == key) {
    void *previous = store->elem[lo].info;
    store->elem[lo].info = info;
    return previous;
  }
  // A store grows without a limit of its own; the counted allocator's memory limit
  // ends a run that would hold too many keys.
  if (store->n == store->size) bit_resize(store);
  if (key > store->elem[lo].key) ++lo;
  std::memmove(&store->elem[lo + 1], &store->elem[lo], (store->n - lo) * sizeof(t_bitinfo));
  store->elem[lo] = t_bitinfo{key, info};
  ++store->n;
  return nullptr;
}

void *bitrecall(const t_bitnode *store, uint32_t key) {
  if (!store || store->n == 0) return nullptr;
  // A store holding the keys 1..n (the tag table's ids) has key k at index k - 1: that
  // element is looked at first, which spares the search for every tag name printed.
  if (key - 1 < store->n && store->elem[key - 1].key == key) return store->elem[key - 1].info;
  const t_bitinfo &found = store->elem[search(store, key)];
  return found.key == key ? found.info : nullptr;
}
