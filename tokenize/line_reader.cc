// Line reading over a fixed buffer of twice the piece limit: lines are found with
// memchr and handed out in place; the rest is moved to the front before each refill.
#include "tokenize/line_reader.h"

#include <cstring>

namespace vornik {

LineReader::LineReader(std::istream &in, std::size_t limit)
    : in_(in), limit_(limit < 16 ? 16 : limit), buffer_(2 * limit_) {}

bool LineReader::next(std::string_view *line, bool *line_ended) {
  for (;;) {
    const char *data = buffer_.data() + begin_;
    std::size_t available = end_ - begin_;
    std::size_t scan = available < limit_ ? available : limit_;
    if (const void *nl = std::memchr(data, '\n', scan)) {
      std::size_t length = static_cast<const char *>(nl) - data;
      *line = {data, length};
      *line_ended = true;
      begin_ += length + 1;
      return true;
    }
    if (available > limit_) {  // one byte past the limit shows whether a character goes on
      // No line break within the limit: cut after the last blank, else at the limit.
      std::size_t cut = limit_;
      while (cut > 0 && data[cut - 1] != ' ' && data[cut - 1] != '\t') --cut;
      if (cut == 0) {
        cut = limit_;
        while (cut > 1 && (static_cast<unsigned char>(data[cut]) & 0xC0) == 0x80) --cut;
      }
      *line = {data, cut};
      *line_ended = false;
      begin_ += cut;
      return true;
    }
    if (eof_) {
      if (available == 0) return false;
      *line = {data, available};
      *line_ended = true;
      begin_ = end_;
      return true;
    }
    std::memmove(buffer_.data(), data, available);
    begin_ = 0;
    end_ = available;
    in_.read(buffer_.data() + end_, static_cast<std::streamsize>(buffer_.size() - end_));
    end_ += static_cast<std::size_t>(in_.gcount());
    if (!in_) eof_ = true;
  }
}

}  // namespace vornik
