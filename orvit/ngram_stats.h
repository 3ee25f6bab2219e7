// Lower-order tag counts derived from the seen trigrams, and the estimates
// built on them: deleted-interpolation weights and the suffix smoothing
// weight theta. Shared by the trainer and the model loader.
#pragma once

#include <array>
#include <cstdint>
#include <unordered_map>
#include <vector>

namespace orvit {

// A tag trigram seen in training and how often. Lists of them are kept
// sparse (only non-zero counts) so that large tag sets never need S^3 cells.
struct TrigramCount {
  int t1 = 0, t2 = 0, t3 = 0;
  uint64_t count = 0;
};

// Sorts `trigrams` by (t1, t2, t3) ids and merges repeated trigrams by
// adding their counts.
void sort_and_merge(std::vector<TrigramCount> &trigrams);

// Counts by order over `states` states, summed from the seen trigrams.
struct NgramStats {
  int states = 0;
  // t1*S + t2 -> trigrams with that history; only seen histories, as a table of all
  // S^2 would be mostly zeros for a large tag set.
  std::unordered_map<uint64_t, uint64_t> pair_context;
  std::vector<uint64_t> bigram;          // [t2*S + t3]
  std::vector<uint64_t> single_context;  // [t2]: bigrams with that history
  std::vector<uint64_t> unigram;         // [t3]: predicted states (tokens and ends)
  uint64_t total = 0;                    // sum of unigram

  // Maximum-likelihood estimates P(t3) and P(t3 | t2); 0 when the history was never seen.
  double p1(int t3) const;
  double p2(int t2, int t3) const;
  // f(t1, t2, t3) / f(t1, t2, .) for a seen trigram.
  double p3(const TrigramCount &g) const;
};

// Sums the trigram counts down to bigrams and unigrams.
NgramStats make_ngram_stats(const std::vector<TrigramCount> &trigrams, int states);

// Weights (l1, l2, l3) for unigram, bigram and trigram estimates, by deleted
// interpolation: each trigram's count goes to the order whose estimate,
// with that trigram removed from the counts, is highest (split evenly on ties).
// `trigrams` must be sorted as by sort_and_merge (the sums then always run
// in the same order, so the weights are reproducible to the last bit).
std::array<double, 3> deleted_interpolation(const NgramStats &stats,
                                            const std::vector<TrigramCount> &trigrams);

// Standard deviation of the unconditioned ML probabilities of the first
// `real_tags` states: the weight theta for successive suffix abstraction.
double suffix_theta(const NgramStats &stats, int real_tags);

}  // namespace orvit
