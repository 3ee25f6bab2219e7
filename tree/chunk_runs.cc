// Flattening a sentence tree into chunks: runs of words with the same direct phrase,
// shared by the column and JSON printers and by vornik-eval.
#include "tree/chunk_runs.h"

std::vector<ChunkRun> chunk_runs(std::span<const std::size_t> phrase) {
  std::vector<ChunkRun> runs;
  for (std::size_t i = 0, j; i < phrase.size(); i = j) {
    for (j = i + 1; j < phrase.size() && phrase[j] == phrase[i];) ++j;
    if (phrase[i] != 0) runs.push_back({i, j, phrase[i]});
  }
  return runs;
}
