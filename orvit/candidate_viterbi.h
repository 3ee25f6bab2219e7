// Exact first-order Viterbi decoding where each token may take only some labels (its
// candidates), shared by the POS perceptron tagger and its trainer so that both find the
// same best sequence. A token with one or two candidates costs a few additions.
#pragma once

#include <cstddef>
#include <cstdint>
#include <limits>
#include <vector>

namespace orvit {

// One sentence's candidates: token i may take the labels
// labels[begin[i] .. begin[i+1]), in increasing order, at least one; `emit` holds the
// score of each of these (token, label) slots, in the same order.
template <typename Score>
struct CandidateLattice {
  std::vector<uint16_t> labels;
  std::vector<uint32_t> begin{0};
  std::vector<Score> emit;
  std::vector<uint32_t> back;  // scratch: best predecessor slot of each slot
  std::vector<Score> best;     // scratch: best score ending in each slot

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
  lattice.back.resize(y.size());
  lattice.best.resize(y.size());
  Score *best = lattice.best.data();
  for (uint32_t k = begin[0]; k < begin[1]; ++k) best[k] = trans[L * side + y[k]] + lattice.emit[k];
  for (size_t i = 1; i < n; ++i) {
    for (uint32_t k = begin[i]; k < begin[i + 1]; ++k) {
      Score top = -std::numeric_limits<Score>::infinity();
      uint32_t arg = begin[i - 1];
      for (uint32_t j = begin[i - 1]; j < begin[i]; ++j) {
        const Score s = best[j] + trans[y[j] * side + y[k]];
        if (s > top) {
          top = s;
          arg = j;
        }
      }
      best[k] = top + lattice.emit[k];
      lattice.back[k] = arg;
    }
  }
  Score top = -std::numeric_limits<Score>::infinity();
  uint32_t last = begin[n - 1];
  for (uint32_t k = begin[n - 1]; k < begin[n]; ++k) {
    const Score s = best[k] + trans[y[k] * side + L];
    if (s > top) {
      top = s;
      last = k;
    }
  }
  for (size_t i = n; i-- > 0;) {
    out[i] = y[last];
    if (i > 0) last = lattice.back[last];
  }
}

}  // namespace orvit
