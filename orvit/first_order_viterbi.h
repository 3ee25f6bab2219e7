// Exact first-order Viterbi decoding over dense label scores, shared by the perceptron
// tagger and its trainer so that both find the same best sequence.
#pragma once

#include <cstddef>
#include <cstdint>
#include <limits>
#include <vector>

#include "orvit/largest_sum.h"

namespace orvit {

// A transition with this score is forbidden: no sequence using it is chosen while
// another sequence exists.
inline constexpr float kForbidden = -1e6f;

// Scratch space reused across sentences, and the flattened predecessor lists: labels
// only (no sentence start), each entry with its transition score.
template <typename Score>
struct ViterbiWork {
  std::vector<Score> table;     // [i * L + y]: best score of a sequence ending in y at i
  std::vector<uint32_t> begin;  // predecessors of label y: [begin[y], begin[y + 1])
  std::vector<uint16_t> from;   // a predecessor label
  std::vector<Score> score;     // its transition score
};

// Fills work.begin/from/score from `preds` (see prepare_predecessors) and trans.
template <typename Score>
void flatten_predecessors(const Score *trans, size_t L,
                          const std::vector<std::vector<uint16_t>> &preds,
                          ViterbiWork<Score> &work) {
  const size_t side = L + 1;
  work.begin.assign(1, 0);
  work.from.clear();
  work.score.clear();
  for (size_t y = 0; y < L; ++y) {
    for (const uint16_t x : preds[y]) {
      if (x == L) continue;
      work.from.push_back(x);
      work.score.push_back(trans[x * side + y]);
    }
    work.begin.push_back(static_cast<uint32_t>(work.from.size()));
  }
}

// For each label y < L, the x <= L with trans[x][y] not forbidden, in increasing order.
template <typename Score>
std::vector<std::vector<uint16_t>> prepare_predecessors(const Score *trans, int labels) {
  const size_t L = static_cast<size_t>(labels), side = L + 1;
  std::vector<std::vector<uint16_t>> preds(L);
  for (size_t y = 0; y < L; ++y)
    for (size_t x = 0; x <= L; ++x)
      if (trans[x * side + y] != Score(kForbidden)) preds[y].push_back(static_cast<uint16_t>(x));
  return preds;
}

// One Viterbi pass over the flattened predecessor lists in `work`; with `strict`, a
// start or end transition scoring kForbidden is left out too. Fills work.table (the
// scores only: a token's best predecessors are found again on the way back, which
// costs a few additions per token instead of keeping one per label and token) and
// returns the best last label, or -1 when no sequence is left.
template <typename Score>
long viterbi_pass(const Score *emit, size_t n, size_t L, const Score *trans, bool strict,
                  ViterbiWork<Score> &work) {
  const Score kNone = -std::numeric_limits<Score>::infinity();
  const size_t side = L + 1;
  auto edge = [&](size_t cell) {
    return strict && trans[cell] == Score(kForbidden) ? kNone : trans[cell];
  };
  work.table.resize(n * L);
  for (size_t y = 0; y < L; ++y) work.table[y] = edge(L * side + y) + emit[y];
  const uint32_t *begin = work.begin.data();
  const uint16_t *from = work.from.data();
  const Score *score = work.score.data();
  for (size_t i = 1; i < n; ++i) {
    const Score *e = emit + i * L;
    const Score *prev = &work.table[(i - 1) * L];
    Score *cur = &work.table[i * L];
    for (size_t y = 0; y < L; ++y) {
      cur[y] = largest_sum<Score>(begin[y], begin[y + 1],
                                  [&](size_t k) { return prev[from[k]] + score[k]; }) +
               e[y];
    }
  }
  const size_t last = first_largest<Score>(
      0, L, L, [&](size_t y) { return work.table[(n - 1) * L + y] + edge(y * side + L); });
  return last < L ? static_cast<long>(last) : -1;
}

// Follows the best sequence ending in `last` back from token n - 1 through the scores
// of the pass that filled work.table, into out[0..n): at each token the predecessor is
// the lowest label of the highest sum, the same additions as in the pass.
template <typename Score>
void viterbi_back(size_t n, size_t L, long last, const ViterbiWork<Score> &work, uint16_t *out) {
  for (size_t i = n; i-- > 0;) {
    out[i] = static_cast<uint16_t>(last);
    if (i == 0) break;
    const Score *prev = &work.table[(i - 1) * L];
    const size_t y = static_cast<size_t>(last), end = work.begin[y + 1];
    const size_t k = first_largest<Score>(
        work.begin[y], end, end, [&](size_t k) { return prev[work.from[k]] + work.score[k]; });
    last = k < end ? work.from[k] : 0;
  }
}

// Writes to out[0..n) the label sequence y maximising
//   trans[L][y0] + sum_i emit[i*L + y_i] + sum_{i>0} trans[y_{i-1}][y_i] + trans[y_{n-1}][L]
// among the sequences that use no forbidden transition; when there is none, among all
// sequences (forbidden transitions then score kForbidden). trans is (L+1) x (L+1), row =
// from label (L = sentence start), column = to label (L = sentence end); `preds` is
// prepare_predecessors(trans). Ties go to the lower label, and among equal-scoring
// predecessors to the lower one. n may be 0; L must be at least 1. With `fixed`, work
// holds these transitions' lists already (flatten_predecessors, once for a tagger);
// otherwise they are made for this call.
template <typename Score>
void viterbi_first_order(const Score *emit, size_t n, int labels, const Score *trans,
                         const std::vector<std::vector<uint16_t>> &preds, ViterbiWork<Score> &work,
                         uint16_t *out, bool fixed = false) {
  if (n == 0) return;
  const size_t L = static_cast<size_t>(labels);
  if (!fixed) flatten_predecessors(trans, L, preds, work);
  const long last = viterbi_pass(emit, n, L, trans, true, work);
  if (last >= 0) {
    viterbi_back(n, L, last, work, out);
    return;
  }
  // No sequence avoids the forbidden transitions: decode over all of them.
  std::vector<std::vector<uint16_t>> all(L);
  for (auto &list : all)
    for (size_t x = 0; x < L; ++x) list.push_back(static_cast<uint16_t>(x));
  ViterbiWork<Score> every;
  flatten_predecessors(trans, L, all, every);
  viterbi_back(n, L, viterbi_pass(emit, n, L, trans, false, every), every, out);
}

}  // namespace orvit
