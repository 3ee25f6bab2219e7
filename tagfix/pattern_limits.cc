// Checking a tag-fix word pattern against the limits of pattern_limits.h with one
// pass over its text: atoms are counted, groups remember the count at their start,
// and a repetition multiplies the size of its operand (an atom, or a whole group).
#include "tagfix/pattern_limits.h"

#include <cstring>
#include <vector>

namespace {
bool is_digit(char c) { return c >= '0' && c <= '9'; }

// Reads the number at `p` (at most a few digits are looked at); -1 if none.
int read_count(const char *&p) {
  if (!is_digit(*p)) return -1;
  int value = 0;
  while (is_digit(*p)) {
    if (value <= kMaxRepeatCount) value = value * 10 + (*p - '0');
    ++p;
  }
  return value;
}

// Skips a bracket expression starting at `p` (on its "["); returns the byte after its
// "]", or the string end when it is not closed (regcomp reports that).
const char *skip_bracket(const char *p) {
  ++p;
  if (*p == '^') ++p;
  if (*p == ']') ++p;  // a "]" first in the list is an ordinary member
  while (*p && *p != ']') {
    if (*p == '[' && (p[1] == ':' || p[1] == '.' || p[1] == '=')) {
      const char close[3] = {p[1], ']', '\0'};
      const char *end = std::strstr(p + 2, close);
      if (!end) return p + std::strlen(p);
      p = end + 2;
    } else {
      ++p;
    }
  }
  return *p ? p + 1 : p;
}
}  // namespace

const char *pattern_fault(const char *pattern) {
  if (std::strlen(pattern) > static_cast<std::size_t>(kMaxPatternBytes))
    return "longer than 256 bytes";
  long total = 0;  // atoms so far, with repetitions written out
  long last = 0;   // atoms of the operand a repetition would apply to
  int repetitions = 0;
  std::vector<long> group_start;  // `total` at each open "("
  for (const char *p = pattern; *p;) {
    const char c = *p;
    long multiplier = 1;
    if (c == '\\') {
      if (p[1] >= '1' && p[1] <= '9') return "back-references (\\1 to \\9) are not allowed";
      p += p[1] ? 2 : 1;
      last = 1;
      ++total;
      continue;
    }
    if (c == '[') {
      p = skip_bracket(p);
      last = 1;
      ++total;
      continue;
    }
    if (c == '(') {
      group_start.push_back(total);
      last = 0;
      ++p;
      continue;
    }
    if (c == ')' && !group_start.empty()) {
      last = total - group_start.back();
      group_start.pop_back();
      ++p;
      continue;
    }
    if (c == '|') {
      last = 0;
      ++p;
      continue;
    }
    if (c == '*' || c == '?') {
      ++p;
    } else if (c == '+') {  // regcomp writes x+ as xx*: the operand is copied
      multiplier = 2;
      ++p;
    } else if (c == '{' && is_digit(p[1])) {
      const char *q = p + 1;
      const int low = read_count(q);
      int high = low;
      bool open_end = false;
      if (*q == ',') {
        ++q;
        open_end = !is_digit(*q);
        if (!open_end) high = read_count(q);
      }
      if (*q != '}') {  // not an interval: regcomp decides what it is
        last = 1;
        ++total;
        ++p;
        continue;
      }
      if (low > kMaxRepeatCount || high > kMaxRepeatCount) return "a repetition count above 100";
      multiplier = open_end ? low + 1 : (high > low ? high : low);
      if (multiplier < 1) multiplier = 1;
      p = q + 1;
    } else {
      last = 1;
      ++total;
      ++p;
      continue;
    }
    if (++repetitions > kMaxRepetitions) return "more than 32 repetition operators";
    total += last * (multiplier - 1);
    last *= multiplier;
    if (total > kMaxExpandedAtoms) break;
  }
  if (total > kMaxExpandedAtoms) return "more than 256 atoms once its repetition counts are written out";
  return nullptr;
}
