// Tags a sentence with a POS perceptron model: each distinct word's feature rows are
// summed once, per offset -2..+2, into a cache; a token's label scores are then five row
// entries per candidate label, decoded exactly by first-order Viterbi over candidates.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "orvit/candidate_viterbi.h"
#include "orvit/pos_model.h"
#include "orvit/sentence_tagger.h"

namespace orvit {

class PosTagger : public SentenceTagger {
 public:
  explicit PosTagger(const PosView &model);

  const std::vector<uint16_t> &tag(const std::vector<std::string_view> &tokens) override;
  std::string_view tag_name(uint16_t tag) const override { return model_.label_name(tag); }

  // The candidates of the last sentence tagged and their scores (0 for a token with
  // one candidate).
  const CandidateLattice<float> &lattice() const { return lattice_; }

 private:
  // Index of `word` in the cache, adding it when new.
  uint32_t cached(std::string_view word);
  // Adds to rows[(o+2)*L ..] the feature rows `word` gives at each offset o (an empty
  // word: a position outside the sentence).
  void add_rows(std::string_view word, float *rows);

  const PosView model_;
  // Every word seen (up to kCacheLimit words or kCacheFloats row entries, about 128 MB;
  // then the cache starts again): its candidates and, per offset -2..+2, the sum of
  // the rows of the features it gives there.
  static constexpr size_t kCacheLimit = 1 << 20;
  static constexpr size_t kCacheFloats = size_t{1} << 25;
  StringTable cache_;
  std::vector<uint16_t> cache_labels_;    // candidates of all entries back to back
  std::vector<uint32_t> cache_begin_{0};  // entry e: [cache_begin_[e], cache_begin_[e+1])
  std::vector<float> cache_rows_;         // 5 * labels() per entry
  std::vector<float> pad_rows_;           // the same for a position outside the sentence
  std::vector<uint32_t> ids_;
  std::string key_, shape_;
  std::vector<uint16_t> labels_;
  WordInfo info_;
  CandidateLattice<float> lattice_;
  std::vector<uint16_t> best_;
};

}  // namespace orvit
