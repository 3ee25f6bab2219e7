// Small helpers for the command lines of orvit's and vornik's programs: numeric option
// values, usage errors, help and version, the trainers' argument loop and error reports.
#pragma once

#include <functional>
#include <string>
#include <string_view>

namespace orvit {

// Parses all of `text` as a positive integer; false if it is not one.
bool parse_positive_int(std::string_view text, int &out);
// Parses all of `text` as a number >= 1; false otherwise.
bool parse_beam(std::string_view text, double &out);
// Writes "<program>: <what>" and the usage line to stderr; returns the exit
// status for bad arguments (2).
int usage_error(const char *program, const char *usage, const std::string &what);
// For "-h" or "--help" writes `help` to stdout, for "--version" the line "<program>
// <project version>", and returns the exit status (0); returns -1 for any other
// argument.
int help_or_version(std::string_view arg, const char *program, const char *help);

// A trainer's command line: "PROGRAM [-X VALUE]... FIRST SECOND".
struct TrainerArgs {
  const char *program;
  const char *help;
  const char *usage;
  const char *value_options;  // the letters X of the options that take a value
  const char *missing;        // the complaint when FIRST or SECOND is missing
};
// Reads argv[1..argc) as `line` describes: -h, --help and --version are answered;
// each "-X VALUE" goes to `option(X, VALUE)`, which returns "" or what is wrong with
// the value; any other word starting with "-" is an unknown option; the rest, two
// at most, go to `positional`. Returns -1 when all is well, otherwise the exit
// status, after the help, the version or a usage error on stderr.
int parse_trainer_args(int argc, char **argv, const TrainerArgs &line,
                       const std::function<std::string(char, std::string_view)> &option,
                       std::string positional[2]);

// Runs `work` and returns the exit status: 0, or 1 after "<program>: <message>" on
// stderr when it throws Error.
int run_reporting_errors(const char *program, const std::function<void()> &work);
// Writes all of `text` to standard output; throws Error "write error: <reason>" when
// that fails.
void print_all(std::string_view text);

}  // namespace orvit
