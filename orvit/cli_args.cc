// Option value parsing for the command-line programs.
#include "orvit/cli_args.h"

#include <charconv>
#include <cstdio>

#include "vornik/version.h"

namespace orvit {

bool parse_positive_int(std::string_view text, int& out) {
  if (text.empty()) return false;
  auto [p, ec] = std::from_chars(text.data(), text.data() + text.size(), out);
  return ec == std::errc() && p == text.data() + text.size() && out > 0;
}

bool parse_beam(std::string_view text, double& out) {
  if (text.empty()) return false;
  auto [p, ec] = std::from_chars(text.data(), text.data() + text.size(), out);
  return ec == std::errc() && p == text.data() + text.size() && out >= 1;
}

int usage_error(const char* program, const char* usage, const std::string& what) {
  std::fprintf(stderr, "%s: %s\n%s", program, what.c_str(), usage);
  return 2;
}

int help_or_version(std::string_view arg, const char* program, const char* help) {
  if (arg == "-h" || arg == "--help") {
    std::fputs(help, stdout);
    return 0;
  }
  if (arg != "--version") return -1;
  std::printf("%s %s\n", program, VORNIK_VERSION);
  return 0;
}

}  // namespace orvit
