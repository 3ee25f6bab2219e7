// Several tagger pipelines against one: on inputs that touch every stream and in every
// output mode, -j 2 and -j 7 give the standard output, standard error and exit status of
// -j 1, with the stand-in taggers answering out of order after random delays.
#include <gtest/gtest.h>

#include <regex>
#include <string>
#include <vector>

#include "support/run_vornik.h"

namespace {
// Sentences of 0 to 14 words over a small vocabulary, with markup lines, markup-only
// groups, comment lines, runs of blank lines, a 600-word sentence, a line longer than
// the 999-byte line buffer and `special` as the only word of sentence 23.
std::string mixed_input(bool tags, const std::string &special) {
  const char *vocabulary[] = {"The", "cat", "sat",   "on",  "the",
                              "mat", "and", "%%odd", "dog", "ran"};
  const char *pos[] = {"DT", "NN", "VBD", "IN", "DT", "NN", "CC", "SYM", "NN", "VBD"};
  auto token = [&](int k) {
    return std::string(vocabulary[k % 10]) + (tags ? std::string(" ") + pos[k % 10] : "") + "\n";
  };
  std::string text = "\n \t\n%% a comment before anything\n";
  for (int s = 0; s < 40; ++s) {
    if (s % 7 == 3) text += "<p>\n\n";  // a markup-only group
    if (s % 5 == 0) text += "<s id=\"" + std::to_string(s) + "\">\n";
    if (s == 23) {
      text += special;
    } else if (s == 30) {
      for (int k = 0; k < 600; ++k) text += token(k);
    } else {
      for (int k = 0; k < s % 15; ++k) {
        text += token(s + 3 * k);
        if (k == 2) text += "%% a comment inside a sentence\n";
      }
    }
    if (s == 11 && !tags) text += std::string(1200, 'x') + "\n";
    if (s % 5 == 0) text += "</s>\n";
    text += s % 4 == 0 ? "\n\n  \n" : "\n";
  }
  return text + "<end>\n";
}

class Pipelines : public ::testing::Test {
 protected:
  ScratchDir dir;
  const std::string pos_map =
      "map The DT\nmap cat NN\nmap sat VBD\nmap on IN\nmap the DT\n"
      "map mat NN\nmap and CC\nmap %%odd SYM\nmap Boom BOOM\ndefault NN\n";
  const std::string chunk_map =
      "map DT B-NP/1/c/NP\nmap NN I-NP/0/c/NP\nmap VBD B-VP/1/c/VP\n"
      "map IN B-PP/1/c/PP\nmap NNX I-NP/0/c/NP\nmap %%X O/1/c/_\n"
      "default O/1/c/_\n";
  const std::string delays = "delay 1500\n";

  // -j 1, -j 2 and -j 7 on one input; the times in the closing statistics and in the
  // export format's #BOS lines are dropped.
  void expect_same_for_all_j(const std::string &name, const std::vector<std::string> &args,
                             const std::string &input, int status) {
    const std::regex finished("Chunking finished, [^\n]*\n"),
        bos("(#BOS -?[0-9]+ -?[0-9]+) [0-9]+");
    RunResult first;
    for (const char *j : {"-j1", "-j2", "-j7"}) {
      std::vector<std::string> with_j = {j};
      with_j.insert(with_j.end(), args.begin(), args.end());
      RunResult r = run_vornik(with_j, input);
      r.err = std::regex_replace(r.err, finished, "Chunking finished, TIME\n");
      r.out = std::regex_replace(r.out, bos, "$1 TIME");
      if (j == std::string("-j1")) {
        first = r;
        EXPECT_EQ(r.status, status) << name << "\n" << r.err;
        continue;
      }
      EXPECT_EQ(r.status, first.status) << name << " " << j;
      EXPECT_EQ(r.out, first.out) << name << " " << j;
      EXPECT_EQ(r.err, first.err) << name << " " << j;
    }
  }
};

TEST_F(Pipelines, EveryOutputModeStreamAndFailureAsWithOnePipeline) {
  const auto script = [&](const std::string &name, const std::string &text) {
    return dir.write(name, text + delays);
  };
  const std::string pos = script("pos", pos_map), chunk = script("chunk", chunk_map);
  const std::string fixes = dir.write("fixes", "fix # =NN =^mat$ -> NNX\nfix # =SYM -> %%X\n");
  const std::string words = mixed_input(false, "cat\n"), tags = mixed_input(true, "cat NN\n");
  // Failures come after every sentence before them has been written.
  const std::string boom = mixed_input(false, "Boom\n");
  struct Case {
    const char *name;
    std::vector<std::string> args;
    std::string input;
    int status;
  };
  // clang-format off
  const Case cases[] = {
      {"chunk tags with markup", {"-v0", "-c", "-Ochunktags", pos, chunk, "-"}, words, 0},
      {"bracketing with markup, header and statistics", {"-v1", "-c", pos, chunk, "-"}, words, 0},
      {"lisp", {"-v0", "-Olisp", "-u", pos, chunk, "-"}, words, 0},
      {"export format with markup", {"-v0", "-c", "-Onegra", pos, chunk, "-"}, words, 0},
      {"columns with markup", {"-v0", "-c", "-Oconll", pos, chunk, "-"}, words, 0},
      {"JSON lines with markup", {"-v0", "-c", "-Ojson", pos, chunk, "-"}, words, 0},
      {"tag-fix rules and a beam",
       {"-v0", "-f", fixes, "-Z", "5", "-Ochunktags", pos, chunk, "-"}, words, 0},
      {"tags mode", {"-v0", "-Itags", "-c", "-Ochunktags", chunk, "-"}, tags, 0},
      {"short POS replies",
       {"-v1", "-Ochunktags", script("short-pos", pos_map + "short 3\n"), chunk, "-"}, boom, 255},
      {"short chunk replies",
       {"-v1", "-c", pos, script("short-chunk", chunk_map + "short 2\n"), "-"}, boom, 255},
      {"POS tagger dies",
       {"-v1", "-Ochunktags", script("dying-pos", pos_map + "die Boom\n"), chunk, "-"}, boom, 255},
      {"chunk tagger dies",
       {"-v1", "-c", pos, script("dying-chunk", chunk_map + "die BOOM\n"), "-"}, boom, 255},
      {"tags-mode line without tag", {"-v1", "-Itags", "-Ochunktags", chunk, "-"},
       mixed_input(true, "lonely\n"), 255},
  };  // clang-format on
  for (const Case &c : cases) expect_same_for_all_j(c.name, c.args, c.input, c.status);
}
}  // namespace
