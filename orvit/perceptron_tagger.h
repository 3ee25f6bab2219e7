// Tags a sentence with a perceptron model: sums the weight rows of the features that
// fire at each token into label scores, then decodes exactly with first-order Viterbi.
#pragma once

#include <cstdint>
#include <string_view>
#include <vector>

#include "orvit/first_order_viterbi.h"
#include "orvit/perceptron_model.h"
#include "orvit/sentence_tagger.h"

namespace orvit {

class PerceptronTagger : public SentenceTagger {
 public:
  // Tags with the tables of `model` (a copy of the view is kept; the tables must
  // outlive the tagger).
  explicit PerceptronTagger(const PerceptronView &model);

  // Best label ids for `tokens`, one per token; valid until the next call.
  const std::vector<uint16_t> &tag(const std::vector<std::string_view> &tokens) override;
  // The name of label id `tag`, valid while the model's tables live.
  std::string_view tag_name(uint16_t tag) const override { return model_.label_name(tag); }

  // The label scores of the last sentence tagged: labels() per token.
  const std::vector<float> &emissions() const { return emit_; }

 private:
  // Index of `token` in the token cache, adding it when new.
  uint32_t cached(std::string_view token);
  // Fills rows_ and row_begin_ for the n tokens whose codes_ and class_index_ are set.
  void find_rows(size_t n);

  const PerceptronView model_;
  const std::vector<std::vector<uint16_t>> predecessors_;  // of model_.trans
  // Every token seen (up to kCacheLimit tokens or kCacheFloats row entries, about
  // 128 MB; then the cache starts again): its codes and, per offset o of -2..+2, the
  // sum of its one-part feature rows as seen from the token o places before it.
  static constexpr size_t kCacheLimit = 1 << 20;
  static constexpr size_t kCacheFloats = size_t{1} << 25;
  StringTable cache_;
  std::vector<TokenCodes> cache_codes_;
  std::vector<float> cache_rows_;  // 5 * labels() per entry
  std::vector<float> pad_rows_;    // the same for a position outside the sentence
  std::vector<uint32_t> ids_;
  std::vector<TokenCodes> codes_;
  std::vector<uint32_t> class_index_;  // dense class index per position, 2 pads each side
  // The features of the sentence's positions that are not one-part: the keys looked
  // up by hash, position i's at [key_begin_[i], key_begin_[i + 1]); and the rows
  // found, class rows first, position i's at [row_begin_[i], row_begin_[i + 1]).
  std::vector<uint64_t> keys_;
  std::vector<uint32_t> key_begin_;
  std::vector<size_t> cells_;  // per position, the dense class tables' cells
  std::vector<const float *> rows_;
  std::vector<uint32_t> row_begin_;
  std::vector<float> emit_;
  ViterbiWork<float> work_;
  std::vector<uint16_t> best_;
};

}  // namespace orvit
