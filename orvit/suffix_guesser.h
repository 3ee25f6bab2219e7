// Emission scores for words absent from the lexicon, from the suffix tries
// of rare training words, smoothed by successive abstraction.
#pragma once

#include <cstdint>
#include <string_view>
#include <vector>

#include "orvit/model_view.h"

namespace orvit {

class SuffixGuesser {
 public:
  // Guesses from the suffix tries of `model`, whose storage must outlive the guesser.
  explicit SuffixGuesser(const ModelView &model);

  // `size` candidate tags, each with its score.
  struct Guess {
    const uint16_t *tags;
    const float *logp;  // log of P(tag | suffix) / P(tag), i.e. P(word | tag) up to a constant
    uint32_t size;
  };
  // Candidate tags of an unknown word; valid until the next call.
  Guess guess(std::string_view word);

  // P(tag | longest known suffix of word) for every tag, for tests.
  std::vector<double> suffix_distribution(std::string_view word);

 private:
  // Class whose trie serves `word`, falling back to another when empty; -1 if all are.
  int class_for(std::string_view word) const;
  // Longest suffix of `word` in the trie of `cls`: its length and node id.
  int longest_suffix(int cls, std::string_view word, int32_t *nodes) const;
  // Fills dense_ with the smoothed P(tag | suffix) for the chain of nodes.
  void smooth(int cls, const int32_t *nodes, int depth);
  uint32_t compute(int cls, const int32_t *nodes, int depth);

  ModelView model_;
  std::vector<double> dense_;
  static constexpr int kMaxDepth = 64;
  struct Cached {
    int64_t offset = -1;  // into tags_ and logp_; -1 until computed
    uint32_t size = 0;
  };
  // cache_[cls][node + 1], with node -1 standing for the root.
  std::vector<Cached> cache_[kWordClassCount];
  std::vector<uint16_t> tags_;
  std::vector<float> logp_;
  std::vector<uint16_t> all_tags_;
  std::vector<float> all_zero_;
};

}  // namespace orvit
