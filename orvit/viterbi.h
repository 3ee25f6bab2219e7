// Second-order Viterbi decoding: finds the most probable tag sequence of a
// lattice under trigram transitions, optionally pruning with a beam.
#pragma once

#include <cstdint>
#include <vector>

#include "orvit/lattice.h"
#include "orvit/transition_table.h"

namespace orvit {

class Viterbi {
 public:
  // Writes the best tag of each token to `out`. With beam > 1, states whose
  // score is below the position's best divided by `beam` are dropped;
  // beam <= 1 means exhaustive search. The lattice's tags must be below
  // tr.bos(). Dense and sparse tables give the same result.
  void decode(const TransitionView& tr, const Lattice& lattice, double beam,
              std::vector<uint16_t>& out);

 private:
  // Scores the pairs of token i of a sparse table, emissions included, into
  // cur_ and back pointers into back, from prev_ and the candidates z
  // (token i-2), a (i-1) and b (i); returns the best pair score.
  float step_sparse(const TransitionView& tr, const uint16_t* z_tags, size_t nz,
                    const uint16_t* a_tags, size_t na, const uint16_t* b_tags,
                    const float* b_emit, size_t nb, uint16_t* back);

  std::vector<float> prev_, cur_;     // scores of (previous tag, tag) pairs
  std::vector<uint32_t> back_start_;  // per token, offset into back_
  std::vector<uint16_t> back_;        // best candidate index two tokens back
  std::vector<int32_t> z_index_;      // sparse: candidate index of each tag at token i-2, or -1
};

}  // namespace orvit
