// Chunk-tag decoding and the printers: decoding edge cases and random depth sequences,
// markup placement, LISP quoting, export padding, no allocation once warm; end to end, the
// export format's sentence numbers, dates and node numbers of a very long sentence.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <functional>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "driver/error.h"
#include "driver/parser.h"
#include "driver/vornik.h"
#include "support/run_vornik.h"
#include "symtab/lexicon.h"
#include "tree/bracketing.h"
#include "tree/chunkenc.h"
#include "tree/export.h"
#include "tree/mobile.h"

namespace {
std::vector<std::string> split(const std::string &text) {
  std::istringstream in(text);
  std::vector<std::string> parts;
  for (std::string part; in >> part;) parts.push_back(part);
  return parts;
}

// One sentence for the decoder: depths like "1 0 - 0" (blanks ignored), categories
// like "NP NP _ PP"; word i is "w<i>" with POS tag "T" unless given.
struct Sentence {
  std::string depths;
  std::vector<int> categories, pos_tags;
  std::vector<std::string> words;
  std::vector<char *> word_ptrs;
  std::vector<mobile_t *> leaf;

  Sentence(const std::string &depth_chars, const std::string &cats,
           const std::string &word_list = "", const std::string &tag_list = "") {
    std::erase_if(depths = depth_chars, [](char c) { return c == ' '; });
    for (const std::string &cat : split(cats))
      categories.push_back(cat == "_" ? 0 : tagtoint(cat.c_str()));
    for (const std::string &tag : split(tag_list)) pos_tags.push_back(tagtoint(tag.c_str()));
    words = split(word_list);
    for (std::size_t i = words.size(); i < depths.size(); ++i)
      words.push_back(std::string("w").append(std::to_string(i)));
    pos_tags.resize(depths.size(), tagtoint("T"));
    categories.resize(depths.size(), 0);
    for (std::string &word : words) word_ptrs.push_back(word.data());
    leaf.assign(depths.size() + 1, nullptr);
  }
  mobile_t *decode() {
    return chunks_to_mobile(word_ptrs.data(), depths.data(), pos_tags.data(), categories.data(),
                            leaf.data(), static_cast<int>(depths.size()));
  }
};

// "(500:NP 0 1 (501:PP 2)) 3": phrases as (id:category children...), words as their
// id; a node whose parent link disagrees with its place is marked "!".
void render_node(const mobile_t *node, const mobile_t *parent, std::string &out) {
  if (node->child) {
    out += "(";
    out += std::to_string(node->id) + ":" + (inttotag(node->tag) ? inttotag(node->tag) : "");
    for (const mobile_t *c = node->child; c; c = c->sister) render_node(c, node, out += " ");
    out += ")";
  } else {
    out += std::to_string(node->id);
  }
  if (node->parent != parent) out += "!";
}

std::string render(const mobile_t *root) {
  std::string out;
  for (const mobile_t *top = root->child; top; top = top->sister)
    render_node(top, nullptr, out += " ");
  return out.substr(1);
}

class Tree : public ::testing::Test {
 protected:
  void SetUp() override { reset(); }
  void TearDown() override { reset(); }
  static void reset() {
    allow_unary_bool = lisp_output_bool = negra_output_bool = store_sgml_bool = 0;
    num_sgml_tags = sentence_num = 0;
    sgml_line = nullptr;
    word_pos_in_buf = nullptr;
    lexicon_init();
  }
};

struct DecodeCase {
  const char *name, *depths, *categories;
  int unary;
  const char *tree;
};

const DecodeCase kDecodeCases[] = {
    {"OneWord", "1", "NP", 0, "0"},
    {"OneWordUnary", "1", "NP", 1, "(500:NP 0)"},
    {"OneWordUnaryNoCategory", "1", "_", 1, "0"},
    {"OneWordUnaryNeedsOne", "-", "NP", 1, "0"},
    {"FirstDashIgnored", "- 0", "A B", 0, "(500:A 0 1)"},
    {"FirstUIgnored", "u 0", "A B", 0, "(500:A 0 1)"},
    {"FirstAfterSkippedIgnored", "2 i - 0", "A A B B", 0, "0 1 (500:B 2 3)"},
    {"ISkipped", "1 i 0", "X _ X", 0, "(500:X 0 2) 1"},
    {"SkippedRunRelatesToEarlier", "1 2 i 0", "X Y Y X", 0, "(500:X 0 3) 1 2"},
    {"TwoOpenThreeClose", "1 d 0 u", "A B B A", 0, "(500:A 0 (502: (501:B 1 2)) 3)"},
    {"CloseAndOpen", "1 0 = 0 +", "A A B B C", 0, "(501:C (500:A 0 1) (502:B 2 3) 4)"},
    {"UClimbsThroughNewNodes", "1 0 u", "A A C", 0, "(502:C (501: (500:A 0 1)) 2)"},
    {"CategoryFromSecondWord", "1 0", "_ NP", 0, "(500:NP 0 1)"},
    {"NoCategoryAtAll", "1 0", "_ _", 0, "(500: 0 1)"},
    {"OnesStayBareWithoutUnary", "1 1", "NP NP", 0, "0 1"},
    {"OnesUnary", "1 1", "NP NP", 1, "(500:NP 0) (501:NP 1)"},
    {"UnaryThenOpen", "1 - 0", "NP PP PP", 1, "(500:NP 0 (501:PP 1 2))"},
    {"UnaryOnlyForOne", "1 2", "NP NP", 1, "(500:NP 0) 1"},
    {"QuestionMarkUnattached", "1 ? -", "A _ B", 0, "0 (500: 1 (501:B 2))"},
    {"UnknownAfterPhrase", "1 0 ? 0", "A A B B", 0, "(500:A 0 1) (501:B 2 3)"},
    {"UnknownNoUnary", "1 x", "A A", 1, "(500:A 0) 1"},
};

TEST_F(Tree, DecodingBuildsTheTree) {
  for (const DecodeCase &c : kDecodeCases) {
    allow_unary_bool = c.unary;
    Sentence s(c.depths, c.categories);
    mobile_t *root = s.decode();
    EXPECT_EQ(render(root), c.tree) << c.name;
    for (std::size_t i = 0; i < s.depths.size(); ++i) {
      EXPECT_EQ(s.leaf[i]->id, static_cast<int>(i)) << c.name;
      EXPECT_EQ(s.leaf[i]->string, s.word_ptrs[i]) << c.name;  // the word itself, not a copy
      EXPECT_EQ(s.leaf[i]->child, nullptr) << c.name;
    }
    mobile_free(root);
  }
}

// Children are appended after the node climbed through, never by walking the list:
// on random depth sequences every node made is still in the tree, exactly once, under
// the mother its parent link names, and the words come in sentence order.
TEST_F(Tree, RandomSequencesKeepEveryNodeInTheTree) {
  std::mt19937 random(7);
  const std::string alphabet = "0+u-d=12i?";
  for (int round = 0; round < 300; ++round) {
    allow_unary_bool = round % 2;
    std::string depths;
    std::string cats;
    const int n = 1 + static_cast<int>(random() % 40);
    for (int i = 0; i < n; ++i) {
      depths += alphabet[random() % alphabet.size()];
      cats += random() % 3 ? "X " : "_ ";
    }
    Sentence s(depths, cats);
    mobile_t *root = s.decode();
    int made = 0;
    for (const mobile_t *m = root->next; m; m = m->next) ++made;
    int reached = 0;
    std::vector<int> words;
    const std::function<void(const mobile_t *)> walk = [&](const mobile_t *node) {
      ++reached;
      if (!node->child) words.push_back(node->id);
      for (const mobile_t *c = node->child; c; c = c->sister) {
        EXPECT_EQ(c->parent, node) << depths;
        walk(c);
      }
    };
    for (const mobile_t *top = root->child; top; top = top->sister) walk(top);
    EXPECT_EQ(reached, made) << depths;
    std::vector<int> sorted = words;
    std::sort(sorted.begin(), sorted.end());
    EXPECT_EQ(sorted.size(), static_cast<std::size_t>(n)) << depths;
    EXPECT_EQ(std::adjacent_find(sorted.begin(), sorted.end()), sorted.end()) << depths;
    mobile_free(root);
  }
}

TEST_F(Tree, NoAllocationOncePoolsAreWarm) {
  Sentence s("1 0 - - 0 1 1 - 0 + 1", "NP NP PP NP NP VP NP AP AP NP _");
  FILE *null = std::fopen("/dev/null", "w");
  auto print = [&] {
    chunks_to_tree(null, s.word_ptrs.data(), s.depths.data(), s.pos_tags.data(),
                   s.categories.data(), static_cast<int>(s.depths.size()));
  };
  print();
  negra_output_bool = 1;
  print();
  const std::size_t warm = memory_allocated;
  for (int round = 0; round < 50; ++round) {
    negra_output_bool = round % 2;
    print();
  }
  EXPECT_EQ(memory_allocated, warm);
  std::fclose(null);
}

struct PrintCase {
  const char *name, *depths, *categories;
  std::string words;
  const char *tags;
  std::vector<std::string> markup;  // markup lines, and the number of words read before each
  std::vector<int> markup_at;
  int lisp, negra;
  std::string expected;
};

const std::string w7(7, 'a'), w8(8, 'b'), w15(15, 'c'), w16(16, 'd');
// clang-format off
const PrintCase kPrintCases[] = {
    {"NoCategoryQuotesAndLeadingMarkupInLisp", "1 0 1", "_ _ _", "say \"hi\" !", "V N P",
     {"<s>\n"}, {0}, 1, 0, "(\n<s>\n\t(\"\"\n\t\t(\"V\"\t\"say\"\t)\n\t\t(\"N\"\t\"\\\"hi\\\"\"\t)\n\t)\n"
     "\t(\"P\"\t\"!\"\t)\n)\n\n"},
    // A backslash is escaped too: "cat\" would leave the string open for a LISP reader.
    {"BackslashesInLisp", "1 1", "_ _", "cat\\ \\\"", "N \\", {}, {}, 1, 0,
     "(\n\t(\"N\"\t\"cat\\\\\"\t)\n\t(\"\\\\\"\t\"\\\\\\\"\"\t)\n)\n\n"},
    {"MarkupAfterLastWordBeforeClosingLines", "1 0", "NP NP", "a b", "D N",
     {"<p>\n", "</p>\n"}, {0, 2}, 0, 0,
     "(\n<p>\n\t(NP\n\t\t(D\ta\t)\n\t\t(N\tb\t)\n</p>\n\t)\n)\n\n"},
    // A tagger reply cut short after one word: the markup read later is still written.
    {"MarkupBeyondShortenedSentence", "1", "NP", "a", "D", {"<x>\n", "<y>\n"}, {1, 3}, 0, 0,
     "(\n\t(D\ta\t)\n<x>\n<y>\n)\n\n"},
    {"ExportPaddingByWordLength", "1 1 1 1", "_ _ _ _", w7 + " " + w8 + " " + w15 + " " + w16,
     "T T T T", {}, {}, 0, 1,
     "#BOS 0 -4 1234 0\n" + w7 + "\t\t\tT\t--\t\t--\t0\n" + w8 + "\t\tT\t--\t\t--\t0\n" + w15 +
         "\t\tT\t--\t\t--\t0\n" + w16 + "\tT\t--\t\t--\t0\n#EOS 0\n"},
    {"ExportPhraseWithoutCategory", "1 0", "_ _", "a b", "D N", {}, {}, 0, 1,
     "#BOS 0 -4 1234 0\na\t\t\tD\t--\t\t--\t500\nb\t\t\tN\t--\t\t--\t500\n"
     "#500\t\t\t--\t--\t\t--\t0\n#EOS 0\n"},
};

// clang-format on

TEST_F(Tree, PrintersWriteExactBytes) {
  for (PrintCase c : kPrintCases) {
    std::vector<char *> lines;
    for (std::string &line : c.markup) lines.push_back(line.data());
    sgml_line = lines.data();
    word_pos_in_buf = c.markup_at.data();
    num_sgml_tags = static_cast<int>(lines.size());
    store_sgml_bool = 1;
    lisp_output_bool = c.lisp;
    Sentence s(c.depths, c.categories, c.words, c.tags);
    mobile_t *root = s.decode();
    root->tag = 1234;  // the build time, fixed for comparison
    EXPECT_EQ(capture([&](FILE *out) {
                c.negra
                    ? mobile_output(out, root)
                    : print_bracketing(out, root, s.leaf.data(), static_cast<int>(s.depths.size()));
              }),
              c.expected)
        << c.name;
    mobile_free(root);
  }
}

// End to end: a one-word sentence, then 1200 words whose first two form a phrase and
// every later one opens a phrase of its own under the previous one (numbers 1201 up).
TEST(TreeOutputLong, ExportNumbersSentencesDatesThemAndKeepsLongNodeNumbersUnique) {
  ScratchDir dir;
  std::string input = "a V\n\n", tags = "seq x/1/c/VP x/1/c/S x/0/c/S";
  for (int i = 0; i < 1200; ++i) input += "w X\n";
  for (int i = 2; i < 1200; ++i) tags += " x/-/c/S";
  const long before = std::time(nullptr);
  RunResult r = run_vornik({"-v0", "-Itags", "-Onegra", dir.write("chunks", tags), "-"}, input);
  const long after = std::time(nullptr);
  EXPECT_EQ(r.status, 0);
  // Twelve progress dots (one per 100 lines), then the warning.
  EXPECT_EQ(r.err, std::string(12, '.') +
                       "vornik: warning: sentence 1 has node numbers of 1000 or more; they are "
                       "written in full in the export format\n");
  // The build time in each header is the time of the run.
  long date = 0, second = 0;
  ASSERT_EQ(
      std::sscanf(r.out.c_str(), "#BOS 0 -4 %ld 0\na\t\t\tV\t--\t\t--\t0\n#EOS 0\n\n#BOS 1 -4 %ld",
                  &date, &second),
      2)
      << r.out.substr(0, 100);
  EXPECT_GE(date, before);
  EXPECT_LE(second, after);
  EXPECT_NE(r.out.find("\n#1201\t\t\tS\t--\t\t--\t0\n#1202\t\t\tS\t--\t\t--\t1201\n"),
            std::string::npos);
  EXPECT_NE(r.out.find("\n#2399\t\t\tS\t--\t\t--\t2398\n#EOS 1\n\n"), std::string::npos);
  EXPECT_EQ(r.out.find("\t201\n"), std::string::npos);  // nothing reduced modulo 1000
}
}  // namespace
