// Whole-file reading and full writes on raw file descriptors, used by the
// trainer, the model loader and the tools.
#pragma once

#include <string>
#include <string_view>

namespace orvit {

// Reads all of `path`; throws Error naming the file. "-" means standard
// input unless `dash_is_stdin` is false.
std::string read_file(const std::string& path, bool dash_is_stdin = true);

// Writes `data` to the file at `path` (created or emptied; "-" is standard output);
// throws Error "PATH: reason" on failure.
void write_file(const std::string& path, std::string_view data);

// Writes all of `data` to `fd`, retrying short writes; false on failure.
bool write_all(int fd, std::string_view data);

// Calls `fn(line, number)` for each line of `text` (1-based numbers); the
// last line may lack its newline.
template <typename Fn>
void for_each_line(std::string_view text, Fn&& fn) {
  long number = 0;
  size_t pos = 0;
  while (pos < text.size()) {
    size_t nl = text.find('\n', pos);
    if (nl == std::string_view::npos) nl = text.size();
    fn(text.substr(pos, nl - pos), ++number);
    pos = nl + 1;
  }
}

}  // namespace orvit
