// Estimation on a tiny corpus whose counts, interpolation weights,
// transition, emission and suffix probabilities were worked out by hand; the
// dense and the sparse transition table of its model agree.
#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "model.h"
#include "model_loader.h"
#include "model_writer.h"
#include "ngram_stats.h"
#include "suffix_guesser.h"
#include "tagged_corpus.h"
#include "training_counts.h"

namespace {

const char kTinyCorpus[] = "a X\nb Y\n\na X\nb Y\n\nc Y\n";

// Trigrams of the tiny corpus: (<s> <s> X) 2, (<s> X Y) 2, (X Y </s>) 2,
// (<s> <s> Y) 1, (<s> Y </s>) 1. Deleted interpolation gives 1 to l1 from
// (<s> <s> Y), 1 to l2 from (<s> Y </s>), and splits the three count-2
// trigrams evenly between l2 and l3: (1, 4, 3) / 8.
const char kTinyModel[] =
    "orvit-model 1\n"
    "# orvit trigram HMM tagger model; see docs/orvit-model-format.md\n"
    "tags 2\n"
    "tag X\n"
    "tag Y\n"
    "lambdas 0.125 0.5 0.375\n"
    "theta 0.14142135623730948\n"
    "rare-max 10\n"
    "suffix-length 10\n"
    "suffix-min 10\n"
    "trigram <s> <s> X 2\n"
    "trigram <s> <s> Y 1\n"
    "trigram <s> X Y 2\n"
    "trigram <s> Y </s> 1\n"
    "trigram X Y </s> 2\n"
    "word a X 2\n"
    "word b Y 2\n"
    "word c Y 1\n"
    "suffix lower a X 2\n"
    "suffix lower b Y 2\n"
    "suffix lower c Y 1\n";

orvit::TrainingCounts tiny_counts() {
  return orvit::count_corpus(orvit::parse_tagged_corpus(kTinyCorpus, "tiny", 1, 2),
                             orvit::TrainOptions{});
}

TEST(Estimation, TinyCorpusWritesExactModel) {
  EXPECT_EQ(orvit::write_model_text(tiny_counts()), kTinyModel);
}

TEST(Estimation, DeletedInterpolationWithoutEvidenceFallsBackToUnigrams) {
  std::vector<orvit::TrigramCount> none;
  auto l = orvit::deleted_interpolation(orvit::make_ngram_stats(none, 3), none);
  EXPECT_EQ(std::vector<double>(l.begin(), l.end()), (std::vector<double>{1.0, 0.0, 0.0}));
}

class TinyModel : public ::testing::Test {
 protected:
  void SetUp() override { orvit::parse_model(kTinyModel, "tiny.orv", model); }
  orvit::Model model;
};

TEST_F(TinyModel, InterpolatedTransitions) {
  const int X = 0, Y = 1, S = model.bos(), E = model.eos();
  orvit::Model sparse;
  orvit::parse_model(kTinyModel, "tiny.orv", sparse, 0);
  ASSERT_TRUE(model.transitions().is_dense());
  ASSERT_FALSE(sparse.transitions().is_dense());
  struct Case {
    int t1, t2, t3;
    double p;
  } cases[] = {
      {S, S, X, 0.125 * 2 / 8 + 0.5 * 2 / 3 + 0.375 * 2 / 3},
      {S, S, Y, 0.125 * 3 / 8 + 0.5 * 1 / 3 + 0.375 * 1 / 3},
      {S, X, Y, 0.125 * 3 / 8 + 0.5 * 1 + 0.375 * 1},
      {X, Y, E, 0.125 * 3 / 8 + 0.5 * 1 + 0.375 * 1},
      {X, Y, X, 0.125 * 2 / 8},
      {Y, X, Y, 0.125 * 3 / 8 + 0.5 * 1},  // unseen history: no trigram term
      {X, Y, S, 0.0},                      // the start state is never predicted
  };
  for (const auto& c : cases) {
    EXPECT_NEAR(model.transition_prob(c.t1, c.t2, c.t3), c.p, 1e-15)
        << c.t1 << " " << c.t2 << " " << c.t3;
    float logp = model.transitions().logp(c.t1, c.t2, c.t3);
    if (c.p > 0)
      EXPECT_FLOAT_EQ(logp, static_cast<float>(std::log(c.p)));
    else
      EXPECT_TRUE(std::isinf(logp));
    EXPECT_EQ(sparse.transition_prob(c.t1, c.t2, c.t3), model.transition_prob(c.t1, c.t2, c.t3));
    EXPECT_EQ(sparse.transitions().logp(c.t1, c.t2, c.t3), logp);
  }
}

TEST_F(TinyModel, Emissions) {
  struct Case {
    const char* word;
    const char* tag;
    double p;
  } cases[] = {{"a", "X", 1.0}, {"b", "Y", 2.0 / 3}, {"c", "Y", 1.0 / 3}};
  for (const auto& c : cases) {
    int32_t id = model.find_word(c.word);
    ASSERT_GE(id, 0);
    uint32_t e = model.entry_begin(id);
    ASSERT_EQ(model.entry_begin(id + 1), e + 1);
    EXPECT_EQ(model.tag_name(model.entry_tags()[e]), c.tag);
    EXPECT_FLOAT_EQ(model.entry_logp()[e], static_cast<float>(std::log(c.p)));
  }
  EXPECT_EQ(model.find_word("d"), -1);
  EXPECT_DOUBLE_EQ(model.tag_prob(0), 0.4);
  EXPECT_DOUBLE_EQ(model.tag_prob(1), 0.6);
}

TEST_F(TinyModel, SuffixAbstraction) {
  const double theta = std::sqrt(0.02);
  orvit::SuffixGuesser guesser(model);
  struct Case {
    const char* word;
    double px, py;
  } cases[] = {
      {"zz", 0.4, 0.6},  // no known suffix: the rare-word distribution
      {"zb", theta * 0.4 / (1 + theta), (1 + theta * 0.6) / (1 + theta)},
      {"za", (1 + theta * 0.4) / (1 + theta), theta * 0.6 / (1 + theta)},
      {"Zb", theta * 0.4 / (1 + theta), (1 + theta * 0.6) / (1 + theta)},  // empty upper trie
  };
  for (const auto& c : cases) {
    auto d = guesser.suffix_distribution(c.word);
    EXPECT_NEAR(d[0], c.px, 1e-15) << c.word;
    EXPECT_NEAR(d[1], c.py, 1e-15) << c.word;
    auto g = guesser.guess(c.word);
    ASSERT_EQ(g.size, 2u);
    EXPECT_FLOAT_EQ(g.logp[0], static_cast<float>(std::log(c.px / 0.4))) << c.word;
    EXPECT_FLOAT_EQ(g.logp[1], static_cast<float>(std::log(c.py / 0.6))) << c.word;
  }
}

TEST(Estimation, SuffixCountsComeFromRareWordsOnly) {
  std::string corpus;
  for (int i = 0; i < 11; ++i) corpus += "often X\n\n";
  corpus += "seldom Y\n\nSeldom Y\n";
  orvit::TrainOptions options;
  options.max_suffix = 3;
  options.suffix_min = 1;
  orvit::TrainingCounts c =
      orvit::count_corpus(orvit::parse_tagged_corpus(corpus, "c", 1, 2), options);
  EXPECT_EQ(c.suffixes[0].find("n"), -1);  // "often" is not rare
  EXPECT_GE(c.suffixes[0].find("dom"), 0);
  EXPECT_EQ(c.suffixes[0].find("ldom"), -1);  // longer than max_suffix
  EXPECT_GE(c.suffixes[1].find("dom"), 0);    // "Seldom" is capitalised
  EXPECT_EQ(c.suffixes[0].size(), 3u);
}

TEST(Estimation, ThinlyAttestedLongSuffixesArePruned) {
  // "ing" ends 3 rare tokens, "ling" 2, "ding" 1; one-byte suffixes always stay.
  const char corpus[] = "sing V\n\nsing V\n\nruling V\n\nfiling N\n\nding N\n\nx N\n";
  orvit::TrainOptions options;
  options.suffix_min = 2;
  orvit::TrainingCounts c =
      orvit::count_corpus(orvit::parse_tagged_corpus(corpus, "c", 1, 2), options);
  const auto& trie = c.suffixes[0];
  for (const char* kept : {"g", "x", "ng", "ing", "ling", "sing"})
    EXPECT_GE(trie.find(kept), 0) << kept;
  for (const char* dropped : {"ding", "iling", "uling", "filing", "ruling"})
    EXPECT_EQ(trie.find(dropped), -1) << dropped;
  EXPECT_EQ(c.suffix_tags[0][trie.find("ing")], (orvit::TagCounts{{0, 2}, {1, 3}}));
}

}  // namespace
