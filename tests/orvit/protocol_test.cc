// The orvit program through real pipes: sentence-by-sentence replies,
// comments, blank lines, odd bytes, the $lim$ framing of the chunk model and
// the command line.
#include <gtest/gtest.h>

#include <string>

#include "test_support.h"

namespace {

using orvit_test::Child;
using orvit_test::run_program;

const std::string kPosModel = ORVIT_MODELS_DIR "/english-pos.orv";
const std::string kChunkModel = ORVIT_MODELS_DIR "/english-chunk.orv";

// The tiny model: "a" is X, "b" and "c" are Y.
const std::string& tiny_model() {
  static const std::string path = [] {
    std::string corpus = orvit_test::temp_path("tiny.txt");
    std::string model = orvit_test::temp_path("tiny.orv");
    orvit_test::write_text(corpus, orvit_test::kTinyCorpus);
    auto r = run_program({ORVIT_TRAIN_PATH, corpus, model}, "");
    EXPECT_EQ(r.status, 0) << r.err;
    return model;
  }();
  return path;
}

struct Case {
  const char* name;
  std::string input;
  std::string output;
};

TEST(Protocol, ExactReplies) {
  const Case cases[] = {
      {"plain", "a\nb\n\n", "a\tX\nb\tY\n\n"},
      {"comments", "%% note\na\n%%b\nb\n\n%%\n", "a\tX\nb\tY\n\n"},
      {"no final blank line", "a\nb\n", "a\tX\nb\tY\n\n"},
      {"no final newline", "a\nb", "a\tX\nb\tY\n\n"},
      {"columns and whitespace", "\n\n\n a\textra columns\n\vb \n \t\r\n\n", "a\tX\nb\tY\n\n"},
      {"carriage returns", "a\r\nb\r\n\r\n", "a\tX\nb\tY\n\n"},
      {"two sentences", "c\n\na\nb\n\n", "c\tY\n\na\tX\nb\tY\n\n"},
      {"empty input", "", ""},
      {"only comments and blanks", "%%x\n\n \n\n", ""},
      {"comment is not a token", "%%a\n", ""},
  };
  for (const auto& c : cases) {
    auto r = run_program({ORVIT_PATH, tiny_model(), "-"}, c.input);
    EXPECT_EQ(r.status, 0) << c.name << ": " << r.err;
    EXPECT_EQ(r.out, c.output) << c.name;
    EXPECT_EQ(r.err, "") << c.name;
  }
}

TEST(Protocol, EachSentenceAnsweredBeforeTheNextIsWritten) {
  Child child({ORVIT_PATH, tiny_model(), "-"});
  child.write("a\nb\n\n");
  EXPECT_EQ(child.read_until("\n\n"), "a\tX\nb\tY\n\n");
  // A pending, unfinished sentence must not hold back a complete one.
  child.write("c\n\na\n");
  EXPECT_EQ(child.read_until("\n\n"), "c\tY\n\n");
  child.write("b\n\n");
  EXPECT_EQ(child.read_until("\n\n"), "a\tX\nb\tY\n\n");
  std::string rest;
  EXPECT_EQ(child.finish(&rest), 0);
  EXPECT_EQ(rest, "");
}

TEST(Protocol, OddBytesAreEchoedExactly) {
  const std::string tokens[] = {"na\xc3\xafve", "\x80\xff\xfe", std::string(1 << 20, 'q'),
                                "\xe2\x80\x9cquoted\xe2\x80\x9d", "%not-a-comment"};
  std::string input;
  for (const auto& t : tokens) input += t + "\tignored\n";
  input += "\n";
  auto r = run_program({ORVIT_PATH, tiny_model(), "-"}, input);
  ASSERT_EQ(r.status, 0) << r.err;
  std::string expected_start;
  size_t pos = 0;
  for (const auto& t : tokens) {
    ASSERT_EQ(r.out.compare(pos, t.size() + 1, t + "\t"), 0) << "token " << t.substr(0, 20);
    pos += t.size() + 1;
    std::string tag = r.out.substr(pos, 2);
    EXPECT_TRUE(tag == "X\n" || tag == "Y\n") << tag;
    pos += 2;
  }
  EXPECT_EQ(r.out.substr(pos), "\n");
}

TEST(Protocol, EnglishPosModel) {
  auto r = run_program({ORVIT_PATH, kPosModel, "-"}, "The\ncat\nsat\n.\n\n");
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.out, "The\tDT\ncat\tNN\nsat\tVBD\n.\t.\n\n");
  auto pruned = run_program({ORVIT_PATH, "-Z1000", kPosModel, "-"}, "The\ncat\nsat\n.\n\n");
  EXPECT_EQ(pruned.out, r.out);
}

// One reply row's chunk tag must read IOB/depth/POS/category with a digit depth.
void expect_chunk_tag(const std::string& tag) {
  std::vector<std::string> pieces;
  size_t start = 0;
  for (size_t slash; (slash = tag.find('/', start)) != std::string::npos; start = slash + 1)
    pieces.push_back(tag.substr(start, slash - start));
  pieces.push_back(tag.substr(start));
  ASSERT_EQ(pieces.size(), 4u) << tag;
  for (const auto& p : pieces) EXPECT_FALSE(p.empty()) << tag;
  EXPECT_TRUE(isdigit(static_cast<unsigned char>(pieces[1][0]))) << tag;
}

TEST(Protocol, ChunkModelWithLimFraming) {
  Child child({ORVIT_PATH, kChunkModel, "-"});
  const std::vector<std::string> sentences[] = {
      {"DT", "JJ", "NN", "VBD", "IN", "DT", "NN", "."},
      {"PRP", "VBZ"},
      {"NOT-A-POS-TAG", "NN"},  // unseen token: still a well-formed reply
  };
  for (const auto& words : sentences) {
    std::string input = "$lim$\n$lim$\n";
    for (const auto& w : words) input += w + "\n";
    input += "$lim$\n\n";
    child.write(input);
    std::string reply = child.read_until("\n\n");
    std::vector<std::string> rows;
    size_t start = 0;
    for (size_t nl; (nl = reply.find('\n', start)) != std::string::npos; start = nl + 1)
      rows.push_back(reply.substr(start, nl - start));
    ASSERT_EQ(rows.size(), words.size() + 4) << reply;
    EXPECT_EQ(rows.back(), "");
    EXPECT_EQ(rows[0].substr(0, 6), "$lim$\t");
    EXPECT_EQ(rows[1].substr(0, 6), "$lim$\t");
    EXPECT_EQ(rows[words.size() + 2].substr(0, 6), "$lim$\t");
    for (size_t i = 0; i < words.size(); ++i) {
      const std::string& row = rows[i + 2];
      ASSERT_EQ(row.substr(0, words[i].size() + 1), words[i] + "\t");
      expect_chunk_tag(row.substr(words[i].size() + 1));
    }
    if (words[0] == "DT") {
      EXPECT_EQ(rows[2], "DT\tB-NP/1/DT/NP");
    }
  }
  EXPECT_EQ(child.finish(nullptr), 0);
}

TEST(CommandLine, HelpUsageAndErrors) {
  auto help = run_program({ORVIT_PATH, "-h"}, "");
  EXPECT_EQ(help.status, 0);
  EXPECT_NE(help.out.find("usage: orvit"), std::string::npos);
  EXPECT_EQ(help.err, "");
  struct Bad {
    std::vector<std::string> args;
    const char* message;
  } bad[] = {
      {{ORVIT_PATH}, "usage: orvit"},
      {{ORVIT_PATH, tiny_model()}, "usage: orvit"},
      {{ORVIT_PATH, tiny_model(), "-", "extra"}, "usage: orvit"},
      {{ORVIT_PATH, "-Zx", tiny_model(), "-"}, "bad beam"},
      {{ORVIT_PATH, "-Z0.5", tiny_model(), "-"}, "bad beam"},
      {{ORVIT_PATH, "-q", tiny_model(), "-"}, "unknown option"},
      {{ORVIT_PATH, tiny_model(), "/nonexistent/input.txt"}, "/nonexistent/input.txt"},
  };
  for (const auto& b : bad) {
    auto r = run_program(b.args, "");
    EXPECT_NE(r.status, 0) << b.message;
    EXPECT_NE(r.err.find(b.message), std::string::npos) << r.err;
    EXPECT_EQ(r.out, "");
  }
}

TEST(CommandLine, TagsAFileAndAcceptsABeam) {
  std::string input = orvit_test::temp_path("input.txt");
  orvit_test::write_text(input, "a\nb\n\nc\n");
  auto r = run_program({ORVIT_PATH, "-Z1000", tiny_model(), input}, "");
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.out, "a\tX\nb\tY\n\nc\tY\n\n");
}

}  // namespace
