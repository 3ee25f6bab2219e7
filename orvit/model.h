// A loaded tagging model: the tag set, the interpolated trigram transition
// table (log-probabilities), the lexicon with log emission probabilities and
// the suffix tries of rare words for unknown words.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "orvit/model_view.h"
#include "orvit/ngram_stats.h"
#include "orvit/string_table.h"
#include "orvit/transition_table.h"
#include "orvit/word_class.h"

namespace orvit {

// The most tags a model may have. The tag-pair tables take about 28 bytes per pair
// of states while a model is built, so 4000 tags stay under kMaxTableMegabytes.
constexpr int kMaxTags = 4000;
constexpr int kMaxTableMegabytes = 512;
// All counts of a model file together stay below 2^53, so every sum of counts is
// exact, in integers and in doubles alike.
constexpr uint64_t kMaxCountTotal = uint64_t{1} << 53;

// Tag ids 0..real_tags()-1 are the model's tags; bos() is the start state
// (the two states before a sentence) and eos() the end state.
class Model {
 public:
  // ---- Construction, in this order: tags, then rows, then finish(). ----
  // Takes the tag names: tag id i is names[i] (the caller keeps them distinct).
  void set_tags(std::vector<std::string> names);
  // Adds `count` to the trigram (t1, t2, t3) of state ids; repeats are summed by finish().
  void add_trigram(int t1, int t2, int t3, uint64_t count);
  // The interpolation weights of the unigram, bigram and trigram terms (they sum to 1).
  void set_lambdas(const std::array<double, 3> &lambdas) { lambdas_ = lambdas; }
  // The suffix smoothing weight of the unknown-word guess.
  void set_theta(double theta) { theta_ = theta; }
  // Backoff classes: the transitions out of `tag` also learn from those out of
  // `cls` (and of all tags of that class), with weight `class_weight` in place of
  // part of the unigram term; see finish(). Without classes nothing changes.
  void set_class_weight(double weight) { class_weight_ = weight; }
  // False if `tag` has a class already.
  bool set_tag_class(int tag, int cls);
  // The longest suffix, in bytes, an unknown word is looked up by.
  void set_max_suffix(int n) { max_suffix_ = n; }
  // Words seen at most `max_count` times also take the unknown-word guess:
  // P(w|t) becomes (1 - weight) f(w,t)/f(t) + weight P(w) P(t|suffix)/P(t),
  // so a rare word may take a tag it was never seen with. 0 turns it off.
  void set_known_guess(int max_count, double weight) {
    known_guess_max_ = max_count;
    known_guess_weight_ = weight;
  }
  // Starts the lexicon row of `word`; false if the word already has one.
  bool begin_word(std::string_view word);
  // Adds an entry (tag, count) to the row begun last.
  void add_word_tag(int tag, uint64_t count);
  // Starts the suffix row of `suffix` in the trie of class `cls`; false if
  // that suffix already has one.
  bool begin_suffix(int cls, std::string_view suffix);
  // Adds an entry (tag, count) to the suffix row begun last.
  void add_suffix_tag(int tag, uint64_t count);
  // Derives the probability tables from the counts. The transition table is
  // dense when states()^3 <= dense_limit, sparse otherwise.
  void finish(size_t dense_limit = kDenseTransitionLimit);

  // An empty model: no tags, lambdas (1, 0, 0).
  Model();

  // ---- Tag set ----
  // The number of tags; states() counts bos() and eos() too.
  int real_tags() const { return static_cast<int>(tag_names_.size()); }
  int states() const { return real_tags() + 2; }
  int bos() const { return real_tags(); }
  int eos() const { return real_tags() + 1; }
  // The name of tag id `tag` (< real_tags()), valid while the model lives.
  const std::string &tag_name(int tag) const { return tag_names_[tag]; }
  // The id of the tag `name`, or -1 (also for "<s>" and "</s>").
  int find_tag(std::string_view name) const;

  // ---- Transitions ----
  // log P(t3 | t1, t2) as floats, dense or sparse.
  const TransitionTable &transitions() const { return transitions_; }
  // The interpolated probability itself, in double precision.
  double transition_prob(int t1, int t2, int t3) const;
  // The interpolation weights as set.
  const std::array<double, 3> &lambdas() const { return lambdas_; }
  // The count of a trigram as read (0 if unseen); valid once finish() ran.
  uint64_t trigram_count(int t1, int t2, int t3) const;

  // ---- Lexicon ----
  // The id of `word`'s lexicon row, or -1; ids run from 0 to word_count() - 1.
  int32_t find_word(std::string_view word) const { return words_.find(word); }
  size_t word_count() const { return words_.size(); }
  // Entries of word `id` are [entry_begin(id), entry_begin(id + 1)).
  uint32_t entry_begin(int32_t id) const { return word_begin_[id]; }
  // The tag of each entry; this and entry_logp() are valid until the model changes.
  const uint16_t *entry_tags() const { return entry_tag_.data(); }
  // log P(word | tag) of each entry.
  const float *entry_logp() const { return entry_logp_.data(); }

  // ---- Unknown words ----
  // The settings as given to set_theta() and set_max_suffix().
  double theta() const { return theta_; }
  int max_suffix() const { return max_suffix_; }
  // Unconditioned P(tag) over training tokens.
  double tag_prob(int tag) const { return tag_prob_[tag]; }
  // The suffix trie of word class `cls`: node ids of the suffixes of its rare words.
  const StringTable &suffixes(int cls) const { return suffixes_[cls]; }
  // Rows of suffix node `id` are [suffix_begin(cls, id), suffix_begin(cls, id + 1)).
  uint32_t suffix_begin(int cls, int32_t id) const { return suffix_begin_[cls][id]; }
  // The tag and count of each suffix row of class `cls`, and the sum of node `id`'s counts.
  const uint16_t *suffix_tags(int cls) const { return suffix_tag_[cls].data(); }
  const double *suffix_counts(int cls) const { return suffix_count_[cls].data(); }
  double suffix_total(int cls, int32_t id) const { return suffix_total_[cls][id]; }
  // The class's root distribution (all rare words of that class): tags with
  // a non-zero share, and P(tag | class) for each.
  const std::vector<uint16_t> &root_tags(int cls) const { return root_tags_[cls]; }
  const std::vector<double> &root_probs(int cls) const { return root_probs_[cls]; }

  // The tables a tagger reads, viewing this model's storage: valid while the
  // model lives and is not built further.
  ModelView view() const;

 private:
  // Mixes the unknown-word guess into the entries of rare words (see set_known_guess).
  void add_guess_to_rare_words(double all_tokens);
  std::vector<std::string> tag_names_;
  StringTable tag_ids_;
  // Position of a seen trigram in trigrams_, or -1.
  ptrdiff_t find_trigram(int t1, int t2, int t3) const;

  std::vector<TrigramCount> trigrams_;  // sorted and merged by finish()
  std::vector<double> trigram_prob_;    // P(t3 | t1, t2) of each seen trigram
  std::vector<double> unseen_prob_;     // [t2 * S + t3]: l1 P1(t3) + l2 P2(t3 | t2)
  std::array<double, 3> lambdas_{1, 0, 0};
  std::vector<int> tag_class_;  // [tag]: its backoff class; itself when none
  double class_weight_ = 0;
  TransitionTable transitions_;

  StringTable words_;
  std::vector<uint32_t> word_begin_{0};
  std::vector<uint16_t> entry_tag_;
  std::vector<uint64_t> entry_count_;
  std::vector<float> entry_logp_;
  std::vector<double> tag_prob_;

  double theta_ = 0;
  int max_suffix_ = 10;
  int known_guess_max_ = 0;
  double known_guess_weight_ = 0;
  StringTable suffixes_[kWordClassCount];
  std::vector<uint32_t> suffix_begin_[kWordClassCount];
  std::vector<uint16_t> suffix_tag_[kWordClassCount];
  std::vector<double> suffix_count_[kWordClassCount];
  std::vector<double> suffix_total_[kWordClassCount];
  std::vector<uint16_t> root_tags_[kWordClassCount];
  std::vector<double> root_probs_[kWordClassCount];
  int current_class_ = 0;
};

}  // namespace orvit
