// Perceptron tagging: the codes of each token (cached), the feature rows' sums as
// label scores, and exact first-order Viterbi over them.
#include "orvit/perceptron_tagger.h"

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

const std::vector<uint16_t> &PerceptronTagger::tag(const std::vector<std::string_view> &tokens) {
  const size_t n = tokens.size();
  const size_t L = static_cast<size_t>(model_.labels());
  if (cache_.size() + n > kCacheLimit) {
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
  const std::vector<FeatureTemplate> &templates = feature_templates();
  emit_.assign(n * L, 0.0f);
  for (size_t i = 0; i < n; ++i) {
    float *e = &emit_[i * L];
    // One-part features from the cached sums of the tokens around, class features
    // from the dense tables, the others through the hash table; always in template
    // order, so that the sums come out the same whichever way a row is found.
    for (long o = -2; o <= 2; ++o) {
      const long at = static_cast<long>(i) + o;
      const float *rows =
          at < 0 || at >= static_cast<long>(n) ? pad_rows_.data() : &cache_rows_[ids_[at] * 5 * L];
      rows += static_cast<size_t>(o + 2) * L;
      for (size_t y = 0; y < L; ++y) e[y] += rows[y];
    }
    const auto add = [&](const float *w) {
      if (w)
        for (size_t y = 0; y < L; ++y) e[y] += w[y];
    };
    if (dense) {
      for (size_t t = kUnigramTemplates; t < kClassTemplatesEnd; ++t) {
        const FeatureTemplate &ft = templates[t];
        uint32_t k[3];
        for (int j = 0; j < ft.arity; ++j) k[j] = class_index_[i + 2 + ft.offset[j]];
        add(model_.class_row(t, ft.arity, k));
      }
    }
    for_each_feature(
        codes_.data(), n, i, [&](uint64_t key) { add(model_.find(key)); },
        dense ? kClassTemplatesEnd : kUnigramTemplates);
  }
  best_.resize(n);
  viterbi_first_order(emit_.data(), n, model_.labels(), model_.trans.data(), predecessors_, work_,
                      best_.data());
  return best_;
}

}  // namespace orvit
