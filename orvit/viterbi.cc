// Viterbi over tag pairs. The state at token i is (tag of i-1, tag of i);
// a score is the best log-probability of any path ending in that state.
#include "viterbi.h"

#include <cmath>
#include <limits>

namespace orvit {

void Viterbi::decode(const Transitions& tr, const Lattice& lat, double beam,
                     std::vector<uint16_t>& out) {
  const float kNever = -std::numeric_limits<float>::infinity();
  const size_t n = lat.size();
  out.resize(n);
  if (n == 0) return;
  const size_t S = static_cast<size_t>(tr.states);
  const float cut = beam > 1 ? static_cast<float>(std::log(beam)) : 0.0f;

  // Candidates of token i-1 and i-2; before the sentence only the start state.
  const uint16_t bos = static_cast<uint16_t>(tr.bos);
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
    cur_.assign(na * nb, kNever);
    back_.resize(back_.size() + na * nb, 0);
    uint16_t* back = &back_[back_start_[i]];
    float best_all = kNever;
    for (size_t ai = 0; ai < na; ++ai) {
      float* cur = &cur_[ai * nb];
      uint16_t* bk = &back[ai * nb];
      for (size_t zi = 0; zi < nz; ++zi) {
        float d = prev_[zi * na + ai];
        if (d == kNever) continue;
        const float* row = tr.logp + (z_tags[zi] * S + a_tags[ai]) * S;
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
      float v = d + tr.logp[(z_tags[ai] * S + a_tags[bi]) * S + tr.eos];
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
