// What a user gets: vornik-en (raw text by default, -T, its messages); every program,
// model and page installed under any prefix and working from there; manual pages that
// are clean roff and list the options their program's --help lists.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <regex>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "support/run_vornik.h"
#include "vornik/version.h"

namespace {
namespace fs = std::filesystem;

const std::string kSource = SOURCE_DIR, kBuild = BUILD_DIR;

// A PATH without the build folder, so only what was installed can run.
const Env kPlainEnv = {{"PATH", "/usr/bin:/bin"}, {"CHUNKPATH", "/nonexistent"}};

TEST(Install, EveryProgramModelPageAndTheWrapperUnderAnyPrefix) {
  ScratchDir dir;
  const std::string prefix = dir.path() + "/some prefix";
  const RunResult install = run_program({CMAKE_COMMAND, "--install", kBuild, "--prefix", prefix});
  ASSERT_EQ(install.status, 0) << install.out << install.err;
  for (const char *model : {"en-pos", "en-chunk", "en-chunk.fix"})
    EXPECT_TRUE(fs::exists(prefix + "/share/vornik/models/" + model)) << model;
  // Every page, and the program of every section-1 page (all programs have one).
  for (const auto &page : fs::directory_iterator(kSource + "/man")) {
    const std::string name = page.path().filename(), section = page.path().extension();
    if (section != ".1" && section != ".5") continue;
    EXPECT_TRUE(fs::exists(prefix + "/share/man/man" + section.substr(1) + "/" + name)) << name;
    if (section == ".1") {
      EXPECT_TRUE(fs::exists(prefix + "/bin/" + page.path().stem().string())) << name;
    }
  }

  // Installed, through a link from elsewhere, with no build folder on PATH and a
  // CHUNKPATH that would mislead vornik: the same output as from the source tree.
  fs::create_symlink(prefix + "/bin/vornik-en", dir.path() + "/chunk-english");
  const RunResult source =
      run_program({kBuild + "/vornik-en", "-v0", "-Oconll", kSource + "/examples/sample.txt"});
  ASSERT_EQ(source.status, 0) << source.err;
  EXPECT_TRUE(source.out.starts_with("The DT B-NP\nnew JJ I-NP\n")) << source.out;
  const RunResult installed = run_program(
      {dir.path() + "/chunk-english", "-v0", "-Oconll", kSource + "/examples/sample.txt"}, "",
      kPlainEnv);
  EXPECT_EQ(installed.status, 0) << installed.err;
  EXPECT_EQ(installed.out, source.out);
}

TEST(VornikEn, RawTextByDefaultTokenisedOnRequestAndClearMessages) {
  ScratchDir dir;
  const std::string bad_fix = dir.write("bad.fix", "bad\n");
  const std::string usage = "usage: vornik-en [options] [FILE]   (vornik-en --help for more)\n";
  const std::string one_field =
      "vornik: warning: input line 1 holds more than one field; only the first is read (one "
      "token per line expected: tokenise raw text with vornik-tokenize)\n";
  struct Case {
    std::vector<std::string> args;
    std::string input;
    int status;
    std::string out, err;  // err: its start
  };
  // clang-format off
  const Case cases[] = {
      {{"-v0", "-Oconll"}, "The bank rose.", 0,
       "The DT B-NP\nbank NN I-NP\nrose VBD B-VP\n. . O\n\n", ""},
      // Tokenised input read as such: the raw line is one token, with vornik's warning.
      {{"-T", "-v0", "-Oconll"}, "The bank rose.\n", 0, "The DT B-NP\n\n", one_field},
      {{"-v0", "-Oconll", "-I", "tags"}, "The DT\nbank NN\n", 0,
       "The DT B-NP\nbank NN I-NP\n\n", ""},
      {{"a", "b"}, "", 2, "", "vornik-en: one input file at most, got 2: a b\n" + usage},
      {{"-S"}, "", 2, "", "vornik-en: -S needs a port number\n" + usage},
      {{"/nonexistent"}, "", 2, "", "vornik-en: file '/nonexistent': No such file or directory\n"},
      {{"-T", "-v0", "/nonexistent"}, "", 2, "",
       "vornik: file '/nonexistent': No such file or directory\n"},
      // A tag-fix file of the user is read as named, whatever CHUNKPATH says.
      {{"-v0", "-f", bad_fix}, "x", 6, "", "vornik: Tagfix error in line 1\n"},
  };  // clang-format on
  for (const Case &c : cases) {
    std::vector<std::string> argv = {kBuild + "/vornik-en"};
    argv.insert(argv.end(), c.args.begin(), c.args.end());
    const RunResult r = run_program(argv, c.input, {{"CHUNKPATH", "/nonexistent"}});
    EXPECT_EQ(r.status, c.status) << ::testing::PrintToString(c.args) << r.err;
    EXPECT_EQ(r.out, c.out) << ::testing::PrintToString(c.args);
    EXPECT_EQ(r.err.substr(0, c.err.size()), c.err) << ::testing::PrintToString(c.args);
  }
  EXPECT_TRUE(run_program({kBuild + "/vornik-en", "--help"})
                  .out.starts_with("usage: vornik-en [options] [FILE]\n"));
}

// Options a --help text lists: the first words of its indented lines that start with
// "-" ("-T, --tokenized", "-Z<beam>"), and "(also --help)".
std::set<std::string> help_options(const std::string &help) {
  std::set<std::string> options;
  static const std::regex line(R"(^\s+(--?[A-Za-z][A-Za-z-]*)(?:, (--?[A-Za-z][A-Za-z-]*))?)");
  static const std::regex also(R"(\(also (--[a-z-]+)\))");
  std::istringstream in(help);
  for (std::string text; std::getline(in, text);) {
    std::smatch m;
    if (std::regex_search(text, m, line)) {
      options.insert(m[1]);
      if (m[2].matched) options.insert(m[2]);
    }
    if (std::regex_search(text, m, also)) options.insert(m[1]);
  }
  return options;
}

// Options a page's OPTIONS section lists: every option word on the line after a ".TP".
std::set<std::string> page_options(const std::string &page) {
  std::set<std::string> options;
  static const std::regex option(R"(\\-(\\-)?([A-Za-z][A-Za-z]*(?:\\-[a-z]+)*))");
  std::istringstream in(page);
  bool in_options = false, after_tp = false;
  for (std::string text; std::getline(in, text);) {
    if (text.starts_with(".SH")) in_options = text == ".SH OPTIONS";
    if (in_options && after_tp) {
      for (std::sregex_iterator it(text.begin(), text.end(), option), end; it != end; ++it) {
        std::string name = std::regex_replace((*it)[2].str(), std::regex(R"(\\-)"), "-");
        options.insert(((*it)[1].matched ? "--" : "-") +
                       name.substr(0, (*it)[1].matched ? name.size() : 1));
      }
    }
    after_tp = text == ".TP";
  }
  return options;
}

TEST(ManPages, CleanRoffTheOptionsOfTheProgramsHelpAndItsVersion) {
  std::string groff_path = run_program({"/bin/sh", "-c", "command -v groff"}).out;
  if (groff_path.empty())
    GTEST_SKIP() << "groff is not installed: the manual pages are not checked";
  groff_path.pop_back();  // the newline
  int pages = 0;
  for (const auto &entry : fs::directory_iterator(kSource + "/man")) {
    const fs::path path = entry.path();
    if (path.extension() != ".1" && path.extension() != ".5") continue;
    ++pages;
    const RunResult groff = run_program({groff_path, "-man", "-ww", "-z", path.string()});
    EXPECT_EQ(groff.status, 0) << path;
    EXPECT_EQ(groff.err, "") << path;
    const std::string program = kBuild + "/" + path.stem().string();
    if (path.extension() != ".1" || !fs::exists(program)) continue;
    const RunResult help = run_program({program, "--help"});
    EXPECT_EQ(help.status, 0) << program;
    std::ifstream in(path);
    const std::string page{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    EXPECT_EQ(page_options(page), help_options(help.out)) << path;
    const RunResult version = run_program({program, "--version"});
    EXPECT_EQ(version.status, 0) << program;
    EXPECT_EQ(version.out, path.stem().string() + " " VORNIK_VERSION "\n");
  }
  EXPECT_GE(pages, 9);
}
}  // namespace
