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
// Writes "<program> <project version>" to stdout for --version; returns the exit
// status (0).
int print_version(const char* program);

}  // namespace orvit
