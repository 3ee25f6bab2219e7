// Chunk precision, recall and F1 per chunk type, CoNLL style, plus POS tag accuracy,
// summed over pairs of gold and system sentences with the same words.
#pragma once

#include <cstddef>
#include <map>
#include <string>

#include "eval/chunked_sentence.h"

namespace vornik {

class ChunkScore {
 public:
  // Counts one sentence; `found` must have the words of `gold`. A found chunk is
  // correct when a gold chunk has its type, first word and last word.
  void add(const Sentence &gold, const Sentence &found);

  // The report, one line each:
  //   sentences: S  tokens: T
  //   POS accuracy: A% (C of T)
  //   chunks: gold G  found F  correct C
  //   type      precision    recall       F1    gold   found
  // then one row per chunk type in gold or found, in byte order of the type name, and
  // the row "overall"; a row is printf "%-8s %9.2f%% %8.2f%% %8.2f %7zu %7zu\n".
  // Percentages are 0.00 when their divisor is 0; F1 = 2PR/(P+R), 0.00 when P+R is 0.
  std::string report() const;

 private:
  struct Counts {
    std::size_t gold = 0, found = 0, correct = 0;
  };
  std::map<std::string, Counts> types_;
  std::size_t sentences_ = 0, tokens_ = 0, tags_correct_ = 0;
};

}  // namespace vornik
