// Perceptron tagging: the codes of each token (cached), the feature rows' sums as
// label scores, and exact first-order Viterbi over them.
#include "orvit/perceptron_tagger.h"

#include "orvit/prefetch.h"

namespace orvit {

namespace {

// Adds to rows[(o+2)*L ..] the one-part feature rows that fire for a token with codes
// `tc` read at offset o.
void add_unigram_rows(const PerceptronView &model, const TokenCodes &tc, float *rows) {
  const size_t L = static_cast<size_t>(model.labels());
  const std::vector<FeatureTemplate> &templates = feature_templates();
  for (size_t t = 0; t < kUnigramTemplates; ++t) {
    const uint32_t code = part_code(templates[t], 0, tc);
    if (code == 0) continue;
    if (const float *w = model.unigram(t, code)) {
      float *r = rows + static_cast<size_t>(templates[t].offset[0] + 2) * L;
      for (size_t y = 0; y < L; ++y) r[y] += w[y];
    }
  }
}

constexpr TokenCodes kPadCodes{0, kPadCode, 0};

}  // namespace

PerceptronTagger::PerceptronTagger(const PerceptronView &model)
    : model_(model),
      predecessors_(prepare_predecessors(model.trans.data(), model.labels())),
      pad_rows_(5 * static_cast<size_t>(model.labels()), 0.0f) {
  add_unigram_rows(model_, kPadCodes, pad_rows_.data());
  // The transitions never change: their predecessor lists are made once.
  flatten_predecessors(model.trans.data(), static_cast<size_t>(model.labels()), predecessors_,
                       work_);
}

uint32_t PerceptronTagger::cached(std::string_view token) {
  const int32_t found = cache_.find(token);
  if (found >= 0) return static_cast<uint32_t>(found);
  const uint32_t id = static_cast<uint32_t>(cache_.intern(token));
  const TokenCodes tc = model_.codes(token);
  cache_codes_.push_back(tc);
  const size_t block = 5 * static_cast<size_t>(model_.labels());
  cache_rows_.resize(cache_rows_.size() + block, 0.0f);
  add_unigram_rows(model_, tc, &cache_rows_[id * block]);
  return id;
}

void PerceptronTagger::find_rows(size_t n) {
  const std::vector<FeatureTemplate> &templates = feature_templates();
  const bool dense = model_.dense();
  // First the keys of the features looked up by hash and the cells of the dense class
  // tables, with the slots and cells fetched ahead; then the rows they hold.
  keys_.clear();
  key_begin_.assign(1, 0);
  cells_.clear();
  for (size_t i = 0; i < n; ++i) {
    if (dense) {
      for (size_t t = kUnigramTemplates; t < kClassTemplatesEnd; ++t) {
        const FeatureTemplate &ft = templates[t];
        uint32_t k[3];
        for (int j = 0; j < ft.arity; ++j) k[j] = class_index_[i + 2 + ft.offset[j]];
        cells_.push_back(model_.class_cell(ft.arity, k));
        __builtin_prefetch(model_.class_row_index(t, cells_.back()));
      }
    }
    for_each_feature(
        codes_.data(), n, i,
        [&](uint64_t key) {
          keys_.push_back(key);
          model_.prefetch_slot(key);
        },
        dense ? kClassTemplatesEnd : kUnigramTemplates);
    key_begin_.push_back(static_cast<uint32_t>(keys_.size()));
  }
  const size_t labels = static_cast<size_t>(model_.labels());
  rows_.clear();
  row_begin_.assign(1, 0);
  const auto take = [&](const float *w) {
    if (!w) return;
    prefetch_row(w, labels);
    rows_.push_back(w);
  };
  for (size_t i = 0, cell = 0; i < n; ++i) {
    if (dense)
      for (size_t t = kUnigramTemplates; t < kClassTemplatesEnd; ++t)
        take(model_.row_at(*model_.class_row_index(t, cells_[cell++])));
    for (uint32_t k = key_begin_[i]; k < key_begin_[i + 1]; ++k) take(model_.find(keys_[k]));
    row_begin_.push_back(static_cast<uint32_t>(rows_.size()));
  }
}

const std::vector<uint16_t> &PerceptronTagger::tag(const std::vector<std::string_view> &tokens) {
  const size_t n = tokens.size();
  const size_t L = static_cast<size_t>(model_.labels());
  if (cache_.size() + n > kCacheLimit || cache_rows_.size() + n * 5 * L > kCacheFloats) {
    cache_ = StringTable();
    cache_codes_.clear();
    cache_rows_.clear();
  }
  ids_.resize(n);
  codes_.resize(n);
  for (size_t i = 0; i < n; ++i) {
    ids_[i] = cached(tokens[i]);
    codes_[i] = cache_codes_[ids_[i]];
  }
  const bool dense = model_.dense();
  if (dense) {
    const uint32_t pad = model_.class_index(kPadCode);
    class_index_.assign(n + 4, pad);
    for (size_t i = 0; i < n; ++i) class_index_[i + 2] = model_.class_index(codes_[i].cls);
  }
  find_rows(n);
  // Each token's scores: the cached one-part sums of the tokens around, then the rows
  // found, in template order, so the sums come out as one lookup at a time gives.
  emit_.assign(n * L, 0.0f);
  for (size_t i = 0; i < n; ++i) {
    float *e = &emit_[i * L];
    for (long o = -2; o <= 2; ++o) {
      const long at = static_cast<long>(i) + o;
      const float *rows =
          at < 0 || at >= static_cast<long>(n) ? pad_rows_.data() : &cache_rows_[ids_[at] * 5 * L];
      rows += static_cast<size_t>(o + 2) * L;
      for (size_t y = 0; y < L; ++y) e[y] += rows[y];
    }
    for (uint32_t r = row_begin_[i]; r < row_begin_[i + 1]; ++r) {
      const float *w = rows_[r];
      for (size_t y = 0; y < L; ++y) e[y] += w[y];
    }
  }
  best_.resize(n);
  viterbi_first_order(emit_.data(), n, model_.labels(), model_.trans.data(), predecessors_, work_,
                      best_.data(), true);
  return best_;
}

}  // namespace orvit
