// Log transition probabilities log P(t3 | t1, t2) of a trigram model, dense (S^3 floats)
// for small tag sets, sparse for large ones (see TransitionTable::build). TransitionView is
// the read-only form the decoder uses, over a table or a mapped model image.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <utility>
#include <vector>

namespace orvit {

// Tag sets whose S^3 table has at most this many cells are stored densely.
inline constexpr size_t kDenseTransitionLimit = 2'000'000;

// The arrays of a transition table, owned elsewhere (see TransitionTable for
// their meaning): `dense` is empty for a sparse table, the others for a dense one.
struct TransitionView {
  int states = 0;
  std::span<const float> dense;
  std::span<const float> unseen;
  std::span<const uint32_t> seen_begin;
  std::span<const uint16_t> seen_t1;
  std::span<const float> seen_logp;

  // The start and end states, and whether the dense form is there.
  int bos() const { return states - 2; }
  int eos() const { return states - 1; }
  bool is_dense() const { return !dense.empty(); }
  // log P(t3 | t1, t2) in either form.
  float logp(size_t t1, size_t t2, size_t t3) const;
};

// The sparse form keeps a dense S^2 table for unseen trigrams plus, per pair (t2, t3),
// the t1 that were seen before it with their own values.
class TransitionTable {
 public:
  // `unseen_logp[t2 * S + t3]` is the log-probability of t3 after any
  // history (t1, t2) that was never followed by t3 in training (the trigram
  // term is 0 there, so it does not depend on t1); a seen trigram's value
  // must be at least as high. `seen` holds the log-probability of every
  // trigram seen in training, keyed by (t1 * S + t2) * S + t3, each key
  // once. The table is dense when S^3 <= dense_limit.
  void build(int states, std::vector<float> unseen_logp,
             std::vector<std::pair<uint64_t, float>> seen, size_t dense_limit);

  // The number of states, tags and the two boundary states together.
  int states() const { return states_; }
  int bos() const { return states_ - 2; }  // start state: the two tags before a sentence
  int eos() const { return states_ - 1; }  // end state: the tag after it
  // Whether build() chose the dense form.
  bool is_dense() const { return !dense_.empty(); }

  // Dense form: log P(t3 | t1, t2) at [(t1 * S + t2) * S + t3].
  const float *dense() const { return dense_.data(); }

  // Sparse form: unseen_logp as given to build(), and the seen trigrams
  // ending in the pair (t2, t3): entries [seen_begin(p), seen_begin(p + 1))
  // with p = t2 * S + t3, sorted by t1.
  const float *unseen() const { return unseen_.data(); }
  uint32_t seen_begin(size_t pair) const { return seen_begin_[pair]; }
  const uint16_t *seen_t1() const { return seen_t1_.data(); }
  const float *seen_logp() const { return seen_logp_.data(); }

  // log P(t3 | t1, t2) in either form.
  float logp(size_t t1, size_t t2, size_t t3) const { return view().logp(t1, t2, t3); }
  // The table's arrays, valid until the next build().
  TransitionView view() const {
    return {states_, dense_, unseen_, seen_begin_, seen_t1_, seen_logp_};
  }

 private:
  int states_ = 0;
  std::vector<float> dense_;
  std::vector<float> unseen_;
  std::vector<uint32_t> seen_begin_;
  std::vector<uint16_t> seen_t1_;
  std::vector<float> seen_logp_;
};

}  // namespace orvit
