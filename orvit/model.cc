// Model construction: turns the counts read from a model file into the
// log-probability tables the decoder uses.
#include "model.h"

#include <cmath>
#include <limits>

#include "ngram_stats.h"

namespace orvit {

Model::Model() {
  for (auto& begin : suffix_begin_) begin.assign(1, 0);
}

void Model::set_tags(std::vector<std::string> names) {
  tag_names_ = std::move(names);
  for (const auto& name : tag_names_) tag_ids_.intern(name);
  size_t s = static_cast<size_t>(states());
  trigram_.assign(s * s * s, 0);
}

int Model::find_tag(std::string_view name) const { return tag_ids_.find(name); }

void Model::add_trigram(int t1, int t2, int t3, uint64_t count) {
  size_t s = static_cast<size_t>(states());
  trigram_[(t1 * s + t2) * s + t3] += count;
}

uint64_t Model::trigram_count(int t1, int t2, int t3) const {
  size_t s = static_cast<size_t>(states());
  return trigram_[(t1 * s + t2) * s + t3];
}

double Model::transition_prob(int t1, int t2, int t3) const {
  size_t s = static_cast<size_t>(states());
  return transition_prob_[(t1 * s + t2) * s + t3];
}

bool Model::begin_word(std::string_view word) {
  size_t before = words_.size();
  words_.intern(word);
  if (words_.size() == before) return false;
  word_begin_.push_back(static_cast<uint32_t>(entry_tag_.size()));
  return true;
}

void Model::add_word_tag(int tag, uint64_t count) {
  entry_tag_.push_back(static_cast<uint16_t>(tag));
  entry_count_.push_back(count);
  word_begin_.back() = static_cast<uint32_t>(entry_tag_.size());
}

bool Model::begin_suffix(int cls, std::string_view suffix) {
  size_t before = suffixes_[cls].size();
  suffixes_[cls].intern(suffix);
  if (suffixes_[cls].size() == before) return false;
  current_class_ = cls;
  suffix_begin_[cls].push_back(static_cast<uint32_t>(suffix_tag_[cls].size()));
  suffix_total_[cls].push_back(0);
  return true;
}

void Model::add_suffix_tag(int tag, uint64_t count) {
  int cls = current_class_;
  suffix_tag_[cls].push_back(static_cast<uint16_t>(tag));
  suffix_count_[cls].push_back(static_cast<double>(count));
  suffix_begin_[cls].back() = static_cast<uint32_t>(suffix_tag_[cls].size());
  suffix_total_[cls].back() += static_cast<double>(count);
}

void Model::finish() {
  const float kNever = -std::numeric_limits<float>::infinity();
  int s = states();
  NgramStats st = make_ngram_stats(trigram_, s);
  transition_prob_.assign(trigram_.size(), 0.0);
  log_transition_.assign(trigram_.size(), kNever);
  for (int t1 = 0; t1 < s; ++t1) {
    for (int t2 = 0; t2 < s; ++t2) {
      for (int t3 = 0; t3 < s; ++t3) {
        double p = lambdas_[0] * st.p1(t3) + lambdas_[1] * st.p2(t2, t3) +
                   lambdas_[2] * st.p3(t1, t2, t3);
        size_t i = (static_cast<size_t>(t1) * s + t2) * s + t3;
        transition_prob_[i] = p;
        if (p > 0) log_transition_[i] = static_cast<float>(std::log(p));
      }
    }
  }

  // Emissions: P(word | tag) = f(word, tag) / f(tag), f(tag) summed over the lexicon.
  std::vector<double> tag_total(real_tags(), 0.0);
  double all = 0;
  for (size_t i = 0; i < entry_tag_.size(); ++i) {
    tag_total[entry_tag_[i]] += static_cast<double>(entry_count_[i]);
    all += static_cast<double>(entry_count_[i]);
  }
  entry_logp_.resize(entry_tag_.size());
  for (size_t i = 0; i < entry_tag_.size(); ++i)
    entry_logp_[i] = static_cast<float>(
        std::log(static_cast<double>(entry_count_[i]) / tag_total[entry_tag_[i]]));
  tag_prob_.assign(real_tags(), 0.0);
  for (int t = 0; t < real_tags(); ++t) tag_prob_[t] = all > 0 ? tag_total[t] / all : 0.0;

  // Each class's root: every rare word has a one-byte suffix, so summing
  // the one-byte nodes counts each rare word exactly once.
  for (int cls = 0; cls < kWordClassCount; ++cls) {
    std::vector<double> root(real_tags(), 0.0);
    double total = 0;
    const StringTable& table = suffixes_[cls];
    for (size_t id = 0; id < table.size(); ++id) {
      if (table.key(static_cast<int32_t>(id)).size() != 1) continue;
      for (uint32_t k = suffix_begin_[cls][id]; k < suffix_begin_[cls][id + 1]; ++k) {
        root[suffix_tag_[cls][k]] += suffix_count_[cls][k];
        total += suffix_count_[cls][k];
      }
    }
    root_tags_[cls].clear();
    root_probs_[cls].clear();
    for (int t = 0; t < real_tags(); ++t) {
      if (root[t] > 0 && tag_prob_[t] > 0) {
        root_tags_[cls].push_back(static_cast<uint16_t>(t));
        root_probs_[cls].push_back(root[t] / total);
      }
    }
  }
}

}  // namespace orvit
