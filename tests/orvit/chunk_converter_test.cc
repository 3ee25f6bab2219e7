// conll2chunk: exact output bytes for the chunk-tag encoding (specialized by
// the POS tag), sentence framing with $lim$ rows, and errors on malformed rows;
// chunk scoring of such files by orvit-score.
#include <gtest/gtest.h>

#include <string>

#include "run_vornik.h"

namespace {

const std::string kLim = "$lim$\t$lim$\n";

TEST(ChunkConverter, Encoding) {
  struct Case {
    const char* name;
    std::string input;
    std::string output;
  } cases[] = {
      {"begin, inside, outside", "He PRP B-NP\nsaw VBD B-VP\nthe DT B-NP\ncat NN I-NP\n. . O\n",
       kLim + kLim +
           "PRP\tB-NP/1/PRP/NP\nVBD\tB-VP/1/VBD/VP\nDT\tB-NP/1/DT/NP\nNN\tI-NP/0/NN/NP\n.\tO/1/./_\n" +
           kLim + "\n"},
      {"I after O or another category starts a chunk", "a DT I-NP\nb IN O\nc NN I-NP\nd VB I-VP\n",
       kLim + kLim + "DT\tB-NP/1/DT/NP\nIN\tO/1/IN/_\nNN\tB-NP/1/NN/NP\nVB\tB-VP/1/VB/VP\n" + kLim +
           "\n"},
      {"sentences and blank runs", "\n\na DT B-NP\n\n\n\nb NN B-NP\n\n",
       kLim + kLim + "DT\tB-NP/1/DT/NP\n" + kLim + "\n" + kLim + kLim + "NN\tB-NP/1/NN/NP\n" + kLim +
           "\n"},
      {"comments skipped", "%% x\na DT B-NP\n", kLim + kLim + "DT\tB-NP/1/DT/NP\n" + kLim + "\n"},
      {"punctuation and odd POS tags", "( ( O\n$ $ B-NP\n5 CD I-NP\n'' '' O\nhis PRP$ B-NP\n",
       kLim + kLim + "(\tO/1/(/_\n$\tB-NP/1/$/NP\nCD\tI-NP/0/CD/NP\n''\tO/1/''/_\nPRP$\tB-NP/1/PRP$/NP\n" +
           kLim + "\n"},
      {"empty", "", ""},
  };
  for (const auto& c : cases) {
    auto r = run_program({CONLL2CHUNK_PATH}, c.input);
    EXPECT_EQ(r.status, 0) << c.name << ": " << r.err;
    EXPECT_EQ(r.out, c.output) << c.name;
  }
}

TEST(ChunkConverter, Errors) {
  struct Case {
    std::string input;
    std::string message;
  } cases[] = {
      {"a DT B-NP\nb NN\n", "conll2chunk: <stdin>:2: row has no chunk tag: \"b NN\"\n"},
      {"a\n", "conll2chunk: <stdin>:1: row has no POS tag: \"a\"\n"},
      {"a DT X-NP\n", "conll2chunk: <stdin>:1: bad chunk tag \"X-NP\"\n"},
      {"a DT B-\n", "conll2chunk: <stdin>:1: bad chunk tag \"B-\"\n"},
      {"a DT B-N/P\n", "conll2chunk: <stdin>:1: bad chunk tag \"B-N/P\"\n"},
      {"a D/T B-NP\n", "conll2chunk: <stdin>:1: bad POS tag \"D/T\"\n"},
  };
  for (const auto& c : cases) {
    auto r = run_program({CONLL2CHUNK_PATH}, c.input);
    EXPECT_NE(r.status, 0);
    EXPECT_EQ(r.err, c.message);
    EXPECT_EQ(r.out, "");
  }
}

// Chunks are counted from the IOB piece; "$lim$" rows are never chunks.
TEST(ChunkScore, CountsChunksOfTheIobPiece) {
  const std::string gold = kLim + kLim + "DT\tB-NP/1/DT/NP\nNN\tI-NP/0/NN/NP\nVBD\tB-VP/1/VBD/VP\n" +
                           ".\tO/1/./_\n" + kLim + "\n";
  struct Case {
    const char* name;
    std::string tagged;
    std::string report;
  } cases[] = {
      {"all right", gold, "chunks gold 2 found 2 correct 2 precision 100.00% recall 100.00% F1 100.00"},
      {"split noun phrase",
       kLim + kLim + "DT\tB-NP/1/DT/NP\nNN\tB-NP/1/NN/NP\nVBD\tB-VP/1/VBD/VP\n.\tO/1/./_\n" + kLim +
           "\n",
       "chunks gold 2 found 3 correct 1 precision 33.33% recall 50.00% F1 40.00"},
  };
  ScratchDir dir;
  const std::string gold_path = dir.write("gold.txt", gold);
  for (const auto& c : cases) {
    auto r = run_program({ORVIT_SCORE_PATH, "-c", gold_path, dir.write("tagged.txt", c.tagged)});
    EXPECT_EQ(r.status, 0) << c.name << ": " << r.err;
    size_t at = r.out.find("chunks ");
    ASSERT_NE(at, std::string::npos) << c.name << ": " << r.out;
    EXPECT_EQ(r.out.substr(at), c.report + "\n") << c.name;
  }
}

}  // namespace
