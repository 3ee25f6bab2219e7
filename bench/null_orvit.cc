// A stand-in for the tagger program that answers every token at once with a fixed tag:
// first on PATH, it measures what the pipes and vornik cost without tagging (bench/run).
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <string>
#include <string_view>
#include <unistd.h>
#include <vector>

// Usage as orvit's: orvit [-Z<beam>] MODEL INPUT. The chunk role ("chunk" in the model
// file's base name, or a -Z option) answers "O/1/X/_", the POS role "NN".

namespace {

// Space, tab, newline, vertical tab, form feed, carriage return.
bool is_space(char c) { return c == ' ' || (c >= '\t' && c <= '\r'); }

bool write_all(int fd, const std::string &text) {
  std::size_t done = 0;
  while (done < text.size()) {
    const ssize_t n = ::write(fd, text.data() + done, text.size() - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    done += static_cast<std::size_t>(n);
  }
  return true;
}

}  // namespace

int main(int argc, char **argv) {
  if (argc < 3) {
    std::fputs("usage: orvit [-Z<beam>] MODEL INPUT\n", stderr);
    return 2;
  }
  const char *model = argv[argc - 2];
  const char *base = std::strrchr(model, '/');
  bool chunk = std::strstr(base ? base + 1 : model, "chunk") != nullptr;
  for (int i = 1; i < argc - 2; ++i) chunk = chunk || std::strncmp(argv[i], "-Z", 2) == 0;
  const std::string_view tag = chunk ? "\tO/1/X/_\n" : "\tNN\n";

  int in_fd = 0;
  if (std::strcmp(argv[argc - 1], "-") != 0) {
    in_fd = ::open(argv[argc - 1], O_RDONLY | O_CLOEXEC);
    if (in_fd < 0) {
      std::fprintf(stderr, "orvit: %s: %s\n", argv[argc - 1], std::strerror(errno));
      return 1;
    }
  }

  std::vector<char> buf(1 << 16);
  std::size_t end = 0;  // bytes in buf; buf[0, end) starts with an unfinished line
  std::string out;      // the answer of the sentence being read
  // One line: a comment is skipped, a blank line answers the sentence in one write.
  auto take_line = [&](const char *line, std::size_t length) {
    if (length >= 2 && line[0] == '%' && line[1] == '%') return true;
    std::size_t begin = 0;
    while (begin < length && is_space(line[begin])) ++begin;
    std::size_t stop = begin;
    while (stop < length && !is_space(line[stop])) ++stop;
    if (stop > begin) {
      out.append(line + begin, stop - begin);
      out.append(tag);
      return true;
    }
    if (out.empty()) return true;
    out += '\n';
    const bool written = write_all(1, out);
    out.clear();
    return written;
  };

  for (;;) {
    if (end == buf.size()) buf.resize(2 * buf.size());
    const ssize_t n = ::read(in_fd, buf.data() + end, buf.size() - end);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) {
      std::fprintf(stderr, "orvit: read error: %s\n", std::strerror(errno));
      return 1;
    }
    if (n == 0) break;
    end += static_cast<std::size_t>(n);
    std::size_t scan = 0;
    while (const void *nl = std::memchr(buf.data() + scan, '\n', end - scan)) {
      const std::size_t line_end = static_cast<const char *>(nl) - buf.data();
      if (!take_line(buf.data() + scan, line_end - scan)) return 1;
      scan = line_end + 1;
    }
    std::memmove(buf.data(), buf.data() + scan, end - scan);
    end -= scan;
  }
  // End of input ends the last line and the last sentence.
  return take_line(buf.data(), end) && take_line("", 0) ? 0 : 1;
}
