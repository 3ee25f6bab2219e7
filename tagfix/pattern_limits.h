// Limits on the word patterns of tag-fix rules, checked before a pattern is compiled,
// so that a short hostile pattern cannot take seconds or gigabytes.
#pragma once

// glibc's regcomp accepts back-references and expands bounded repetitions by copying.

// A pattern is at most this many bytes long.
constexpr int kMaxPatternBytes = 256;
// At most this many repetition operators (*, +, ?, {m,n}) in one pattern.
constexpr int kMaxRepetitions = 32;
// A count in {m}, {m,} or {m,n} is at most this.
constexpr int kMaxRepeatCount = 100;
// The pattern with every {m,n} written out (its operand copied n times, or m + 1
// times for {m,}) and every x+ as xx* has at most this many atoms (characters, ".",
// bracket expressions, anchors); nested and stacked repetitions multiply.
constexpr int kMaxExpandedAtoms = 256;

// Takes a pattern in POSIX extended syntax; returns null when it is within the limits
// above and uses no back-reference (\1 to \9), else the reason it is refused (a static
// text). Syntax errors are left to regcomp.
const char *pattern_fault(const char *pattern);
