// Tests of the bracketing/LISP printer and of the export-format writer on decoded and
// hand-made trees: exact bytes, quoting, markup placement, padding and numbering.
#include <gtest/gtest.h>

#include "driver/parser.h"
#include "driver/vornik.h"
#include "symtab/lexicon.h"
#include "tree/chunkenc.h"
#include "tree_helpers.h"

namespace {
class Print : public ::testing::Test {
 protected:
  void SetUp() override { reset_tree_settings(); }
  void TearDown() override {
    reset_tree_settings();
    sgml_line = saved_lines;
    word_pos_in_buf = saved_pos;
  }
  std::string bracketing(Sentence &s) {
    mobile_t *root = s.decode();
    std::string text = capture([&](FILE *out) {
      print_bracketing(out, root, s.leaf.data(), static_cast<int>(s.depths.size()));
    });
    mobile_free(root);
    return text;
  }
  std::string export_format(Sentence &s) {
    mobile_t *root = s.decode();
    root->tag = 1234;  // the build time, fixed for comparison
    std::string text = capture([&](FILE *out) { mobile_output(out, root); });
    mobile_free(root);
    return text;
  }
  // Markup lines with the number of words read before each.
  void set_markup(std::vector<std::string> lines, std::vector<int> positions) {
    markup = std::move(lines);
    positions_ = std::move(positions);
    markup_ptrs.clear();
    for (std::string &line : markup) markup_ptrs.push_back(line.data());
    saved_lines = sgml_line;
    saved_pos = word_pos_in_buf;
    sgml_line = markup_ptrs.data();
    word_pos_in_buf = positions_.data();
    num_sgml_tags = static_cast<int>(markup.size());
    store_sgml_bool = 1;
  }
  std::vector<std::string> markup;
  std::vector<int> positions_;
  std::vector<char *> markup_ptrs;
  char **saved_lines = nullptr;
  int *saved_pos = nullptr;
};

TEST_F(Print, WsFprintf) {
  EXPECT_EQ(capture([](FILE *f) { ws_fprintf(f, "a\"b\\c"); }), "a\"b\\c");
  EXPECT_EQ(capture([](FILE *f) { ws_fprintf(f, nullptr); }), "");
  lisp_output_bool = 1;
  EXPECT_EQ(capture([](FILE *f) { ws_fprintf(f, "a\"b\\c\""); }), "\"a\\\"b\\c\\\"\"");
  EXPECT_EQ(capture([](FILE *f) { ws_fprintf(f, nullptr); }), "\"\"");
}

TEST_F(Print, SkippedWordWrittenInsidePhrase) {
  Sentence s("1 i 0", "X _ X", "a b c", "P Q R");
  EXPECT_EQ(bracketing(s), "(\n\t(X\n\t\t(P\ta\t)\n\t\t(Q\tb\t)\n\t\t(R\tc\t)\n\t)\n)\n\n");
}

TEST_F(Print, CategoryZeroAndQuotedWordInLisp) {
  Sentence s("1 0 1", "_ _ _", "say \"hi\" !", "V N P");
  EXPECT_EQ(bracketing(s), "(\n\t(\n\t\t(V\tsay\t)\n\t\t(N\t\"hi\"\t)\n\t)\n\t(P\t!\t)\n)\n\n");
  lisp_output_bool = 1;
  EXPECT_EQ(bracketing(s),
            "(\n\t(\"\"\n\t\t(\"V\"\t\"say\"\t)\n\t\t(\"N\"\t\"\\\"hi\\\"\"\t)\n\t)\n"
            "\t(\"P\"\t\"!\"\t)\n)\n\n");
}

TEST_F(Print, DeepTreeClosesEveryLevel) {
  Sentence s("1 d 0 u", "A B B A", "a b c d", "T T T T");
  EXPECT_EQ(bracketing(s),
            "(\n\t(A\n\t\t(T\ta\t)\n\t\t(\n\t\t\t(B\n\t\t\t\t(T\tb\t)\n\t\t\t\t(T\tc\t)\n"
            "\t\t\t)\n\t\t)\n\t\t(T\td\t)\n\t)\n)\n\n");
}

TEST_F(Print, MarkupAfterLastWordBeforeClosingLines) {
  Sentence s("1 0", "NP NP", "a b", "D N");
  set_markup({"<p>\n", "</p>\n"}, {0, 2});
  EXPECT_EQ(bracketing(s), "(\n<p>\n\t(NP\n\t\t(D\ta\t)\n\t\t(N\tb\t)\n</p>\n\t)\n)\n\n");
  lisp_output_bool = 1;
  EXPECT_EQ(bracketing(s),
            "(\n<p>\n\t(\"NP\"\n\t\t(\"D\"\t\"a\"\t)\n\t\t(\"N\"\t\"b\"\t)\n\"</p>\n\"\t)\n)\n\n");
}

TEST_F(Print, MarkupBeyondShortenedSentenceIsNotLost) {
  // A tagger reply cut short after one word: the markup read later is still written.
  Sentence s("1", "NP", "a", "D");
  set_markup({"<x>\n", "<y>\n"}, {1, 3});
  EXPECT_EQ(bracketing(s), "(\n\t(D\ta\t)\n<x>\n<y>\n)\n\n");
}

TEST_F(Print, MarkupIgnoredWithoutFlag) {
  Sentence s("1", "NP", "a", "D");
  set_markup({"<x>\n"}, {0});
  store_sgml_bool = 0;
  EXPECT_EQ(bracketing(s), "(\n\t(D\ta\t)\n)\n\n");
}

TEST_F(Print, ExportPaddingByWordLength) {
  const std::string w7(7, 'a'), w8(8, 'b'), w15(15, 'c'), w16(16, 'd');
  Sentence s("1 1 1 1", "_ _ _ _", w7 + " " + w8 + " " + w15 + " " + w16, "T T T T");
  EXPECT_EQ(export_format(s), "#BOS 0 -4 1234 0\n" +
                                  w7 + "\t\t\tT\t--\t\t--\t0\n" +
                                  w8 + "\t\tT\t--\t\t--\t0\n" +
                                  w15 + "\t\tT\t--\t\t--\t0\n" +
                                  w16 + "\tT\t--\t\t--\t0\n"
                                  "#EOS 0\n");
}

TEST_F(Print, ExportCategoryZeroAndSentenceNumber) {
  sentence_num = 3;
  Sentence s("1 0", "_ _", "a b", "D N");
  EXPECT_EQ(export_format(s),
            "#BOS 3 -4 1234 0\na\t\t\tD\t--\t\t--\t500\nb\t\t\tN\t--\t\t--\t500\n"
            "#500\t\t\t--\t--\t\t--\t0\n#EOS 3\n");
}

TEST_F(Print, ExportWritesEveryField) {
  // Hand-made tree using the fields the sentence trees leave empty.
  mobile_t *root = newmobile(2, nullptr, 99, nullptr, 0, nullptr);
  root->secedge[0] = -4;
  root->morph = 1;
  char comment[81] = "root note";
  root->comment = comment;
  mobile_t *phrase = newmobile(501, nullptr, tagtoint("NP"), nullptr, 0, nullptr);
  mobile_t *word = newmobile(0, "x", tagtoint("N"), phrase, tagtoint("HD"), phrase);
  word->morph = tagtoint("Nom.Sg.Masc");
  word->secparent[0] = phrase;
  word->secedge[0] = tagtoint("SB");
  word->secparent[1] = phrase;
  root->next = word;
  mobile_t *other = newmobile(1, "yy", tagtoint("V"), nullptr, 0, nullptr);
  phrase->next = other;
  other->morph = tagtoint("Pl");
  std::string text = capture([&](FILE *out) { mobile_output(out, root); });
  EXPECT_EQ(text,
            "#BOS 2 -4 99 1 %% root note\n"
            "x\t\t\tN\tNom.Sg.Masc\tHD\t501\tSB\t501\t--\t501\n"
            "yy\t\t\tV\tPl\t\t--\t0\n"
            "#501\t\t\tNP\t--\t\t--\t0\n"
            "#EOS 2\n");
  root->comment = nullptr;
  mobile_free(root);
}

TEST_F(Print, ExportOfEmptyTreeWritesNothing) {
  mobile_t *root = newmobile(0, nullptr, 0, nullptr, 0, nullptr);
  EXPECT_EQ(capture([&](FILE *out) { mobile_output(out, root); }), "");
  EXPECT_EQ(capture([&](FILE *out) { mobile_output(out, nullptr); }), "");
  mobile_free(root);
}

TEST_F(Print, ExportNumbersOfThousandAndMoreWrittenWhole) {
  // 600 words: phrases start at 601 and fit; no number is reduced or changed.
  Sentence fits(std::string(600, '0'), "S");
  std::string text = export_format(fits);
  EXPECT_NE(text.find("\t601\n#601\t\t\tS\t--\t\t--\t0\n#EOS 0\n"), std::string::npos);
  // 1000 words: the phrase is 1001, written whole rather than as a repeated #1.
  Sentence big(std::string(1000, '0'), "S");
  testing::internal::CaptureStderr();
  text = export_format(big);
  const std::string err = testing::internal::GetCapturedStderr();
  EXPECT_NE(text.find("\t1001\n#1001\t\t\tS\t--\t\t--\t0\n#EOS 0\n"), std::string::npos);
  EXPECT_EQ(err, std::string(progname) +
                     ": warning: sentence 0 has node numbers of 1000 or more; they are "
                     "written in full in the export format\n");
}
}  // namespace
