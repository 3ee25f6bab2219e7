// The two steps both Viterbi decoders take at a label: the largest sum over its
// predecessors on the way forward, and on the way back the first predecessor whose sum
// reaches it (the same additions, so the same sums).
#pragma once

#include <cstddef>
#include <limits>

namespace orvit {

// The largest of sum(k) for k in [begin, end); -infinity for an empty range. Two running
// maxima, over every other k, so that each waits on half the additions; the larger of
// them is the maximum however the values were split. Always inlined: it runs once per
// label and token, and a call would cost as much as the few additions it makes.
template <typename Score, typename Sum>
[[gnu::always_inline]] inline Score largest_sum(size_t begin, size_t end, Sum &&sum) {
  constexpr Score kNone = -std::numeric_limits<Score>::infinity();
  Score top[2] = {kNone, kNone};
  size_t k = begin;
  for (; k + 1 < end; k += 2) {
    const Score s0 = sum(k), s1 = sum(k + 1);
    top[0] = s0 > top[0] ? s0 : top[0];
    top[1] = s1 > top[1] ? s1 : top[1];
  }
  if (k < end) {
    const Score s = sum(k);
    top[0] = s > top[0] ? s : top[0];
  }
  return top[1] > top[0] ? top[1] : top[0];
}

// The first k of [begin, end) with the largest sum(k), or `none` when no sum is above
// -infinity.
template <typename Score, typename Sum>
[[gnu::always_inline]] inline size_t first_largest(size_t begin, size_t end, size_t none,
                                                   Sum &&sum) {
  Score top = -std::numeric_limits<Score>::infinity();
  size_t arg = none;
  for (size_t k = begin; k < end; ++k) {
    const Score s = sum(k);
    if (s > top) {
      top = s;
      arg = k;
    }
  }
  return arg;
}

}  // namespace orvit
