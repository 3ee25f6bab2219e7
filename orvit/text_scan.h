// Splitting of input lines into whitespace-separated columns, shared by the
// tagger, the trainer and the tools so all agree on what a token is.
#pragma once

#include <string_view>

namespace orvit {

// Space, tab, newline, vertical tab, form feed and carriage return.
inline bool is_space(char c) {
  return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

// Returns the next column of `line` starting at `pos` and moves `pos` past
// it; returns an empty view when no column is left.
inline std::string_view next_column(std::string_view line, size_t& pos) {
  size_t i = pos;
  while (i < line.size() && is_space(line[i])) ++i;
  size_t start = i;
  while (i < line.size() && !is_space(line[i])) ++i;
  pos = i;
  return line.substr(start, i - start);
}

// The first column of `line` (empty for a blank line).
inline std::string_view first_column(std::string_view line) {
  size_t pos = 0;
  return next_column(line, pos);
}

// Comment lines start with "%%": they are skipped by every reader.
inline bool is_comment(std::string_view line) {
  return line.size() >= 2 && line[0] == '%' && line[1] == '%';
}

}  // namespace orvit
