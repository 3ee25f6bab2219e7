// Builds the dense table (every cell filled from the unseen-trigram row,
// then the seen trigrams written over it) or the sparse lists of seen
// trigrams grouped by their last two tags (a counting sort by pair).
#include "orvit/transition_table.h"

#include <algorithm>

namespace orvit {

void TransitionTable::build(int states, std::vector<float> unseen_logp,
                            std::vector<std::pair<uint64_t, float>> seen, size_t dense_limit) {
  states_ = states;
  unseen_ = std::move(unseen_logp);
  const size_t s = static_cast<size_t>(states);
  dense_.clear();
  seen_begin_.clear();
  seen_t1_.clear();
  seen_logp_.clear();
  if (s * s * s <= dense_limit) {
    dense_.resize(s * s * s);
    for (size_t t1 = 0; t1 < s; ++t1)
      for (size_t t2 = 0; t2 < s; ++t2)
        std::copy_n(unseen_.data() + t2 * s, s, dense_.data() + (t1 * s + t2) * s);
    for (const auto& [key, logp] : seen) dense_[key] = logp;
    return;
  }
  // Sorted by key, i.e. by t1 first, so each pair's list comes out sorted by t1.
  // A model's rows come sorted already.
  if (!std::is_sorted(seen.begin(), seen.end())) std::sort(seen.begin(), seen.end());
  seen_begin_.assign(s * s + 1, 0);
  for (const auto& entry : seen) ++seen_begin_[entry.first % (s * s) + 1];
  for (size_t p = 0; p < s * s; ++p) seen_begin_[p + 1] += seen_begin_[p];
  std::vector<uint32_t> next(seen_begin_.begin(), seen_begin_.end() - 1);
  seen_t1_.resize(seen.size());
  seen_logp_.resize(seen.size());
  for (const auto& [key, logp] : seen) {
    uint32_t k = next[key % (s * s)]++;
    seen_t1_[k] = static_cast<uint16_t>(key / (s * s));
    seen_logp_[k] = logp;
  }
}

float TransitionView::logp(size_t t1, size_t t2, size_t t3) const {
  const size_t s = static_cast<size_t>(states);
  if (is_dense()) return dense[(t1 * s + t2) * s + t3];
  size_t pair = t2 * s + t3;
  const uint16_t* first = seen_t1.data() + seen_begin[pair];
  const uint16_t* last = seen_t1.data() + seen_begin[pair + 1];
  const uint16_t* it = std::lower_bound(first, last, static_cast<uint16_t>(t1));
  if (it != last && *it == t1) return seen_logp[it - seen_t1.data()];
  return unseen[pair];
}

}  // namespace orvit
