// POS perceptron tagging: cached per-word score rows, candidate lattice, Viterbi.
#include "orvit/pos_tagger.h"

#include <algorithm>

#include "orvit/prefetch.h"

namespace orvit {

PosTagger::PosTagger(const PosView &model)
    : model_(model), zeros_(static_cast<size_t>(model.labels()), 0.0f) {
  cache_.reserve(kCacheReserve, kCacheReserve * 8);
  cache_begin_.reserve(kCacheReserve + 1);
  cache_labels_.reserve(kCacheReserve * 4);
  cache_rows_.reserve(kCacheReserve * zeros_.size());
  cache_offset_rows_.reserve(kCacheReserve);
  const WordInfo outside;
  for (int o = -2; o <= 2; ++o) {
    pad_rows_[o + 2] = zeros_.data();
    pos_token_features({}, o, outside, shape_, [&](PosKind kind, std::string_view value) {
      if (const float *w = model_.find(kind, value, keys_)) pad_rows_[o + 2] = w;
    });
  }
}

void PosTagger::add_entries() {
  // The new words' lexicon entries in one batch, then every feature they fire at every
  // offset in another, so that the lookups' cache misses overlap.
  const size_t n = new_.size();
  words_.clear();
  for (const uint32_t id : new_) words_.push_back(cache_.key(static_cast<int32_t>(id)));
  lexicon_ids_.resize(n);
  model_.lexicon.find_all(words_.data(), n, lexicon_ids_.data());
  keys_.clear();
  key_end_.clear();
  fired_.clear();
  for (size_t j = 0; j < n; ++j) {
    model_.candidates(lexicon_ids_[j], labels_);
    cache_labels_.insert(cache_labels_.end(), labels_.begin(), labels_.end());
    cache_begin_.push_back(static_cast<uint32_t>(cache_labels_.size()));
    cache_rows_.resize(cache_rows_.size() + static_cast<size_t>(model_.labels()), 0.0f);
    OffsetRows &rows = cache_offset_rows_.emplace_back();
    rows.fill(zeros_.data());
    model_.word_info(words_[j], lexicon_ids_[j], info_);
    for (int o = -2; o <= 2; ++o) {
      pos_token_features(words_[j], o, info_, shape_, [&](PosKind kind, std::string_view value) {
        append_feature_key(kind, value, keys_);
        key_end_.push_back(keys_.size());
        fired_.push_back({new_[j], o});
      });
    }
  }
  key_views_.clear();
  for (size_t k = 0, begin = 0; k < key_end_.size(); begin = key_end_[k++])
    key_views_.emplace_back(keys_.data() + begin, key_end_[k] - begin);
  feature_ids_.resize(key_views_.size());
  model_.features.find_all(key_views_.data(), key_views_.size(), feature_ids_.data());
  const size_t L = static_cast<size_t>(model_.labels());
  for (const int32_t f : feature_ids_)
    if (f >= 0) prefetch_row(model_.feature_weights(static_cast<size_t>(f)), L);
  // Applied in the order fired, so the sums come out as one lookup at a time gives.
  for (size_t k = 0; k < fired_.size(); ++k) {
    if (feature_ids_[k] < 0) continue;
    const float *w = model_.feature_weights(static_cast<size_t>(feature_ids_[k]));
    const auto [id, o] = fired_[k];
    if (o != 0) {
      cache_offset_rows_[id][o + 2] = w;  // the one feature that fires there
    } else {
      float *own = &cache_rows_[id * L];
      for (size_t y = 0; y < L; ++y) own[y] += w[y];
    }
  }
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
  // The words not seen before get cache entries, filled all at once.
  ids_.resize(n);
  new_.clear();
  for (size_t i = 0; i < n; ++i) {
    const size_t known = cache_.size();
    ids_[i] = static_cast<uint32_t>(cache_.intern(tokens[i]));
    if (cache_.size() > known) new_.push_back(ids_[i]);
  }
  if (!new_.empty()) add_entries();
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
