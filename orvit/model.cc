// Model construction: turns the counts read from a model file into the
// log-probability tables the decoder uses.
#include "orvit/model.h"

#include "orvit/suffix_guesser.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace orvit {

Model::Model() {
  for (auto& begin : suffix_begin_) begin.assign(1, 0);
}

void Model::set_tags(std::vector<std::string> names) {
  tag_names_ = std::move(names);
  for (const auto& name : tag_names_) tag_ids_.intern(name);
  tag_class_.resize(tag_names_.size());
  for (size_t t = 0; t < tag_class_.size(); ++t) tag_class_[t] = static_cast<int>(t);
}

bool Model::set_tag_class(int tag, int cls) {
  if (tag_class_[tag] != tag) return false;
  tag_class_[tag] = cls;
  return true;
}

int Model::find_tag(std::string_view name) const { return tag_ids_.find(name); }

void Model::add_trigram(int t1, int t2, int t3, uint64_t count) {
  trigrams_.push_back({t1, t2, t3, count});
}

ptrdiff_t Model::find_trigram(int t1, int t2, int t3) const {
  TrigramCount key{t1, t2, t3, 0};
  auto it = std::lower_bound(trigrams_.begin(), trigrams_.end(), key,
                             [](const TrigramCount& a, const TrigramCount& b) {
                               if (a.t1 != b.t1) return a.t1 < b.t1;
                               if (a.t2 != b.t2) return a.t2 < b.t2;
                               return a.t3 < b.t3;
                             });
  if (it == trigrams_.end() || it->t1 != t1 || it->t2 != t2 || it->t3 != t3) return -1;
  return it - trigrams_.begin();
}

uint64_t Model::trigram_count(int t1, int t2, int t3) const {
  ptrdiff_t i = find_trigram(t1, t2, t3);
  return i < 0 ? 0 : trigrams_[i].count;
}

double Model::transition_prob(int t1, int t2, int t3) const {
  ptrdiff_t i = find_trigram(t1, t2, t3);
  return i < 0 ? unseen_prob_[static_cast<size_t>(t2) * states() + t3] : trigram_prob_[i];
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

void Model::finish(size_t dense_limit) {
  // P(t3 | t1, t2) = (l1 P1(t3) + l2 P2(t3 | t2)) + l3 P3(t3 | t1, t2): the
  // bracketed part is shared by every history ending in t2, and the last
  // term is 0 unless the trigram was seen. With backoff classes, P1(t3) becomes
  // (1 - w) P1(t3) + w Pc(t3 | class of t2): a rarely seen tag (a word-specific
  // one) then backs off to what follows its class rather than to bare frequency.
  const float kNever = -std::numeric_limits<float>::infinity();
  auto log_of = [&](double p) { return p > 0 ? static_cast<float>(std::log(p)) : kNever; };
  const size_t s = static_cast<size_t>(states());
  sort_and_merge(trigrams_);
  NgramStats st = make_ngram_stats(trigrams_, states());
  // A cell (t2, t3) whose bigram was never seen has P2 = 0, so its value depends on
  // t2 only through t2's class (on nothing, without classes): it is worked out, log
  // included, once per class row and copied to the class's tags; only the cells of
  // seen bigrams are worked out per tag. Same operations on the same operands as
  // cell by cell (the pooled counts are whole numbers, exact in any order), so the
  // same bits, at a fraction of the cost for a large tag set.
  std::vector<size_t> by_class(s);  // tags ordered by class, each class in tag order
  for (size_t t = 0; t < s; ++t) by_class[t] = t;
  auto class_of = [&](size_t t) {
    if (class_weight_ == 0) return size_t{0};
    return t < tag_class_.size() ? static_cast<size_t>(tag_class_[t]) : t;
  };
  std::stable_sort(by_class.begin(), by_class.end(),
                   [&](size_t a, size_t b) { return class_of(a) < class_of(b); });
  std::vector<double> p1(s), low(s), pooled(s), row(s);
  std::vector<float> row_logp(s);
  for (size_t t3 = 0; t3 < s; ++t3) p1[t3] = st.p1(static_cast<int>(t3));
  unseen_prob_.resize(s * s);
  std::vector<float> unseen_logp(s * s);
  for (size_t first = 0; first < s;) {
    size_t last = first;
    while (last < s && class_of(by_class[last]) == class_of(by_class[first])) ++last;
    // P(t3 | class) over the pooled bigram counts of the class's tags.
    double context = 0;
    std::fill(pooled.begin(), pooled.end(), 0.0);
    for (size_t k = first; k < last && class_weight_ > 0; ++k) {
      const size_t t2 = by_class[k];
      context += static_cast<double>(st.single_context[t2]);
      for (size_t t3 = 0; t3 < s; ++t3) pooled[t3] += static_cast<double>(st.bigram[t2 * s + t3]);
    }
    for (size_t t3 = 0; t3 < s; ++t3) {
      low[t3] = p1[t3];
      if (class_weight_ > 0) {
        const double by = context == 0 ? 0.0 : pooled[t3] / context;
        low[t3] = (1 - class_weight_) * low[t3] + class_weight_ * by;
      }
      row[t3] = lambdas_[0] * low[t3];  // P2 is 0 off the seen bigrams
      row_logp[t3] = log_of(row[t3]);
    }
    for (size_t k = first; k < last; ++k) {
      const size_t t2 = by_class[k];
      std::copy(row.begin(), row.end(), unseen_prob_.begin() + t2 * s);
      std::copy(row_logp.begin(), row_logp.end(), unseen_logp.begin() + t2 * s);
      for (size_t t3 = 0; t3 < s; ++t3) {
        if (st.bigram[t2 * s + t3] == 0) continue;
        const double p2 = st.p2(static_cast<int>(t2), static_cast<int>(t3));
        const double p = lambdas_[0] * low[t3] + lambdas_[1] * p2;
        unseen_prob_[t2 * s + t3] = p;
        unseen_logp[t2 * s + t3] = log_of(p);
      }
    }
    first = last;
  }
  trigram_prob_.resize(trigrams_.size());
  std::vector<std::pair<uint64_t, float>> seen(trigrams_.size());
  for (size_t i = 0; i < trigrams_.size(); ++i) {
    const TrigramCount& g = trigrams_[i];
    double p = unseen_prob_[g.t2 * s + g.t3] + lambdas_[2] * st.p3(g);
    trigram_prob_[i] = p;
    seen[i] = {(g.t1 * s + g.t2) * s + g.t3, log_of(p)};
  }
  transitions_.build(states(), std::move(unseen_logp), std::move(seen), dense_limit);

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
  if (known_guess_max_ > 0 && all > 0) add_guess_to_rare_words(all);
}

void Model::add_guess_to_rare_words(double all_tokens) {
  // Guessed tags below a thousandth of the word's best one only widen the search
  // (on a held-out tenth of train.txt, a hundredth already cost accuracy).
  constexpr double kGuessFloor = 0.001;
  SuffixGuesser guesser(view());
  const double w = known_guess_weight_;
  std::vector<uint32_t> begin{0};
  std::vector<uint16_t> tags;
  std::vector<float> logp;
  std::vector<double> mixed(real_tags());
  std::vector<char> present(real_tags());
  for (size_t id = 0; id + 1 < word_begin_.size(); ++id) {
    const uint32_t first = word_begin_[id], last = word_begin_[id + 1];
    uint64_t count = 0;
    for (uint32_t e = first; e < last; ++e) count += entry_count_[e];
    if (count > static_cast<uint64_t>(known_guess_max_)) {
      tags.insert(tags.end(), entry_tag_.begin() + first, entry_tag_.begin() + last);
      logp.insert(logp.end(), entry_logp_.begin() + first, entry_logp_.begin() + last);
      begin.push_back(static_cast<uint32_t>(tags.size()));
      continue;
    }
    std::fill(mixed.begin(), mixed.end(), 0.0);
    std::fill(present.begin(), present.end(), 0);
    for (uint32_t e = first; e < last; ++e) {
      mixed[entry_tag_[e]] = (1 - w) * std::exp(static_cast<double>(entry_logp_[e]));
      present[entry_tag_[e]] = 1;
    }
    // The guess scores P(t|suffix)/P(t), i.e. P(w|t)/P(w).
    const double p_word = static_cast<double>(count) / all_tokens;
    const SuffixGuesser::Guess g = guesser.guess(words_.key(static_cast<int32_t>(id)));
    for (uint32_t k = 0; k < g.size; ++k) {
      mixed[g.tags[k]] += w * p_word * std::exp(static_cast<double>(g.logp[k]));
      present[g.tags[k]] = 1;
    }
    const double floor = *std::max_element(mixed.begin(), mixed.end()) * kGuessFloor;
    for (int t = 0; t < real_tags(); ++t) {
      if (!present[t] || mixed[t] < floor) continue;
      tags.push_back(static_cast<uint16_t>(t));
      logp.push_back(static_cast<float>(std::log(mixed[t])));
    }
    begin.push_back(static_cast<uint32_t>(tags.size()));
  }
  word_begin_ = std::move(begin);
  entry_tag_ = std::move(tags);
  entry_logp_ = std::move(logp);
}

ModelView Model::view() const {
  ModelView v;
  v.tags = tag_ids_.view();
  v.transitions = transitions_.view();
  v.words = words_.view();
  v.word_begin = word_begin_;
  v.entry_tag = entry_tag_;
  v.entry_logp = entry_logp_;
  v.tag_prob = tag_prob_;
  v.theta = theta_;
  v.max_suffix = max_suffix_;
  for (int cls = 0; cls < kWordClassCount; ++cls) {
    v.suffix[cls] = {suffixes_[cls].view(), suffix_begin_[cls], suffix_tag_[cls],
                     suffix_count_[cls],    suffix_total_[cls], root_tags_[cls],
                     root_probs_[cls]};
  }
  return v;
}

}  // namespace orvit
