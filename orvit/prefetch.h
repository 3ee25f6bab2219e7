// Prefetching a weight row: the taggers look up many rows at once and ask for all of
// them before they read any, so that the cache misses overlap.
#pragma once

#include <cstddef>
#include <cstdint>

namespace orvit {

// Asks the CPU to load every cache line of the `count` floats at `row`.
inline void prefetch_row(const float *row, size_t count) {
  const uintptr_t first = reinterpret_cast<uintptr_t>(row) & ~uintptr_t{63};
  const uintptr_t end = reinterpret_cast<uintptr_t>(row + count);
  for (uintptr_t line = first; line < end; line += 64)
    __builtin_prefetch(reinterpret_cast<const void *>(line));
}

}  // namespace orvit
