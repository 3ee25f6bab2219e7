// The tagging protocol on file descriptors: one token per line, a blank
// line ends a sentence, "%%" lines are skipped; each sentence is answered
// with "token<TAB>tag" rows and an empty line, written before the next read.
#pragma once

#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "orvit/sentence_tagger.h"

namespace orvit {

class StreamTagger {
 public:
  // `tagger` must outlive the StreamTagger.
  explicit StreamTagger(SentenceTagger& tagger);

  // Tags everything read from `in_fd` until end of input, writing to
  // `out_fd`. Returns false on a read or write error, with `error` set.
  bool run(int in_fd, int out_fd, std::string* error);

 private:
  void take_line(size_t begin, size_t end);
  void end_sentence();

  SentenceTagger& tagger_;
  std::vector<char> buf_;
  std::vector<std::pair<size_t, size_t>> tokens_;  // offset and length in buf_
  std::vector<std::string_view> views_;
  std::string out_;
};

}  // namespace orvit
