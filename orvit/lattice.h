// The candidate tags of each token of a sentence with their log emission
// scores: the input of the Viterbi decoder. Flat arrays, reused per sentence.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace orvit {

struct Lattice {
  // Candidates of token i are [start[i], start[i+1]).
  std::vector<uint32_t> start{0};
  std::vector<uint16_t> tag;
  std::vector<float> logp;

  // The number of tokens closed so far.
  size_t size() const { return start.size() - 1; }
  // Empties the lattice for the next sentence, keeping the storage.
  void clear() {
    start.resize(1);
    tag.clear();
    logp.clear();
  }
  // Adds candidate tag `t` with log score `score` to the current token.
  void add(uint16_t t, float score) {
    tag.push_back(t);
    logp.push_back(score);
  }
  // Closes the current token's candidate list.
  void end_token() { start.push_back(static_cast<uint32_t>(tag.size())); }
};

}  // namespace orvit
