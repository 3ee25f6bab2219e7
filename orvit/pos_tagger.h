// Tags a sentence with a POS perceptron model: each distinct word's own feature rows
// are summed once into a cache, beside the model rows it gives its neighbours; a token's
// label scores are then five row entries per candidate label, decoded exactly by
// first-order Viterbi over candidates.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
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
  // The rows a word gives the positions around it: at offset o (-2..+2), the labels'
  // scores from the features it fires there. At offset 0 that is the cached sum of
  // several rows; elsewhere one feature fires, so the row is the model's own (or zeros).
  using OffsetRows = std::array<const float *, 5>;

  // Fills the cache entries of the words new_ lists, just interned in increasing id
  // order.
  void add_entries();

  const PosView model_;
  // Every word seen (up to kCacheLimit words or kCacheFloats row entries, about 128 MB;
  // then the cache starts again): its candidates, the sum of the rows of the features
  // it fires at offset 0, and the rows it gives the positions around it.
  static constexpr size_t kCacheLimit = 1 << 20;
  static constexpr size_t kCacheFloats = size_t{1} << 25;
  // Room reserved at the start, in words: a text's first thousands of words then fill
  // the cache without copying it as it grows. Pages are touched only as it fills.
  static constexpr size_t kCacheReserve = 1 << 15;
  StringTable cache_;
  std::vector<uint16_t> cache_labels_;         // candidates of all entries back to back
  std::vector<uint32_t> cache_begin_{0};       // entry e: [cache_begin_[e], cache_begin_[e+1])
  std::vector<float> cache_rows_;              // labels() per entry: its offset-0 sum
  std::vector<OffsetRows> cache_offset_rows_;  // per entry; [2] unused: see cache_rows_
  std::vector<float> zeros_;                   // labels() zeros: no feature fires
  OffsetRows pad_rows_;                        // a position outside the sentence
  std::vector<uint32_t> ids_;                  // cache entry of each token
  std::vector<uint32_t> new_;                  // the entries the sentence added
  // add_entries()' scratch: the new words and their lexicon entries; the keys of the
  // features they fire, key k ending at key_end_[k], fired by entry fired_[k].first
  // at offset fired_[k].second; and the features' ids.
  std::vector<std::string_view> words_, key_views_;
  std::vector<int32_t> lexicon_ids_, feature_ids_;
  std::string keys_, shape_;
  std::vector<size_t> key_end_;
  std::vector<std::pair<uint32_t, int>> fired_;
  std::vector<uint16_t> labels_;
  WordInfo info_;
  CandidateLattice<float> lattice_;
  std::vector<uint16_t> best_;
};

}  // namespace orvit
