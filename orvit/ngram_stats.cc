// Marginal counts, deleted interpolation and theta for the trigram model,
// all computed from the sparse list of seen trigrams.
#include "orvit/ngram_stats.h"

#include <algorithm>
#include <cmath>
#include <cstddef>

namespace orvit {

void sort_and_merge(std::vector<TrigramCount>& trigrams) {
  auto before = [](const TrigramCount& a, const TrigramCount& b) {
    if (a.t1 != b.t1) return a.t1 < b.t1;
    if (a.t2 != b.t2) return a.t2 < b.t2;
    return a.t3 < b.t3;
  };
  if (!std::is_sorted(trigrams.begin(), trigrams.end(), before)) {
    // A model file lists its rows in nearly this order (only the start state's
    // place differs): a stable counting sort by t1 keeps the runs that are in
    // order, and only the t1 groups out of order are sorted.
    int groups = 0;
    for (const TrigramCount& g : trigrams) groups = std::max(groups, g.t1 + 1);
    std::vector<size_t> start(static_cast<size_t>(groups) + 1, 0);
    for (const TrigramCount& g : trigrams) ++start[static_cast<size_t>(g.t1) + 1];
    for (size_t t = 0; t < static_cast<size_t>(groups); ++t) start[t + 1] += start[t];
    std::vector<TrigramCount> by_t1(trigrams.size());
    std::vector<size_t> next(start.begin(), start.end() - 1);
    for (const TrigramCount& g : trigrams) by_t1[next[static_cast<size_t>(g.t1)]++] = g;
    for (size_t t = 0; t < static_cast<size_t>(groups); ++t) {
      auto first = by_t1.begin() + static_cast<std::ptrdiff_t>(start[t]);
      auto last = by_t1.begin() + static_cast<std::ptrdiff_t>(start[t + 1]);
      if (!std::is_sorted(first, last, before)) std::sort(first, last, before);
    }
    trigrams.swap(by_t1);
  }
  size_t out = 0;
  for (size_t i = 0; i < trigrams.size(); ++i) {
    if (out > 0 && !before(trigrams[out - 1], trigrams[i]))
      trigrams[out - 1].count += trigrams[i].count;
    else
      trigrams[out++] = trigrams[i];
  }
  trigrams.resize(out);
}

NgramStats make_ngram_stats(const std::vector<TrigramCount>& trigrams, int states) {
  NgramStats st;
  size_t s = static_cast<size_t>(states);
  st.states = states;
  st.pair_context.reserve(trigrams.size());
  st.bigram.assign(s * s, 0);
  st.single_context.assign(s, 0);
  st.unigram.assign(s, 0);
  for (const TrigramCount& g : trigrams) {
    uint64_t c = g.count;
    st.pair_context[static_cast<uint64_t>(g.t1) * s + g.t2] += c;
    st.bigram[g.t2 * s + g.t3] += c;
    st.single_context[g.t2] += c;
    st.unigram[g.t3] += c;
    st.total += c;
  }
  return st;
}

double NgramStats::p1(int t3) const {
  return total ? static_cast<double>(unigram[t3]) / static_cast<double>(total) : 0.0;
}

double NgramStats::p2(int t2, int t3) const {
  uint64_t ctx = single_context[t2];
  return ctx ? static_cast<double>(bigram[static_cast<size_t>(t2) * states + t3]) /
                   static_cast<double>(ctx)
             : 0.0;
}

double NgramStats::p3(const TrigramCount& g) const {
  auto found = pair_context.find(static_cast<uint64_t>(g.t1) * static_cast<uint64_t>(states) + g.t2);
  uint64_t ctx = found == pair_context.end() ? 0 : found->second;
  return ctx ? static_cast<double>(g.count) / static_cast<double>(ctx) : 0.0;
}

namespace {
// (count - 1) / (context - 1), taken as 0 when the context was seen once.
double held_out(uint64_t count, uint64_t context) {
  return context > 1 ? static_cast<double>(count - 1) / static_cast<double>(context - 1) : 0.0;
}
}  // namespace

std::array<double, 3> deleted_interpolation(const NgramStats& st,
                                            const std::vector<TrigramCount>& trigrams) {
  std::array<double, 3> weight{0, 0, 0};
  size_t s = static_cast<size_t>(st.states);
  for (const TrigramCount& g : trigrams) {
    uint64_t c = g.count;
    if (c == 0) continue;
    double e[3] = {held_out(st.unigram[g.t3], st.total),
                   held_out(st.bigram[g.t2 * s + g.t3], st.single_context[g.t2]),
                   held_out(c, st.pair_context.at(static_cast<uint64_t>(g.t1) * s + g.t2))};
    double best = std::max(e[0], std::max(e[1], e[2]));
    int ties = (e[0] == best) + (e[1] == best) + (e[2] == best);
    for (int k = 0; k < 3; ++k)
      if (e[k] == best) weight[k] += static_cast<double>(c) / ties;
  }
  double sum = weight[0] + weight[1] + weight[2];
  if (sum == 0) return {1.0, 0.0, 0.0};
  return {weight[0] / sum, weight[1] / sum, weight[2] / sum};
}

double suffix_theta(const NgramStats& st, int real_tags) {
  if (real_tags < 2) return 0.0;
  uint64_t sum = 0;
  for (int t = 0; t < real_tags; ++t) sum += st.unigram[t];
  if (sum == 0) return 0.0;
  double mean = 1.0 / real_tags;
  double var = 0;
  for (int t = 0; t < real_tags; ++t) {
    double d = static_cast<double>(st.unigram[t]) / static_cast<double>(sum) - mean;
    var += d * d;
  }
  return std::sqrt(var / (real_tags - 1));
}

}  // namespace orvit
