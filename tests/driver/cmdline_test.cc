// The command line end to end: usage text, error messages and exit statuses, the
// banner and option order.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "driver/error.h"
#include "driver/linkdate.h"
#include "support/run_vornik.h"
#include "vornik/version.h"

namespace {
const std::string banner = std::string(version) + " Date: " + link_date + "\n";
const std::string usage = usage_text;

std::string bad_j(const std::string &value) {
  const std::string wants =
      "vornik: ERROR: -j wants the number of tagger pipelines, a whole number from 1 to 64, ";
  return wants + "not \"" + value + "\"\n" + usage;
}

TEST(Cmdline, StatusesAndMessages) {
  struct Case {
    std::vector<std::string> args;
    int status;
    std::string err, out = "";
  };
  const std::string missing = "/nonexistent/input.txt";
  const std::string long_name = "/nonexistent/" + std::string(300, 'n'), long_fix(600, 'f');
  const std::string no_file = ": No such file or directory\n";
  const Case cases[] = {
      // clang-format off
      {{}, 4, banner + "vornik: ERROR: too few arguments\n" + usage},
      {{"-vnone", "p", "c"}, 4, "vornik: ERROR: too few arguments\n" + usage},
      {{"-v0", "p", "c", "in", "extra"}, 5, "vornik: ERROR: too many arguments\n" + usage},
      {{"-v0", "-Itags", "c", "in", "extra"}, 5, "vornik: ERROR: too many arguments\n" + usage},
      {{"-v0", "-Itags", "c"}, 4, "vornik: ERROR: too few arguments\n" + usage},
      {{"-h"}, 100, usage},
      {{"-t", "anything", "p", "c", "-"}, 100, usage},
      {{"-ITags"}, 7, "vornik: ERROR: wrong I/O option\n" + usage},
      {{"-Oxml", "-h"}, 7, "vornik: ERROR: wrong I/O option\n" + usage},
      {{"-h", "-Oxml"}, 100, usage},
      {{"-Oxml", "--help"}, 7, "vornik: ERROR: wrong I/O option\n" + usage},
      {{"-v", " -0", "p", "c", missing}, 2, "vornik: file '" + missing + "'" + no_file},
      // Long file names are cut in the message; an overlong tag-fix path is rejected.
      {{"-v0", "p", "c", long_name}, 2,
       "vornik: file '" + long_name.substr(0, 244) + "...'" + no_file},
      {{"-v0", "-f", long_fix, "p", "c", "-"}, 2,
       "vornik: tag-fix file path longer than 499 characters: " + long_fix + "\n"},
      {{"-j0", "p", "c", "-"}, 100, bad_j("0")},
      {{"-j65", "p", "c", "-"}, 100, bad_j("65")},
      {{"-j2x", "p", "c", "-"}, 100, bad_j("2x")},
      {{"-j", "+2", "p", "c", "-"}, 100, bad_j("+2")},
      {{"-j", "", "p", "c", "-"}, 100, bad_j("")},
      // Help and version go to standard output with status 0.
      {{"--help"}, 0, "", usage + usage_more},
      {{"-v0", "--help", "-Oxml"}, 0, "", usage + usage_more},
      {{"--version"}, 0, "", "vornik " VORNIK_VERSION "\n"},
      {{"-u", "--version", "p", "c", "-"}, 0, "", "vornik " VORNIK_VERSION "\n"},
  };  // clang-format on
  for (const Case &c : cases) {
    const RunResult r = run_vornik(c.args);
    EXPECT_EQ(r.status, c.status) << ::testing::PrintToString(c.args);
    EXPECT_EQ(r.err, c.err) << ::testing::PrintToString(c.args);
    EXPECT_EQ(r.out, c.out) << ::testing::PrintToString(c.args);
  }
  // getopt's own complaints come before the usage.
  for (const std::vector<std::string> &args : {std::vector<std::string>{"-x"}, {"-f"}, {"-Z"}}) {
    const RunResult r = run_vornik(args);
    EXPECT_EQ(r.status, 100) << args[0];
    ASSERT_GT(r.err.size(), usage.size()) << args[0];
    EXPECT_EQ(r.err.substr(r.err.size() - usage.size()), usage) << args[0];
    EXPECT_NE(r.err.find(args[0] == "-x" ? "invalid option" : "requires an argument"),
              std::string::npos)
        << args[0];
  }
}
}  // namespace
