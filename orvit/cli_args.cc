// Option value parsing, the trainers' argument loop and error reports for the
// command-line programs.
#include "orvit/cli_args.h"

#include <cerrno>
#include <charconv>
#include <cstdio>
#include <cstring>

#include "orvit/error.h"
#include "orvit/file_io.h"
#include "vornik/version.h"

namespace orvit {

bool parse_positive_int(std::string_view text, int &out) {
  if (text.empty()) return false;
  auto [p, ec] = std::from_chars(text.data(), text.data() + text.size(), out);
  return ec == std::errc() && p == text.data() + text.size() && out > 0;
}

bool parse_beam(std::string_view text, double &out) {
  if (text.empty()) return false;
  auto [p, ec] = std::from_chars(text.data(), text.data() + text.size(), out);
  return ec == std::errc() && p == text.data() + text.size() && out >= 1;
}

int usage_error(const char *program, const char *usage, const std::string &what) {
  std::fprintf(stderr, "%s: %s\n%s", program, what.c_str(), usage);
  return 2;
}

int help_or_version(std::string_view arg, const char *program, const char *help) {
  if (arg == "-h" || arg == "--help") {
    std::fputs(help, stdout);
    return 0;
  }
  if (arg != "--version") return -1;
  std::printf("%s %s\n", program, VORNIK_VERSION);
  return 0;
}

int parse_trainer_args(int argc, char **argv, const TrainerArgs &line,
                       const std::function<std::string(char, std::string_view)> &option,
                       std::string positional[2]) {
  const auto refuse = [&](const std::string &what) {
    return usage_error(line.program, line.usage, what);
  };
  int count = 0;
  for (int i = 1; i < argc; ++i) {
    const std::string_view arg = argv[i];
    if (const int status = help_or_version(arg, line.program, line.help); status >= 0)
      return status;
    if (arg.size() == 2 && arg[0] == '-' && std::strchr(line.value_options, arg[1])) {
      if (i + 1 == argc) return refuse("option " + std::string(arg) + " needs a value");
      if (const std::string fault = option(arg[1], argv[++i]); !fault.empty()) return refuse(fault);
      continue;
    }
    if (arg.size() > 1 && arg[0] == '-') return refuse("unknown option " + std::string(arg));
    if (count == 2) return refuse("too many arguments");
    positional[count++] = std::string(arg);
  }
  return count == 2 ? -1 : refuse(line.missing);
}

int run_reporting_errors(const char *program, const std::function<void()> &work) {
  try {
    work();
  } catch (const Error &e) {
    std::fprintf(stderr, "%s: %s\n", program, e.what());
    return 1;
  }
  return 0;
}

void print_all(std::string_view text) {
  if (!write_all(1, text)) throw Error(std::string("write error: ") + std::strerror(errno));
}

}  // namespace orvit
