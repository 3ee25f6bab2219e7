// In-place column splitting and the markup-line test used by every line reader
// (words mode, tags mode and the tagger replies).
#include "driver/ws_inout.h"

#include <array>

namespace {
constexpr int kMaxColumns = 256;

// The whitespace bytes by value, looked up for every byte of every line read.
constexpr auto kSpace = [] {
  std::array<bool, 256> space{};
  for (const unsigned char c : {' ', '\t', '\n', '\v', '\f', '\r'}) space[c] = true;
  return space;
}();

bool is_space(char c) { return kSpace[static_cast<unsigned char>(c)]; }
}  // namespace

int nspalten(char *line, char **column, int max) {
  if (max > kMaxColumns) max = kMaxColumns;
  int n = 0;
  char *p = line;
  while (*p && n < max) {
    while (is_space(*p)) ++p;
    if (!*p) break;
    column[n++] = p;
    while (*p && !is_space(*p)) ++p;
    if (*p) *p++ = '\0';
  }
  while (is_space(*p)) ++p;
  if (*p) {
    // The rest of the line, inner whitespace included, is one more column.
    column[n++] = p;
    char *end = p;
    while (*end) ++end;
    while (end > p && is_space(end[-1])) --end;
    *end = '\0';
  }
  column[n] = nullptr;
  return n;
}

char *next_col(char *string, char **rest) {
  while (is_space(*string)) ++string;
  char *end = string;
  while (*end && !is_space(*end)) ++end;
  if (*end) {
    *end = '\0';
    *rest = end + 1;
  } else {
    *rest = end;
  }
  return string;
}

int is_sgml(const char *string) {
  if (!string) return 0;
  while (is_space(*string)) ++string;
  if (*string != '<') return 0;
  while (*string && *string != '>') ++string;
  if (!*string) return 0;
  for (++string; *string; ++string) {
    if (!is_space(*string)) return 0;
  }
  return 1;
}
