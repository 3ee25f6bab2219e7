// A sentence as vornik-eval compares it: its words with their POS tags and the chunks
// over them. Gold and system sentences share this form, so the scorer needs to know
// neither file format.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

namespace vornik {

// Words begin to end - 1 (positions from 0) form one chunk of the given type.
struct Chunk {
  std::size_t begin = 0, end = 0;
  std::string type;
  bool operator==(const Chunk &) const = default;
};

struct Sentence {
  long line = 0;  // where the sentence starts in its file
  std::vector<std::string> words, tags;
  std::vector<long> word_lines;  // where each word stands in the file
  std::vector<Chunk> chunks;     // in sentence order, never overlapping
};

}  // namespace vornik
