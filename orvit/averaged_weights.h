// The averaged perceptron's bookkeeping, shared by the chunk and POS trainers: integer
// weights with the sums their averages come from, and each pass's sentence order.
#pragma once

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <utility>
#include <vector>

namespace orvit {

// Integer weights and, for each, the sum of step * update: after `steps` steps the
// average of weight i is w[i] - u[i] / steps.
struct AveragedWeights {
  std::vector<int32_t> w;
  std::vector<int64_t> u;

  explicit AveragedWeights(size_t count) : w(count, 0), u(count, 0) {}

  // Adds `delta` to weight i at step `step`.
  void add(size_t i, int32_t delta, int64_t step) {
    w[i] += delta;
    u[i] += delta * step;
  }
  // Weight i averaged over `steps` steps, rounded to 1/100 (models store two decimals).
  float average(size_t i, int64_t steps) const {
    const double a = w[i] - static_cast<double>(u[i]) / static_cast<double>(steps);
    return static_cast<float>(std::round(a * 100) / 100);
  }
  // The averages of weights [first, first + row.size()) into `row`: their largest
  // magnitude.
  float average_row(size_t first, int64_t steps, std::vector<float> &row) const {
    float largest = 0;
    for (size_t k = 0; k < row.size(); ++k) {
      row[k] = average(first + k, steps);
      largest = std::max(largest, std::fabs(row[k]));
    }
    return largest;
  }
};

// Shuffles `order` for the next pass: Fisher-Yates driven by a 64-bit LCG with state
// `rng`, so that training gives the same model on every machine.
inline void shuffle_for_pass(std::vector<size_t> &order, uint64_t &rng) {
  for (size_t k = order.size(); k > 1; --k) {
    rng = rng * 6364136223846793005ULL + 1442695040888963407ULL;
    std::swap(order[k - 1], order[(rng >> 33) % k]);
  }
}

// The first state of the shuffle's LCG.
inline constexpr uint64_t kShuffleSeed = 0x853c49e6748fea9bULL;

}  // namespace orvit
