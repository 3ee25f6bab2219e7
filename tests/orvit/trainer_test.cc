// orvit-train: the same corpus always gives the same bytes, columns are
// selectable, and faulty corpora are reported by file and line.
#include <gtest/gtest.h>

#include <string>

#include "run_vornik.h"

namespace {

TEST(Trainer, SameCorpusSameBytes) {
  std::string corpus;
  const char* words[] = {"zeta", "alpha", "Mid", "beta", "gamma", "Alpha", "x-ray", "42"};
  const char* tags[] = {"N", "V", "P", "N", "A", "P", "N", "C"};
  for (int s = 0; s < 40; ++s) {
    for (int k = 0; k < 5; ++k) {
      int i = (s * 7 + k * 3) % 8;
      corpus += std::string(words[i]) + " " + tags[(i + s) % 8] + "\n";
    }
    corpus += "\n";
  }
  ScratchDir dir;
  const std::string path = dir.write("det.txt", corpus);
  for (const char* model : {"det1.orv", "det2.orv"})
    ASSERT_EQ(run_program({ORVIT_TRAIN_PATH, path, dir.path() + "/" + model}).status, 0);
  auto piped = run_program({ORVIT_TRAIN_PATH, "-", "-"}, corpus);
  ASSERT_EQ(piped.status, 0) << piped.err;
  const std::string bytes = dir.read("det1.orv");
  EXPECT_FALSE(bytes.empty());
  EXPECT_EQ(bytes, dir.read("det2.orv"));
  EXPECT_EQ(bytes, piped.out);
}

TEST(Trainer, ColumnsAreSelectable) {
  auto two = run_program({ORVIT_TRAIN_PATH, "-", "-"}, "a X\nb Y\n\na X\nb Y\n\nc Y\n");
  auto conll = run_program({ORVIT_TRAIN_PATH, "-w", "2", "-t", "4", "-", "-"},
                           "0 a B X\n1 b B Y\n\n0 a B X\n%% skipped\n1 b B Y\n\n\n0 c B Y\n");
  ASSERT_EQ(two.status, 0) << two.err;
  ASSERT_EQ(conll.status, 0) << conll.err;
  EXPECT_EQ(conll.out, two.out);
}

TEST(Trainer, Errors) {
  struct Case {
    std::vector<std::string> args;
    std::string input;
    std::string message;
  } cases[] = {
      {{"-", "-"}, "a X\nb\n", "orvit-train: <stdin>:2: row has no column 2: \"b\"\n"},
      {{"-t", "3", "-", "-"}, "a X Y\n\na X\n", "orvit-train: <stdin>:3: row has no column 3: \"a X\"\n"},
      {{"-", "-"}, "a <s>\n", "orvit-train: the tag \"<s>\" is reserved for sentence boundaries\n"},
      {{"-", "-"}, "%% nothing\n\n", "orvit-train: <stdin>: no tagged tokens\n"},
      {{"/nonexistent/corpus", "-"}, "", "orvit-train: /nonexistent/corpus: No such file or directory\n"},
      {{"-w", "0", "-", "-"}, "", "orvit-train: option -w needs a positive number\n"},
      {{"-w", "2", "-t", "2", "-", "-"}, "", "orvit-train: token and tag columns must differ\n"},
      {{"-"}, "", "orvit-train: CORPUS and MODEL are required\n"},
  };
  for (const auto& c : cases) {
    std::vector<std::string> argv{ORVIT_TRAIN_PATH};
    argv.insert(argv.end(), c.args.begin(), c.args.end());
    auto r = run_program(argv, c.input);
    EXPECT_NE(r.status, 0);
    EXPECT_EQ(r.err.substr(0, c.message.size()), c.message);
    EXPECT_EQ(r.out, "");
  }
}

}  // namespace
