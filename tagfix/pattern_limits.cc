// Checking a tag-fix word pattern against the limits of pattern_limits.h with one
// pass over its text: atoms are counted, groups remember the count at their start, a
// repetition multiplies the size of its operand (an atom, or a whole group), and
// whether each operand can match the empty string is followed through the groups.
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

// Whether the parts read so far can match the empty string: all elements of the branch
// before the last one, the last one (the operand a repetition applies to), and any
// branch of the group already closed by "|".
struct Nullable {
  bool before = true, last = true, some_branch = false;
  bool element = false;  // the branch has an element (a repetition has an operand)

  // A new element starts: the last one joins those before it.
  void next_element(bool nullable) {
    before = before && last;
    last = nullable;
    element = true;
  }
  void end_branch() {
    some_branch = some_branch || (before && last);
    before = last = true;
    element = false;
  }
  bool group() const { return some_branch || (before && last); }
};

// An escape that matches a position, not a character (an empty match): \b \B \< \>
// \` \'.
bool escape_is_anchor(char c) { return c != '\0' && std::strchr("bB<>`'", c) != nullptr; }
}  // namespace

const char *pattern_fault(const char *pattern) {
  if (std::strlen(pattern) > static_cast<std::size_t>(kMaxPatternBytes))
    return "longer than 256 bytes";
  long total = 0;  // atoms so far, with repetitions written out
  long last = 0;   // atoms of the operand a repetition would apply to
  int repetitions = 0;
  Nullable nullable;
  struct Open {
    long total;  // `total` at the "("
    Nullable outside;
  };
  std::vector<Open> groups;
  for (const char *p = pattern; *p;) {
    const char c = *p;
    long multiplier = 1;
    if (c == '\\') {
      if (p[1] >= '1' && p[1] <= '9') return "back-references (\\1 to \\9) are not allowed";
      nullable.next_element(escape_is_anchor(p[1]));
      p += p[1] ? 2 : 1;
      last = 1;
      ++total;
      continue;
    }
    if (c == '[') {
      p = skip_bracket(p);
      nullable.next_element(false);
      last = 1;
      ++total;
      continue;
    }
    if (c == '(') {
      nullable.next_element(false);  // the group's own value is set at its ")"
      groups.push_back({total, nullable});
      nullable = Nullable{};
      last = 0;
      ++p;
      continue;
    }
    if (c == ')' && !groups.empty()) {
      last = total - groups.back().total;
      const bool empty_match = nullable.group();
      nullable = groups.back().outside;
      nullable.last = empty_match;
      groups.pop_back();
      ++p;
      continue;
    }
    if (c == '|') {
      nullable.end_branch();
      last = 0;
      ++p;
      continue;
    }
    bool loop = false, may_skip = false;  // repeats its operand; allows zero copies
    if (c == '*' || c == '?') {
      loop = c == '*';
      may_skip = true;
      ++p;
    } else if (c == '+') {  // regcomp writes x+ as xx*: the operand is copied
      loop = true;
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
        nullable.next_element(false);
        last = 1;
        ++total;
        ++p;
        continue;
      }
      if (low > kMaxRepeatCount || high > kMaxRepeatCount) return "a repetition count above 100";
      multiplier = open_end ? low + 1 : (high > low ? high : low);
      if (multiplier < 1) multiplier = 1;
      loop = open_end || high > 1;
      may_skip = low == 0;
      p = q + 1;
    } else {
      nullable.next_element(c == '^' || c == '$');
      last = 1;
      ++total;
      ++p;
      continue;
    }
    if (++repetitions > kMaxRepetitions) return "more than 32 repetition operators";
    // glibc's regcomp takes time exponential in the count for a loop over a part that
    // can match nothing, once that loop is made optional and repeated
    // ("(a?*)?{0,20}": seconds; {0,90}: for ever). Such a loop adds nothing ("(a?)*" is
    // "a*"), so it is refused wherever it stands.
    if (loop && nullable.element && nullable.last)
      return "repeats a part that can match the empty string";
    nullable.last = nullable.last || may_skip;
    total += last * (multiplier - 1);
    last *= multiplier;
    if (total > kMaxExpandedAtoms) break;
  }
  if (total > kMaxExpandedAtoms)
    return "more than 256 atoms once its repetition counts are written out";
  return nullptr;
}
