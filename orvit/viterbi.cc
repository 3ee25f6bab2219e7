// Viterbi over tag pairs: the state at token i is (tag of i-1, tag of i), its score the
// best log-probability of any path ending in that state.
#include "orvit/viterbi.h"

#include <algorithm>
#include <cmath>
#include <limits>

// Dense tables are read row by row. With sparse tables the best predecessor of a pair
// (a, b) is found in two parts: the best score of (z, a) over all z plus the
// unseen-trigram value of (a, b), and then only the z that were seen before (a, b), whose
// values are never lower.

namespace orvit {

namespace {
const float kNever = -std::numeric_limits<float>::infinity();

// Scores the pairs (a, b) of token i into `cur` and their best z into
// `back`; adds the emission scores and returns the best pair score.
inline float step_dense(const TransitionView& tr, const float* prev, float* cur_all,
                        uint16_t* back, const uint16_t* z_tags, size_t nz,
                        const uint16_t* a_tags, size_t na, const uint16_t* b_tags,
                        const float* b_emit, size_t nb) {
  const size_t S = static_cast<size_t>(tr.states);
  const float* table = tr.dense.data();
  float best_all = kNever;
  for (size_t ai = 0; ai < na; ++ai) {
    float* cur = &cur_all[ai * nb];
    uint16_t* bk = &back[ai * nb];
    for (size_t zi = 0; zi < nz; ++zi) {
      float d = prev[zi * na + ai];
      if (d == kNever) continue;
      const float* row = table + (z_tags[zi] * S + a_tags[ai]) * S;
      for (size_t bi = 0; bi < nb; ++bi) {
        float v = d + row[b_tags[bi]];
        if (v > cur[bi]) {
          cur[bi] = v;
          bk[bi] = static_cast<uint16_t>(zi);
        }
      }
    }
    for (size_t bi = 0; bi < nb; ++bi) {
      cur[bi] += b_emit[bi];
      if (cur[bi] > best_all) best_all = cur[bi];
    }
  }
  return best_all;
}

}  // namespace

// Gives the same scores and back pointers as step_dense: for each (a, b) the
// first z (in candidate order) of the highest score.
float Viterbi::step_sparse(const TransitionView& tr, const uint16_t* z_tags, size_t nz,
                           const uint16_t* a_tags, size_t na, const uint16_t* b_tags,
                           const float* b_emit, size_t nb, uint16_t* back) {
  const size_t S = static_cast<size_t>(tr.states);
  // Plain pointers: the compiler cannot tell that the stores below leave the
  // vectors' own pointers alone, and would reload them for every pair.
  int32_t* z_index = z_index_.data();
  const float* prev = prev_.data();
  float* cur_all = cur_.data();
  const float* unseen = tr.unseen.data();
  const uint16_t* seen_t1 = tr.seen_t1.data();
  const float* seen_logp = tr.seen_logp.data();
  const uint32_t* seen_begin = tr.seen_begin.data();
  for (size_t zi = 0; zi < nz; ++zi) z_index[z_tags[zi]] = static_cast<int32_t>(zi);
  float best_all = kNever;
  for (size_t ai = 0; ai < na; ++ai) {
    float* cur = &cur_all[ai * nb];
    uint16_t* bk = &back[ai * nb];
    float top = kNever;
    size_t top_z = 0;
    for (size_t zi = 0; zi < nz; ++zi) {
      float d = prev[zi * na + ai];
      if (d > top) {
        top = d;
        top_z = zi;
      }
    }
    if (top == kNever) {  // every (z, a) pruned: the pairs stay unreachable
      std::fill_n(cur, nb, kNever);
      continue;
    }
    const size_t row = a_tags[ai] * S;
    for (size_t bi = 0; bi < nb; ++bi) {
      const size_t pair = row + b_tags[bi];
      float best = top + unseen[pair];
      size_t best_z = top_z;
      const uint32_t last = seen_begin[pair + 1];
      for (uint32_t k = seen_begin[pair]; k < last; ++k) {
        int32_t zi = z_index[seen_t1[k]];
        if (zi < 0) continue;
        float v = prev[static_cast<size_t>(zi) * na + ai] + seen_logp[k];
        if (v > best || (v == best && static_cast<size_t>(zi) < best_z)) {
          best = v;
          best_z = static_cast<size_t>(zi);
        }
      }
      if (best == kNever) {
        cur[bi] = kNever;
        continue;
      }
      cur[bi] = best + b_emit[bi];
      bk[bi] = static_cast<uint16_t>(best_z);
      if (cur[bi] > best_all) best_all = cur[bi];
    }
  }
  for (size_t zi = 0; zi < nz; ++zi) z_index[z_tags[zi]] = -1;
  return best_all;
}

void Viterbi::decode(const TransitionView& tr, const Lattice& lat, double beam,
                     std::vector<uint16_t>& out) {
  const size_t n = lat.size();
  out.resize(n);
  if (n == 0) return;
  const bool dense = tr.is_dense();
  if (!dense) z_index_.assign(static_cast<size_t>(tr.states), -1);
  const float cut = beam > 1 ? static_cast<float>(std::log(beam)) : 0.0f;

  // Candidates of token i-1 and i-2; before the sentence only the start state.
  const uint16_t bos = static_cast<uint16_t>(tr.bos());
  const uint16_t* z_tags = &bos;  // tags of token i-2
  size_t nz = 1;
  const uint16_t* a_tags = &bos;  // tags of token i-1
  size_t na = 1;
  prev_.assign(1, 0.0f);
  back_start_.resize(n + 1);
  back_.clear();

  for (size_t i = 0; i < n; ++i) {
    const uint16_t* b_tags = &lat.tag[lat.start[i]];
    const float* b_emit = &lat.logp[lat.start[i]];
    const size_t nb = lat.start[i + 1] - lat.start[i];
    back_start_[i] = static_cast<uint32_t>(back_.size());
    // Unreachable pairs keep back pointer 0.
    back_.resize(back_.size() + na * nb, 0);
    uint16_t* back = &back_[back_start_[i]];
    float best_all;
    if (dense) {
      cur_.assign(na * nb, kNever);
      best_all = step_dense(tr, prev_.data(), cur_.data(), back, z_tags, nz, a_tags, na, b_tags,
                            b_emit, nb);
    } else {
      cur_.resize(na * nb);  // every pair is written
      best_all = step_sparse(tr, z_tags, nz, a_tags, na, b_tags, b_emit, nb, back);
    }
    if (cut > 0 && best_all != kNever) {
      float floor = best_all - cut;
      for (float& v : cur_)
        if (v < floor) v = kNever;
    }
    prev_.swap(cur_);
    z_tags = a_tags;
    nz = na;
    a_tags = b_tags;
    na = nb;
  }
  back_start_[n] = static_cast<uint32_t>(back_.size());

  // Close with the end state; the final pairs are (token n-2, token n-1).
  // Keep the first of equal scores.
  size_t best_a = 0, best_b = 0;
  float best = kNever;
  for (size_t ai = 0; ai < nz; ++ai) {
    for (size_t bi = 0; bi < na; ++bi) {
      float d = prev_[ai * na + bi];
      if (d == kNever) continue;
      float v = d + tr.logp(z_tags[ai], a_tags[bi], static_cast<size_t>(tr.eos()));
      if (v > best) {
        best = v;
        best_a = ai;
        best_b = bi;
      }
    }
  }

  // Follow the back pointers from the last pair.
  size_t bi = best_b, ai = best_a;
  for (size_t i = n; i-- > 0;) {
    out[i] = lat.tag[lat.start[i] + bi];
    if (i == 0) break;
    size_t nb = lat.start[i + 1] - lat.start[i];
    size_t zi = back_[back_start_[i] + ai * nb + bi];
    bi = ai;
    ai = zi;
  }
}

}  // namespace orvit
