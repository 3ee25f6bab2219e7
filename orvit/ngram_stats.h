// Lower-order tag counts derived from trigram counts, and the estimates
// built on them: deleted-interpolation weights and the suffix smoothing
// weight theta. Shared by the trainer and the model loader.
#pragma once

#include <array>
#include <cstdint>
#include <vector>

namespace orvit {

struct NgramStats {
  int states = 0;
  const std::vector<uint64_t>* trigram = nullptr;  // [(t1*S + t2)*S + t3]
  std::vector<uint64_t> pair_context;  // [t1*S + t2]: trigrams with that history
  std::vector<uint64_t> bigram;        // [t2*S + t3]
  std::vector<uint64_t> single_context;  // [t2]: bigrams with that history
  std::vector<uint64_t> unigram;         // [t3]: predicted states (tokens and ends)
  uint64_t total = 0;                    // sum of unigram

  // Maximum-likelihood estimates; 0 when the history was never seen.
  double p1(int t3) const;
  double p2(int t2, int t3) const;
  double p3(int t1, int t2, int t3) const;
};

// Sums the trigram counts down to bigrams and unigrams; keeps a pointer to
// `trigram`, which must outlive the result.
NgramStats make_ngram_stats(const std::vector<uint64_t>& trigram, int states);

// Weights (l1, l2, l3) for unigram, bigram and trigram estimates, by deleted
// interpolation: each trigram's count goes to the order whose estimate,
// with that trigram removed from the counts, is highest (split evenly on ties).
std::array<double, 3> deleted_interpolation(const NgramStats& stats);

// Standard deviation of the unconditioned ML probabilities of the first
// `real_tags` states: the weight theta for successive suffix abstraction.
double suffix_theta(const NgramStats& stats, int real_tags);

}  // namespace orvit
