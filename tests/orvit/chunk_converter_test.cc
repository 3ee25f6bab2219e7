// conll2chunk: exact output bytes for the chunk-tag encoding, sentence
// framing with $lim$ rows, and errors on malformed rows.
#include <gtest/gtest.h>

#include <string>

#include "test_support.h"

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
           "PRP\tB-NP/1/c/NP\nVBD\tB-VP/1/c/VP\nDT\tB-NP/1/c/NP\nNN\tI-NP/0/c/NP\n.\tO/1/c/_\n" +
           kLim + "\n"},
      {"I after O or another category starts a chunk", "a DT I-NP\nb IN O\nc NN I-NP\nd VB I-VP\n",
       kLim + kLim + "DT\tB-NP/1/c/NP\nIN\tO/1/c/_\nNN\tB-NP/1/c/NP\nVB\tB-VP/1/c/VP\n" + kLim +
           "\n"},
      {"sentences and blank runs", "\n\na DT B-NP\n\n\n\nb NN B-NP\n\n",
       kLim + kLim + "DT\tB-NP/1/c/NP\n" + kLim + "\n" + kLim + kLim + "NN\tB-NP/1/c/NP\n" + kLim +
           "\n"},
      {"comments skipped", "%% x\na DT B-NP\n", kLim + kLim + "DT\tB-NP/1/c/NP\n" + kLim + "\n"},
      {"empty", "", ""},
  };
  for (const auto& c : cases) {
    auto r = orvit_test::run_program({CONLL2CHUNK_PATH}, c.input);
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
  };
  for (const auto& c : cases) {
    auto r = orvit_test::run_program({CONLL2CHUNK_PATH}, c.input);
    EXPECT_NE(r.status, 0);
    EXPECT_EQ(r.err, c.message);
    EXPECT_EQ(r.out, "");
  }
}

}  // namespace
