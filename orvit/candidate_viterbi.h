// Exact first-order Viterbi decoding where each token may take only some labels (its
// candidates), shared by the POS perceptron tagger and its trainer so that both find the
// same best sequence. A token with one or two candidates costs a few additions.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "orvit/largest_sum.h"

namespace orvit {

// One sentence's candidates: token i may take the labels
// labels[begin[i] .. begin[i+1]), in increasing order, at least one; `emit` holds the
// score of each of these (token, label) slots, in the same order.
template <typename Score>
struct CandidateLattice {
  std::vector<uint16_t> labels;
  std::vector<uint32_t> begin{0};
  std::vector<Score> emit;
  std::vector<uint32_t> row;  // scratch: where each slot's label starts a row of trans
  std::vector<Score> best;    // scratch: best score ending in each slot

  size_t size() const { return begin.size() - 1; }
  void clear() {
    labels.clear();
    begin.assign(1, 0);
    emit.clear();
  }
};

// Writes to out[0..n) (n = lattice.size()) the candidate labels y maximising
//   trans[L][y0] + sum_i emit(i, y_i) + sum_{i>0} trans[y_{i-1}][y_i] + trans[y_{n-1}][L]
// where trans is (L+1) x (L+1), row = from label (L = sentence start), column = to label
// (L = sentence end). Ties go to the lower label, and among equal-scoring predecessors
// to the lower one. n may be 0.
template <typename Score>
void viterbi_candidates(CandidateLattice<Score> &lattice, int labels, const Score *trans,
                        uint16_t *out) {
  const size_t n = lattice.size();
  if (n == 0) return;
  const size_t L = static_cast<size_t>(labels), side = L + 1;
  const std::vector<uint16_t> &y = lattice.labels;
  const std::vector<uint32_t> &begin = lattice.begin;
  lattice.row.resize(y.size());
  lattice.best.resize(y.size());
  Score *best = lattice.best.data();
  const uint32_t *row = lattice.row.data();
  for (size_t k = 0; k < y.size(); ++k) lattice.row[k] = static_cast<uint32_t>(y[k] * side);
  // Scores only: the best predecessor of a slot on the best sequence is found again on
  // the way back.
  for (uint32_t k = begin[0]; k < begin[1]; ++k) best[k] = trans[L * side + y[k]] + lattice.emit[k];
  for (size_t i = 1; i < n; ++i) {
    const uint32_t first = begin[i - 1], end = begin[i];
    for (uint32_t k = begin[i]; k < begin[i + 1]; ++k) {
      const Score *column = trans + y[k];
      best[k] = largest_sum<Score>(first, end, [&](size_t j) { return best[j] + column[row[j]]; }) +
                lattice.emit[k];
    }
  }
  uint32_t last = static_cast<uint32_t>(
      first_largest<Score>(begin[n - 1], begin[n], begin[n - 1],
                           [&](size_t k) { return best[k] + trans[y[k] * side + L]; }));
  for (size_t i = n; i-- > 0;) {
    out[i] = y[last];
    if (i == 0) break;
    const Score *column = trans + y[last];
    last = static_cast<uint32_t>(first_largest<Score>(
        begin[i - 1], begin[i], begin[i - 1], [&](size_t j) { return best[j] + column[row[j]]; }));
  }
}

}  // namespace orvit
