// Argument handling and error reporting of vornik-tokenize around tokenize(): options,
// the input file or standard input, statuses.
#include "tokenize/command.h"

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>

#include "tokenize/tokenizer.h"
#include "vornik/version.h"

namespace vornik {

const char kUsage[] =
    "usage: vornik-tokenize [options] [FILE]\n"
    "Splits raw English text (UTF-8 or Latin-1) into Penn Treebank tokens, one per line,\n"
    "with an empty line after each sentence: the input format of vornik. Reads FILE, or\n"
    "standard input when FILE is - or missing.\n"
    "options:\n"
    "   -b, --brackets : write ( ) [ ] { } as they are, not -LRB- -RRB- -LSB- -RSB- -LCB- -RCB-\n"
    "   -h, --help     : show this message\n"
    "   --version      : show the version\n";

namespace {

int usage_error(std::ostream &err, const std::string &what) {
  err << "vornik-tokenize: " << what << "\n" << kUsage;
  return 100;
}

int file_error(std::ostream &err, const std::string &name, const char *reason) {
  err << "vornik-tokenize: file '" << name << "': " << reason << "\n";
  return 2;
}

}  // namespace

int tokenize_command(const std::vector<std::string> &args, std::istream &in, std::ostream &out,
                     std::ostream &err) {
  TokenizeOptions options;
  const std::string *file = nullptr;
  for (const std::string &arg : args) {
    if (arg == "-h" || arg == "--help") {
      out << kUsage;
      return 0;
    }
    if (arg == "--version") {
      out << "vornik-tokenize " VORNIK_VERSION "\n";
      return 0;
    }
    if (arg == "-b" || arg == "--brackets") {
      options.plain_brackets = true;
    } else if (arg.size() > 1 && arg[0] == '-') {
      return usage_error(err, "unknown option '" + arg + "'");
    } else if (file) {
      return usage_error(err, "one input file at most, got '" + *file + "' and '" + arg + "'");
    } else {
      file = &arg;
    }
  }

  std::ifstream stream;
  std::istream *input = &in;
  std::string name = "-";
  if (file && *file != "-") {
    name = *file;
    std::error_code ec;
    if (std::filesystem::is_directory(name, ec))
      return file_error(err, name, std::strerror(EISDIR));
    stream.open(name, std::ios::binary);
    if (!stream) return file_error(err, name, std::strerror(errno));
    input = &stream;
  }
  if (!tokenize(*input, out, options)) return file_error(err, name, "read error");
  if (!out) {
    err << "vornik-tokenize: cannot write the output\n";
    return 1;
  }
  return 0;
}

}  // namespace vornik
