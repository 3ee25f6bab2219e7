// POS perceptron tagging: cached per-word score rows, candidate lattice, Viterbi.
#include "orvit/pos_tagger.h"

#include <algorithm>

namespace orvit {

PosTagger::PosTagger(const PosView &model)
    : model_(model), zeros_(static_cast<size_t>(model.labels()), 0.0f) {
  add_rows({}, nullptr, pad_rows_);
  pad_rows_[2] = zeros_.data();
}

void PosTagger::add_rows(std::string_view word, float *own, OffsetRows &rows) {
  model_.word_info(word, info_);
  const size_t L = static_cast<size_t>(model_.labels());
  for (int o = -2; o <= 2; ++o) {
    if (o != 0) rows[o + 2] = zeros_.data();
    pos_token_features(word, o, info_, shape_, [&](PosKind kind, std::string_view value) {
      const float *w = model_.find(kind, value, key_);
      if (!w) return;
      if (o != 0) {
        rows[o + 2] = w;  // the one feature that fires there
      } else {
        for (size_t y = 0; y < L; ++y) own[y] += w[y];
      }
    });
  }
}

uint32_t PosTagger::cached(std::string_view word) {
  const int32_t found = cache_.find(word);
  if (found >= 0) return static_cast<uint32_t>(found);
  const uint32_t id = static_cast<uint32_t>(cache_.intern(word));
  model_.candidates(word, labels_);
  cache_labels_.insert(cache_labels_.end(), labels_.begin(), labels_.end());
  cache_begin_.push_back(static_cast<uint32_t>(cache_labels_.size()));
  const size_t L = static_cast<size_t>(model_.labels());
  cache_rows_.resize(cache_rows_.size() + L, 0.0f);
  add_rows(word, &cache_rows_[id * L], cache_offset_rows_.emplace_back());
  return id;
}

const std::vector<uint16_t> &PosTagger::tag(const std::vector<std::string_view> &tokens) {
  const size_t n = tokens.size();
  const size_t L = static_cast<size_t>(model_.labels());
  if (cache_.size() + n > kCacheLimit || cache_rows_.size() + n * L > kCacheFloats) {
    cache_ = StringTable();
    cache_labels_.clear();
    cache_begin_.assign(1, 0);
    cache_rows_.clear();
    cache_offset_rows_.clear();
  }
  ids_.resize(n);
  for (size_t i = 0; i < n; ++i) ids_[i] = cached(tokens[i]);
  // The candidates of every token, then their scores. A token with one candidate
  // adds the same to every sequence: its score is left 0 and its rows are not read.
  lattice_.begin.resize(n + 1);
  lattice_.begin[0] = 0;
  for (size_t i = 0; i < n; ++i)
    lattice_.begin[i + 1] = lattice_.begin[i] + cache_begin_[ids_[i] + 1] - cache_begin_[ids_[i]];
  lattice_.labels.resize(lattice_.begin[n]);
  lattice_.emit.assign(lattice_.begin[n], 0.0f);
  uint16_t *labels = lattice_.labels.data();
  float *emit = lattice_.emit.data();
  for (size_t i = 0; i < n; ++i) {
    const uint32_t first = cache_begin_[ids_[i]], count = lattice_.begin[i + 1] - lattice_.begin[i];
    std::copy_n(&cache_labels_[first], count, labels);
    if (count > 1) {
      // The rows of the words around, each as seen from this position, summed in
      // offset order.
      const float *rows[5];
      for (long o = -2; o <= 2; ++o) {
        const long at = static_cast<long>(i) + o;
        const bool outside = at < 0 || at >= static_cast<long>(n);
        rows[o + 2] = o == 0    ? &cache_rows_[ids_[i] * L]
                      : outside ? pad_rows_[o + 2]
                                : cache_offset_rows_[ids_[at]][o + 2];
      }
      for (uint32_t k = 0; k < count; ++k) {
        const uint16_t y = labels[k];
        emit[k] = rows[0][y] + rows[1][y] + rows[2][y] + rows[3][y] + rows[4][y];
      }
    }
    labels += count;
    emit += count;
  }
  best_.resize(n);
  viterbi_candidates(lattice_, model_.labels(), model_.transitions(), best_.data());
  return best_;
}

}  // namespace orvit
