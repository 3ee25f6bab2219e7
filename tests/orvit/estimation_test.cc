// Estimation on a tiny corpus whose counts, interpolation weights,
// transition, emission and suffix probabilities were worked out by hand.
#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <string>
#include <vector>

#include "model.h"
#include "model_loader.h"
#include "model_writer.h"
#include "ngram_stats.h"
#include "suffix_guesser.h"
#include "tagged_corpus.h"
#include "tagger.h"
#include "training_counts.h"
#include "test_support.h"

namespace {

using orvit_test::kTinyCorpus;

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

TEST(Estimation, MarginalsAndWeights) {
  orvit::TrainingCounts c = tiny_counts();
  orvit::NgramStats st = orvit::make_ngram_stats(c.trigrams, c.states);
  const int X = 0, Y = 1, S = c.bos(), E = c.eos();
  EXPECT_EQ(st.total, 8u);
  EXPECT_EQ(st.unigram[X], 2u);
  EXPECT_EQ(st.unigram[Y], 3u);
  EXPECT_EQ(st.unigram[E], 3u);
  EXPECT_EQ(st.bigram[Y * c.states + E], 3u);
  EXPECT_EQ(st.single_context[S], 3u);
  EXPECT_EQ(st.pair_context[S * c.states + S], 3u);
  EXPECT_DOUBLE_EQ(st.p3({S, S, X, 2}), 2.0 / 3);
  EXPECT_DOUBLE_EQ(st.p2(X, Y), 1.0);
  auto l = orvit::deleted_interpolation(st, c.trigrams);
  EXPECT_DOUBLE_EQ(l[0], 0.125);
  EXPECT_DOUBLE_EQ(l[1], 0.5);
  EXPECT_DOUBLE_EQ(l[2], 0.375);
  EXPECT_DOUBLE_EQ(orvit::suffix_theta(st, 2), std::sqrt(0.02));
}

TEST(Estimation, DeletedInterpolationWithoutEvidenceFallsBackToUnigrams) {
  std::vector<orvit::TrigramCount> none;
  auto l = orvit::deleted_interpolation(orvit::make_ngram_stats(none, 3), none);
  EXPECT_EQ(l[0], 1.0);
  EXPECT_EQ(l[1], 0.0);
  EXPECT_EQ(l[2], 0.0);
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

// The same random model loaded with a dense and with a sparse transition
// table: every transition, and the tags chosen for random sentences, agree.
TEST(Estimation, SparseTransitionsMatchDense) {
  std::mt19937 rng(2024);
  const int kTags = 9;
  std::string corpus;
  for (int sentence = 0; sentence < 300; ++sentence) {
    int length = std::uniform_int_distribution<int>(1, 8)(rng);
    int prev = 0;
    for (int i = 0; i < length; ++i) {
      // A skewed walk over the tags, so some trigrams are frequent and many unseen.
      int tag = (prev + std::uniform_int_distribution<int>(0, 3)(rng)) % kTags;
      int word = std::uniform_int_distribution<int>(0, 5)(rng);
      corpus += 'w';
      corpus += std::to_string((tag + word) % 12);
      corpus += " T";
      corpus += std::to_string(tag);
      corpus += '\n';
      prev = tag;
    }
    corpus += "\n";
  }
  std::string text = orvit::write_model_text(
      orvit::count_corpus(orvit::parse_tagged_corpus(corpus, "random", 1, 2), orvit::TrainOptions{}));
  orvit::Model dense, sparse;
  orvit::parse_model(text, "random.orv", dense);
  orvit::parse_model(text, "random.orv", sparse, 0);
  ASSERT_TRUE(dense.transitions().is_dense());
  ASSERT_FALSE(sparse.transitions().is_dense());
  ASSERT_EQ(dense.states(), kTags + 2);
  int seen = 0;
  for (int t1 = 0; t1 < dense.states(); ++t1)
    for (int t2 = 0; t2 < dense.states(); ++t2)
      for (int t3 = 0; t3 < dense.states(); ++t3) {
        double p = dense.transition_prob(t1, t2, t3);
        EXPECT_EQ(sparse.transition_prob(t1, t2, t3), p) << t1 << " " << t2 << " " << t3;
        float logp = dense.transitions().logp(t1, t2, t3);
        EXPECT_EQ(sparse.transitions().logp(t1, t2, t3), logp) << t1 << " " << t2 << " " << t3;
        if (p > 0)
          EXPECT_EQ(logp, static_cast<float>(std::log(p)));
        else
          EXPECT_TRUE(std::isinf(logp));
        seen += dense.trigram_count(t1, t2, t3) > 0;
      }
  EXPECT_GT(seen, 50);

  orvit::Tagger dense_tagger(dense, 0), sparse_tagger(sparse, 0);
  std::vector<std::string> words;
  for (int w = 0; w < 13; ++w) words.push_back('w' + std::to_string(w));  // w12 is unknown
  for (int trial = 0; trial < 200; ++trial) {
    std::vector<std::string_view> sentence;
    int length = std::uniform_int_distribution<int>(1, 10)(rng);
    for (int i = 0; i < length; ++i)
      sentence.push_back(words[std::uniform_int_distribution<int>(0, 12)(rng)]);
    std::vector<uint16_t> expected = dense_tagger.tag(sentence);
    EXPECT_EQ(sparse_tagger.tag(sentence), expected) << "trial " << trial;
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
