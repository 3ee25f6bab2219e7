// Small helpers for the command lines of orvit's programs: numeric option
// values attached to the flag ("-Z1000") or given as the next argument.
#pragma once

#include <string>
#include <string_view>

namespace orvit {

// Parses all of `text` as a positive integer; false if it is not one.
bool parse_positive_int(std::string_view text, int& out);
// Parses all of `text` as a number >= 1; false otherwise.
bool parse_beam(std::string_view text, double& out);
// Writes "<program>: <what>" and the usage line to stderr; returns the exit
// status for bad arguments (2).
int usage_error(const char* program, const char* usage, const std::string& what);
// For "-h" or "--help" writes `help` to stdout, for "--version" the line "<program>
// <project version>", and returns the exit status (0); returns -1 for any other
// argument.
int help_or_version(std::string_view arg, const char* program, const char* help);

}  // namespace orvit
