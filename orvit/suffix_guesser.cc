// Successive abstraction over suffixes for unknown words, cached per trie node (results
// depend only on the longest matching suffix).
#include "orvit/suffix_guesser.h"

#include <algorithm>
#include <cmath>

// For the suffixes s_k of a word, shortest first:
//   P(t | s_k) = (f(t, s_k) / f(s_k) + theta * P(t | s_{k-1})) / (1 + theta)
// starting from the class's rare-word tag distribution, then Bayes' rule turns P(t | s)
// into a score proportional to P(s | t) = P(t | s) P(s) / P(t).

namespace orvit {

SuffixGuesser::SuffixGuesser(const ModelView& model) : model_(model) {
  for (int cls = 0; cls < kWordClassCount; ++cls)
    cache_[cls].assign(model.suffix[cls].suffixes.size() + 1, Cached{});
  dense_.assign(model.real_tags(), 0.0);
  for (int t = 0; t < model.real_tags(); ++t) all_tags_.push_back(static_cast<uint16_t>(t));
  all_zero_.assign(model.real_tags(), 0.0f);
}

int SuffixGuesser::class_for(std::string_view word) const {
  int cls = word_class(word);
  if (!model_.suffix[cls].root_tags.empty()) return cls;
  for (int c = 0; c < kWordClassCount; ++c)
    if (!model_.suffix[c].root_tags.empty()) return c;
  return -1;
}

int SuffixGuesser::longest_suffix(int cls, std::string_view word, int32_t* nodes) const {
  const StringIndex& trie = model_.suffix[cls].suffixes;
  int limit = static_cast<int>(word.size());
  if (limit > model_.max_suffix) limit = model_.max_suffix;
  if (limit > kMaxDepth) limit = kMaxDepth;
  int depth = 0;
  while (depth < limit) {
    int32_t id = trie.find(word.substr(word.size() - depth - 1));
    if (id < 0) break;
    nodes[depth++] = id;
  }
  return depth;
}

void SuffixGuesser::smooth(int cls, const int32_t* nodes, int depth) {
  const ModelView::SuffixClass& trie = model_.suffix[cls];
  const auto& root_tags = trie.root_tags;
  const auto& root_probs = trie.root_probs;
  std::fill(dense_.begin(), dense_.end(), 0.0);
  for (size_t k = 0; k < root_tags.size(); ++k) dense_[root_tags[k]] = root_probs[k];
  double theta = model_.theta;
  for (int k = 0; k < depth; ++k) {
    for (uint16_t t : root_tags) dense_[t] *= theta;
    int32_t node = nodes[k];
    double total = trie.total[node];
    for (uint32_t e = trie.begin[node]; e < trie.begin[node + 1]; ++e)
      dense_[trie.tag[e]] += trie.count[e] / total;
    for (uint16_t t : root_tags) dense_[t] /= 1.0 + theta;
  }
}

uint32_t SuffixGuesser::compute(int cls, const int32_t* nodes, int depth) {
  smooth(cls, nodes, depth);
  uint32_t n = 0;
  for (uint16_t t : model_.suffix[cls].root_tags) {
    double p = dense_[t];
    if (p <= 0) continue;
    tags_.push_back(t);
    logp_.push_back(static_cast<float>(std::log(p / model_.tag_prob[t])));
    ++n;
  }
  return n;
}

SuffixGuesser::Guess SuffixGuesser::guess(std::string_view word) {
  // Without rare words at all, or when smoothing leaves no tag with a share (a
  // theta of 0 and a suffix whose tags the class root lacks), every tag is possible
  // with the same score: a word always has a candidate.
  const Guess any{all_tags_.data(), all_zero_.data(), static_cast<uint32_t>(all_tags_.size())};
  int cls = class_for(word);
  if (cls < 0) return any;
  int32_t nodes[kMaxDepth];
  int depth = longest_suffix(cls, word, nodes);
  Cached& slot = cache_[cls][depth == 0 ? 0 : nodes[depth - 1] + 1];
  if (slot.offset < 0) {
    slot.offset = static_cast<int64_t>(tags_.size());
    slot.size = compute(cls, nodes, depth);
  }
  if (slot.size == 0) return any;
  return {tags_.data() + slot.offset, logp_.data() + slot.offset, slot.size};
}

std::vector<double> SuffixGuesser::suffix_distribution(std::string_view word) {
  std::vector<double> out(model_.real_tags(), 0.0);
  int cls = class_for(word);
  if (cls < 0) return out;
  int32_t nodes[kMaxDepth];
  int depth = longest_suffix(cls, word, nodes);
  smooth(cls, nodes, depth);
  for (uint16_t t : model_.suffix[cls].root_tags) out[t] = dense_[t];
  return out;
}

}  // namespace orvit
