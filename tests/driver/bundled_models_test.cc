// The real tagger with the bundled English models, driven by vornik end to end: sensible
// chunks from the README's command, -Oconll scored as conlleval equal to vornik-eval's
// F1, and the GNU parallel recipe of docs/scaling.md equal to a single run.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <set>
#include <sstream>
#include <string>
#include <tuple>
#include <vector>

#include "support/corpus.h"
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

// Column `column` (from 0) of each row of a CoNLL-style text, sentence by sentence.
std::vector<std::vector<std::string>> columns(const std::string &text, int column) {
  std::vector<std::vector<std::string>> sentences(1);
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) {
    std::istringstream fields(line);
    std::vector<std::string> row{std::istream_iterator<std::string>(fields), {}};
    if (row.empty()) {
      if (!sentences.back().empty()) sentences.emplace_back();
    } else {
      sentences.back().push_back(row.at(column));
    }
  }
  if (sentences.back().empty()) sentences.pop_back();
  return sentences;
}

// The chunks of one sentence's IOB tags as conlleval finds them: a chunk starts at B-X,
// or at I-X after O or after a tag of another type, and ends before the next tag that
// does not continue it with I-X of its type.
std::set<std::tuple<std::size_t, std::size_t, std::string>> conlleval_chunks(
    const std::vector<std::string> &tags) {
  std::set<std::tuple<std::size_t, std::size_t, std::string>> chunks;
  std::string open_type;
  std::size_t open_begin = 0;
  for (std::size_t i = 0; i <= tags.size(); ++i) {
    const std::string tag = i < tags.size() ? tags[i] : "O";
    const std::string type = tag == "O" ? "" : tag.substr(2);
    const bool starts = tag[0] == 'B' || (tag[0] == 'I' && type != open_type);
    if (!open_type.empty() && (starts || type != open_type)) {
      chunks.insert({open_begin, i, open_type});
      open_type.clear();
    }
    if (starts) open_type = type, open_begin = i;
  }
  return chunks;
}

std::string read_whole(const std::string &path) {
  std::ifstream in(path);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

TEST(BundledModels, ConllColumnsScoreAsVornikEvalScoresTheBracketing) {
  if (!corpus_missing("test.txt").empty()) GTEST_SKIP() << corpus_missing("test.txt");
  ScratchDir dir;
  const std::string gold = read_whole(corpus_file("test.txt"));
  std::string words;
  for (const auto &sentence : columns(gold, 0)) {
    for (const std::string &word : sentence) words += word + "\n";
    words += "\n";
  }
  const std::string words_file = dir.write("words.txt", words);
  const RunResult bracketing = run_program({kVornikEn, "-T", "-v0", words_file});
  ASSERT_EQ(bracketing.status, 0) << bracketing.err;
  const RunResult eval = run_program({std::string(BUILD_DIR) + "/vornik-eval",
                                      corpus_file("test.txt"), dir.write("out", bracketing.out)});
  ASSERT_EQ(eval.status, 0) << eval.err;
  const std::size_t overall = eval.out.find("\noverall");
  ASSERT_NE(overall, std::string::npos) << eval.out;
  double precision, recall, f1;
  ASSERT_EQ(
      std::sscanf(eval.out.c_str() + overall, " overall %lf%% %lf%% %lf", &precision, &recall, &f1),
      3);

  const RunResult conll = run_program({kVornikEn, "-T", "-v0", "-Oconll", words_file});
  ASSERT_EQ(conll.status, 0) << conll.err;
  ASSERT_EQ(columns(conll.out, 0), columns(gold, 0));
  const auto found_tags = columns(conll.out, 2), gold_tags = columns(gold, 2);
  std::size_t found = 0, expected = 0, correct = 0;
  for (std::size_t s = 0; s < gold_tags.size(); ++s) {
    const auto a = conlleval_chunks(found_tags[s]), b = conlleval_chunks(gold_tags[s]);
    found += a.size();
    expected += b.size();
    for (const auto &chunk : a) correct += b.count(chunk);
  }
  const double p = 100.0 * correct / found, r = 100.0 * correct / expected;
  char scores[64], reported[64];
  std::snprintf(scores, sizeof scores, "%.2f %.2f %.2f", p, r, 2 * p * r / (p + r));
  std::snprintf(reported, sizeof reported, "%.2f %.2f %.2f", precision, recall, f1);
  EXPECT_EQ(std::string(scores), std::string(reported));
  EXPECT_GT(f1, 90.0);
}

TEST(BundledModels, GnuParallelRecipeGivesTheOutputOfASingleRun) {
  if (!corpus_missing("test.txt").empty()) GTEST_SKIP() << corpus_missing("test.txt");
  std::string shell = run_program({"/bin/sh", "-c", "command -v parallel"}).out;
  if (shell.empty()) GTEST_SKIP() << "GNU parallel is not installed: the recipe is not checked";
  ScratchDir dir;
  std::string words;
  for (const auto &sentence : columns(read_whole(corpus_file("test.txt")), 0)) {
    for (const std::string &word : sentence) words += word + "\n";
    words += "\n";
  }
  const std::string words_file = dir.write("words.txt", words);
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
