// Protocol loop: reads input into one growing buffer, tags every complete sentence in
// it and writes the replies in one go before reading more.
#include "orvit/stream_tagger.h"

#include <cerrno>
#include <cstring>
#include <unistd.h>

#include "orvit/file_io.h"
#include "orvit/text_scan.h"

// Only then is more input read, so a client waiting for a reply never deadlocks while
// big files still need few system calls.

namespace orvit {

StreamTagger::StreamTagger(SentenceTagger& tagger) : tagger_(tagger), buf_(1 << 16) {}

void StreamTagger::take_line(size_t begin, size_t end) {
  std::string_view line(buf_.data() + begin, end - begin);
  if (is_comment(line)) return;
  std::string_view token = first_column(line);
  if (token.empty()) {
    end_sentence();
    return;
  }
  tokens_.emplace_back(static_cast<size_t>(token.data() - buf_.data()), token.size());
}

void StreamTagger::end_sentence() {
  if (tokens_.empty()) return;
  views_.clear();
  for (const auto& [off, len] : tokens_) views_.emplace_back(buf_.data() + off, len);
  const std::vector<uint16_t>& tags = tagger_.tag(views_);
  for (size_t i = 0; i < views_.size(); ++i) {
    out_.append(views_[i]);
    out_ += '\t';
    out_.append(tagger_.tag_name(tags[i]));
    out_ += '\n';
  }
  out_ += '\n';
  tokens_.clear();
}

bool StreamTagger::run(int in_fd, int out_fd, std::string* error) {
  size_t scan = 0, end = 0;
  for (;;) {
    while (scan < end) {
      const char* nl = static_cast<const char*>(std::memchr(buf_.data() + scan, '\n', end - scan));
      if (!nl) break;
      size_t line_end = static_cast<size_t>(nl - buf_.data());
      take_line(scan, line_end);
      scan = line_end + 1;
    }
    if (!out_.empty()) {
      if (!write_all(out_fd, out_)) {
        *error = std::string("write error: ") + std::strerror(errno);
        return false;
      }
      out_.clear();
    }
    // Keep only the unfinished sentence and line at the front of the buffer.
    size_t keep = tokens_.empty() ? scan : tokens_.front().first;
    if (keep > 0) {
      std::memmove(buf_.data(), buf_.data() + keep, end - keep);
      for (auto& token : tokens_) token.first -= keep;
      scan -= keep;
      end -= keep;
    }
    if (end == buf_.size()) buf_.resize(buf_.size() * 2);
    ssize_t n = ::read(in_fd, buf_.data() + end, buf_.size() - end);
    if (n < 0) {
      if (errno == EINTR) continue;
      *error = std::string("read error: ") + std::strerror(errno);
      return false;
    }
    if (n == 0) break;
    end += static_cast<size_t>(n);
  }
  // End of input: a last line without newline, then the last sentence.
  if (scan < end) take_line(scan, end);
  end_sentence();
  if (!out_.empty() && !write_all(out_fd, out_)) {
    *error = std::string("write error: ") + std::strerror(errno);
    return false;
  }
  out_.clear();
  return true;
}

}  // namespace orvit
