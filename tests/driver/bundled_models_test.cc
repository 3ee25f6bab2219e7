// The real tagger with the bundled English models, driven by vornik end to end: sensible
// chunks from the README's command, a chunk F1 above 90 on the test set, and the GNU
// parallel recipe of docs/scaling.md equal to a single run.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

#include "support/run_vornik.h"

namespace {
// PATH with the build folder (holding the real orvit) first, the models on CHUNKPATH:
// the canonical invocation of the README.
std::map<std::string, std::string> real_tagger_env() {
  const std::string path =
      std::string(BUILD_DIR) + ":" + (std::getenv("PATH") ? std::getenv("PATH") : "");
  return {{"PATH", path}, {"CHUNKPATH", std::string(SOURCE_DIR) + "/models"}};
}

TEST(BundledModels, ChunksASimpleEnglishSentence) {
  const RunResult r = run_vornik({"-v0", "-u", "-fen-chunk.fix", "en-pos", "en-chunk", "-"},
                                 "The\nbank\nrose\nsharply\n.\n", real_tagger_env());
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.err, "");
  EXPECT_EQ(r.out,
            "(\n"
            "\t(NP\n\t\t(DT\tThe\t)\n\t\t(NN\tbank\t)\n\t)\n"
            "\t(VP\n\t\t(VBD\trose\t)\n\t)\n"
            "\t(ADVP\n\t\t(RB\tsharply\t)\n\t)\n"
            "\t(.\t.\t)\n"
            ")\n\n\n");
}

const std::string kVornikEn = std::string(BUILD_DIR) + "/vornik-en";

// The words of the CoNLL-2000 test set, one per line, a blank line after each sentence.
std::string test_words() {
  std::ifstream in(corpus_file("test.txt"));
  std::string words;
  for (std::string line; std::getline(in, line);) words += line.substr(0, line.find(' ')) + "\n";
  return words;
}

TEST(BundledModels, ChunkF1OnTheTestSetIsAbove90) {
  if (!corpus_missing("test.txt").empty()) GTEST_SKIP() << corpus_missing("test.txt");
  ScratchDir dir;
  const RunResult out = run_program({kVornikEn, "-T", "-v0", dir.write("words.txt", test_words())});
  ASSERT_EQ(out.status, 0) << out.err;
  const RunResult eval = run_program({std::string(BUILD_DIR) + "/vornik-eval",
                                      corpus_file("test.txt"), dir.write("out", out.out)});
  ASSERT_EQ(eval.status, 0) << eval.err;
  const std::size_t overall = eval.out.find("\noverall");
  ASSERT_NE(overall, std::string::npos) << eval.out;
  double f1 = 0;
  ASSERT_EQ(std::sscanf(eval.out.c_str() + overall, " overall %*f%% %*f%% %lf", &f1), 1);
  EXPECT_GT(f1, 90.0);
}

TEST(BundledModels, GnuParallelRecipeGivesTheOutputOfASingleRun) {
  if (!corpus_missing("test.txt").empty()) GTEST_SKIP() << corpus_missing("test.txt");
  std::string shell = run_program({"/bin/sh", "-c", "command -v parallel"}).out;
  if (shell.empty()) GTEST_SKIP() << "GNU parallel is not installed: the recipe is not checked";
  ScratchDir dir;
  const std::string words = test_words(), words_file = dir.write("words.txt", words);
  const RunResult single = run_program({kVornikEn, "-T", "-v0", words_file});
  ASSERT_EQ(single.status, 0) << single.err;
  // The recipe of docs/scaling.md, with blocks small enough for several jobs.
  const RunResult split =
      run_program({"/bin/sh", "-c",
                   "parallel --pipe -k --recend '\\n\\n' --block 60k -j 2 \"$0\" -T -v0 < \"$1\"",
                   kVornikEn, words_file});
  ASSERT_EQ(split.status, 0) << split.err;
  EXPECT_TRUE(split.out == single.out) << "the parallel output differs from a single run";
  EXPECT_GT(single.out.size(), words.size());
}
}  // namespace
