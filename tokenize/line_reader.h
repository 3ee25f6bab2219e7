// Reading a stream line by line in bounded memory: a line longer than the limit comes
// in pieces cut at a blank, so one huge paragraph on one line needs no huge buffer.
#pragma once

#include <cstddef>
#include <istream>
#include <string_view>
#include <vector>

namespace vornik {

class LineReader {
 public:
  // Reads from `in`, which must stay valid while this reader is used. `limit` (at least
  // 16) is the longest piece handed out.
  explicit LineReader(std::istream &in, std::size_t limit = 64 * 1024);

  // The next line without its newline, or the next piece of a longer one; false at the
  // end of the input. `*line_ended` says whether the text ends at a line break (or the
  // end of the input) or continues in the next piece. A piece is cut after the last
  // blank within the limit, else (a word longer than the limit) at the limit, never
  // inside a UTF-8 character. The view stays valid until the next call.
  bool next(std::string_view *line, bool *line_ended);

 private:
  std::istream &in_;
  std::size_t limit_;
  std::vector<char> buffer_;
  std::size_t begin_ = 0, end_ = 0;
  bool eof_ = false;
};

}  // namespace vornik
