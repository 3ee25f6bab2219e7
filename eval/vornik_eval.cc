// vornik-eval: scores vornik's output (bracketing, LISP or export format) against a
// CoNLL-2000 gold file: POS accuracy, and chunk precision, recall and F1 per chunk type.
// The work is done by evaluate(); this file only reads the arguments and the files.
#include <cstdio>
#include <string>
#include <string_view>
#include <vector>

#include "eval/evaluation.h"
#include "orvit/cli_args.h"
#include "orvit/file_io.h"

namespace vornik {
namespace {

const char kUsage[] =
    "usage: vornik-eval GOLD OUTPUT   (either may be - for standard input, not both)\n";
const char kHelp[] =
    "usage: vornik-eval GOLD OUTPUT\n"
    "Scores OUTPUT, what vornik printed for the words of GOLD (bracketing, -Olisp or\n"
    "-Onegra, told apart automatically), against GOLD, a CoNLL-2000 file: \"word POS\n"
    "chunk\" rows with IOB2 chunk tags, a blank line between sentences. Either file may\n"
    "be - for standard input, not both. Prints the POS accuracy and chunk precision,\n"
    "recall and F1 per chunk type and overall; a chunk is correct when its type, first\n"
    "and last word are those of a gold chunk. Chunks are the runs of words directly\n"
    "below a phrase node.\n"
    "  -h, --help  show this help\n"
    "  --version   show the version\n";

std::string display_name(const std::string &path) { return path == "-" ? "<stdin>" : path; }

int eval_main(int argc, char **argv) {
  const std::vector<std::string> args(argv + 1, argv + argc);
  for (const std::string &arg : args) {
    if (const int status = orvit::help_or_version(arg, "vornik-eval", kHelp); status >= 0)
      return status;
    if (arg.size() > 1 && arg[0] == '-')
      return orvit::usage_error("vornik-eval", kUsage, "unknown option " + arg);
  }
  if (args.size() != 2) {
    std::fputs(kUsage, stderr);
    return 2;
  }
  if (args[0] == "-" && args[1] == "-")
    return orvit::usage_error("vornik-eval", kUsage,
                              "GOLD and OUTPUT cannot both be standard input");
  return orvit::run_reporting_errors("vornik-eval", [&] {
    const std::string gold = orvit::read_file(args[0]), output = orvit::read_file(args[1]);
    orvit::print_all(evaluate(display_name(args[0]), gold, display_name(args[1]), output));
  });
}

}  // namespace
}  // namespace vornik

int main(int argc, char **argv) { return vornik::eval_main(argc, argv); }
