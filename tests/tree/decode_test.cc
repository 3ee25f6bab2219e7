// Tests of chunk-tag decoding: tree shapes, node numbers, categories, top node order,
// the unary rule, unknown depth characters, and the absence of allocation once warm.
#include <gtest/gtest.h>

#include <ctime>

#include "driver/error.h"
#include "driver/parser.h"
#include "driver/vornik.h"
#include "tree/chunkenc.h"
#include "tree_helpers.h"

namespace {
struct DecodeCase {
  const char *name;
  const char *depths;
  const char *categories;
  int unary;
  const char *tree;
};

const DecodeCase kCases[] = {
    {"OneWord", "1", "NP", 0, "0"},
    {"OneWordOtherChar", "-", "NP", 0, "0"},
    {"OneWordUnary", "1", "NP", 1, "(500:NP 0)"},
    {"OneWordUnaryNoCategory", "1", "_", 1, "0"},
    {"OneWordUnaryNeedsOne", "-", "NP", 1, "0"},
    {"FirstDashIgnored", "- 0", "A B", 0, "(500:A 0 1)"},
    {"FirstDIgnored", "d 0", "A B", 0, "(500:A 0 1)"},
    {"FirstPlusIgnored", "+ 0", "A B", 0, "(500:A 0 1)"},
    {"FirstEqualsIgnored", "= 0", "A B", 0, "(500:A 0 1)"},
    {"FirstUIgnored", "u 0", "A B", 0, "(500:A 0 1)"},
    {"FirstAfterSkippedIgnored", "2 i - 0", "A A B B", 0, "0 1 (500:B 2 3)"},
    {"ISkipped", "1 i 0", "X _ X", 0, "(500:X 0 2) 1"},
    {"TwoSkipped", "1 2 0", "X Y X", 0, "(500:X 0 2) 1"},
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
    {"UnaryOnlyForOneNotI", "1 i", "NP NP", 1, "(500:NP 0) 1"},
    {"UnknownCharUnattached", "1 x 0", "A A A", 0, "0 (500:A 1 2)"},
    {"QuestionMarkUnattached", "1 ? -", "A _ B", 0, "0 (500: 1 (501:B 2))"},
    {"UnknownAfterPhrase", "1 0 ? 0", "A A B B", 0, "(500:A 0 1) (501:B 2 3)"},
    {"UnknownNoUnary", "1 x", "A A", 1, "(500:A 0) 1"},
    {"WorkedExample", "1 0 - - 0 1 1 - 0 + 1", "NP NP PP NP NP VP NP AP AP NP _", 0,
     "(500:NP 0 1 (501:PP 2 (502:NP 3 4))) 5 (503:NP 6 (504:AP 7 8) 9) 10"},
    {"WorkedExampleUnary", "1 0 - - 0 1 1 - 0 + 1", "NP NP PP NP NP VP NP AP AP NP _", 1,
     "(500:NP 0 1 (501:PP 2 (502:NP 3 4))) (503:VP 5) (504:NP 6 (505:AP 7 8) 9) 10"},
};

void PrintTo(const DecodeCase &c, std::ostream *os) { *os << c.depths << " / " << c.categories; }

class Decode : public ::testing::TestWithParam<DecodeCase> {
 protected:
  void SetUp() override { reset_tree_settings(); }
  void TearDown() override { reset_tree_settings(); }
};

TEST_P(Decode, BuildsTree) {
  const DecodeCase &c = GetParam();
  allow_unary_bool = c.unary;
  Sentence s(c.depths, c.categories);
  mobile_t *root = s.decode();
  EXPECT_EQ(render(root), c.tree);
  for (std::size_t i = 0; i < s.depths.size(); ++i) {
    EXPECT_EQ(s.leaf[i]->id, static_cast<int>(i));
    EXPECT_EQ(s.leaf[i]->string, s.word_ptrs[i]);  // the word itself, not a copy
    EXPECT_EQ(s.leaf[i]->child, nullptr);
  }
  mobile_free(root);
}

INSTANTIATE_TEST_SUITE_P(Cases, Decode, ::testing::ValuesIn(kCases),
                         [](const auto &info) { return std::string(info.param.name); });

TEST(DepthTable, AllCharacters) {
  const std::string chars = "0+u-d=12i?x";
  const int prev[] = {1, 2, 3, 1, 1, 2, 0, 0, 0, -1, -1};
  const int curr[] = {1, 1, 1, 2, 3, 2, 1, 0, 0, -1, -1};
  for (std::size_t i = 0; i < chars.size(); ++i) {
    EXPECT_EQ(depth_prev_word(chars[i]), prev[i]) << chars[i];
    EXPECT_EQ(depth_curr_word(chars[i]), curr[i]) << chars[i];
  }
}

class DecodeTree : public ::testing::Test {
 protected:
  void SetUp() override { reset_tree_settings(); }
  void TearDown() override { reset_tree_settings(); }
};

TEST_F(DecodeTree, RootCarriesHeaderDataAndChainIsCreationOrder) {
  sentence_num = 7;
  Sentence s("1 0 - - 0 1 1 - 0 + 1", "NP NP PP NP NP VP NP AP AP NP _");
  const long before = std::time(nullptr);
  mobile_t *root = s.decode();
  const long after = std::time(nullptr);
  EXPECT_EQ(root->id, 7);
  EXPECT_EQ(root->secedge[0], -4);
  EXPECT_EQ(root->morph, 0);
  EXPECT_EQ(root->string, nullptr);
  EXPECT_GE(root->tag, before);
  EXPECT_LE(root->tag, after);
  EXPECT_EQ(chain_ids(root), "7 0 1 500 2 501 3 502 4 5 6 7 503 504 8 9 10");
  mobile_free(root);
}

TEST_F(DecodeTree, LongSentencePhrasesStartAfterWords) {
  Sentence s(std::string(501, '0'), "S");
  mobile_t *root = s.decode();
  EXPECT_EQ(root->child->id, 502);
  EXPECT_EQ(root->child->sister, nullptr);
  mobile_free(root);
  Sentence exactly(std::string(500, '0'), "S");
  root = exactly.decode();
  EXPECT_EQ(root->child->id, 500);
  mobile_free(root);
}

TEST_F(DecodeTree, AddChildResults) {
  mobile_t *site = newmobile(500, nullptr, 0, nullptr, 0, nullptr);
  mobile_t *a = newmobile(0, nullptr, 0, nullptr, 0, site);
  mobile_t *b = newmobile(1, nullptr, 0, nullptr, 0, a);
  EXPECT_EQ(add_child(nullptr, a), 0);
  EXPECT_EQ(add_child(site, a), 2);
  EXPECT_EQ(add_child(site, b), 2);
  EXPECT_EQ(add_child(site, a), 1);
  EXPECT_EQ(site->child, a);
  EXPECT_EQ(a->sister, b);
  EXPECT_EQ(b->sister, nullptr);
  EXPECT_EQ(b->parent, site);
  mobile_free(b);
}

TEST_F(DecodeTree, NoAllocationOnceWarm) {
  Sentence s("1 0 - - 0 1 1 - 0 + 1", "NP NP PP NP NP VP NP AP AP NP _");
  FILE *null = std::fopen("/dev/null", "w");
  for (int round = 0; round < 2; ++round) {
    chunks_to_tree(null, s.word_ptrs.data(), s.depths.data(), s.pos_tags.data(),
                   s.categories.data(), static_cast<int>(s.depths.size()));
    negra_output_bool = 1;
  }
  const std::size_t warm = memory_allocated;
  for (int round = 0; round < 50; ++round) {
    negra_output_bool = round % 2;
    chunks_to_tree(null, s.word_ptrs.data(), s.depths.data(), s.pos_tags.data(),
                   s.categories.data(), static_cast<int>(s.depths.size()));
  }
  EXPECT_EQ(memory_allocated, warm);
  std::fclose(null);
}
}  // namespace
