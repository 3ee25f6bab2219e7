// How a sentence tree is flattened into chunks, CoNLL style: one chunk per maximal run
// of consecutive words whose direct phrase node is the same node with a category.
// vornik's column and JSON output and vornik-eval's reading of vornik's trees share it.
#pragma once
#include <cstddef>
#include <span>
#include <vector>

// Words begin to end - 1 (positions from 0) are directly below phrase node `node`.
struct ChunkRun {
  std::size_t begin = 0, end = 0, node = 0;
  bool operator==(const ChunkRun &) const = default;
};

// The chunks of a sentence, in order, never overlapping. `phrase[i]` names the direct
// phrase node of word i when that node has a category, and is 0 otherwise (a word at
// the top, or below a node without category): such words are outside every chunk.
std::vector<ChunkRun> chunk_runs(std::span<const std::size_t> phrase);
