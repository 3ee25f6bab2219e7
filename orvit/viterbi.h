// Second-order Viterbi decoding: finds the most probable tag sequence of a
// lattice under trigram transitions, optionally pruning with a beam.
#pragma once

#include <cstdint>
#include <vector>

#include "lattice.h"

namespace orvit {

// Log transition table: log P(t3 | t1, t2) at [(t1 * states + t2) * states + t3].
struct Transitions {
  int states = 0;
  int bos = 0;  // start state, the two tags before the first token
  int eos = 0;  // end state, the tag after the last token
  const float* logp = nullptr;
};

class Viterbi {
 public:
  // Writes the best tag of each token to `out`. With beam > 1, states whose
  // score is below the position's best divided by `beam` are dropped;
  // beam <= 1 means exhaustive search.
  void decode(const Transitions& tr, const Lattice& lattice, double beam,
              std::vector<uint16_t>& out);

 private:
  std::vector<float> prev_, cur_;     // scores of (previous tag, tag) pairs
  std::vector<uint32_t> back_start_;  // per token, offset into back_
  std::vector<uint16_t> back_;        // best candidate index two tokens back
};

}  // namespace orvit
