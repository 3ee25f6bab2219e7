// orvit's models: estimation on a tiny corpus worked out by hand, word classes, the
// messages of faulty model files of every kind, Viterbi decoding against brute force,
// and an accuracy floor on CoNLL-2000 slices.
#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <limits>
#include <random>
#include <string>
#include <vector>

#include "orvit/error.h"
#include "orvit/file_io.h"
#include "orvit/model.h"
#include "orvit/model_image.h"
#include "orvit/model_loader.h"
#include "orvit/model_writer.h"
#include "orvit/ngram_stats.h"
#include "orvit/perceptron_model.h"
#include "orvit/pos_model.h"
#include "orvit/suffix_guesser.h"
#include "orvit/tagged_corpus.h"
#include "orvit/tagger.h"
#include "orvit/training_counts.h"
#include "orvit/viterbi.h"
#include "orvit/word_class.h"
#include "support/run_vornik.h"

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
  orvit::TrainOptions options;
  options.known_guess_max = 0;
  return orvit::count_corpus(orvit::parse_tagged_corpus(kTinyCorpus, "tiny", 1, 2), options);
}

TEST(Estimation, TinyCorpusWritesExactModelAndNoEvidenceGivesUnigramWeights) {
  EXPECT_EQ(orvit::write_model_text(tiny_counts()), kTinyModel);
  std::vector<orvit::TrigramCount> none;
  auto l = orvit::deleted_interpolation(orvit::make_ngram_stats(none, 3), none);
  EXPECT_EQ(std::vector<double>(l.begin(), l.end()), (std::vector<double>{1.0, 0.0, 0.0}));
}

class TinyModel : public ::testing::Test {
 protected:
  void SetUp() override { orvit::parse_model(kTinyModel, "tiny.orv", model); }
  orvit::Model model;
};

// Interpolated transitions, dense and sparse. With "class Y X" the contexts X and Y pool
// their bigrams (X Y 2, Y </s> 3, over 5), and half the unigram term becomes that class
// estimate.
TEST_F(TinyModel, InterpolatedTransitionsAndClassBackoff) {
  orvit::TrainingCounts counts = tiny_counts();
  counts.tag_class = {0, 0};
  counts.class_weight = 0.5;
  const std::string text = orvit::write_model_text(counts);
  EXPECT_NE(text.find("theta 0.14142135623730948\nclass-weight 0.5\nclass Y X\nrare-max"),
            std::string::npos)
      << text;
  orvit::Model sparse, pooled;
  orvit::parse_model(kTinyModel, "tiny.orv", sparse, 0);
  orvit::parse_model(text, "classes.orv", pooled);
  ASSERT_TRUE(model.transitions().is_dense());
  ASSERT_FALSE(sparse.transitions().is_dense());
  const int X = 0, Y = 1, S = model.bos(), E = model.eos();
  struct Case {
    bool classes;
    int t1, t2, t3;
    double p;
  } cases[] = {
      {false, S, S, X, 0.125 * 2 / 8 + 0.5 * 2 / 3 + 0.375 * 2 / 3},
      {false, S, S, Y, 0.125 * 3 / 8 + 0.5 * 1 / 3 + 0.375 * 1 / 3},
      {false, S, X, Y, 0.125 * 3 / 8 + 0.5 * 1 + 0.375 * 1},
      {false, X, Y, E, 0.125 * 3 / 8 + 0.5 * 1 + 0.375 * 1},
      {false, X, Y, X, 0.125 * 2 / 8},
      {false, Y, X, Y, 0.125 * 3 / 8 + 0.5 * 1},  // unseen history: no trigram term
      {false, X, Y, S, 0.0},                      // the start state is never predicted
      {true, X, Y, X, 0.125 * (0.5 * 2 / 8 + 0.5 * 0)},
      {true, X, Y, E, 0.125 * (0.5 * 3 / 8 + 0.5 * 3 / 5) + 0.5 * 1 + 0.375 * 1},
      {true, Y, X, Y, 0.125 * (0.5 * 3 / 8 + 0.5 * 2 / 5) + 0.5 * 1},
      {true, S, S, X, 0.125 * (0.5 * 2 / 8 + 0.5 * 2 / 3) + 0.5 * 2 / 3 + 0.375 * 2 / 3},  // own
  };
  for (const auto &c : cases) {
    const orvit::Model &m = c.classes ? pooled : model;
    EXPECT_NEAR(m.transition_prob(c.t1, c.t2, c.t3), c.p, 1e-15)
        << c.classes << " " << c.t1 << " " << c.t2 << " " << c.t3;
    const float logp = m.transitions().logp(c.t1, c.t2, c.t3);
    if (c.p > 0)
      EXPECT_FLOAT_EQ(logp, static_cast<float>(std::log(c.p)));
    else
      EXPECT_TRUE(std::isinf(logp));
    if (c.classes) continue;
    EXPECT_EQ(sparse.transition_prob(c.t1, c.t2, c.t3), m.transition_prob(c.t1, c.t2, c.t3));
    EXPECT_EQ(sparse.transitions().logp(c.t1, c.t2, c.t3), logp);
  }
}

TEST_F(TinyModel, SuffixAbstraction) {
  const double theta = std::sqrt(0.02);
  orvit::SuffixGuesser guesser(model.view());
  struct Case {
    const char *word;
    double px, py;
  } cases[] = {
      {"zz", 0.4, 0.6},  // no known suffix: the rare-word distribution
      {"zb", theta * 0.4 / (1 + theta), (1 + theta * 0.6) / (1 + theta)},
      {"za", (1 + theta * 0.4) / (1 + theta), theta * 0.6 / (1 + theta)},
      {"Zb", theta * 0.4 / (1 + theta), (1 + theta * 0.6) / (1 + theta)},  // empty upper trie
  };
  for (const auto &c : cases) {
    auto d = guesser.suffix_distribution(c.word);
    EXPECT_NEAR(d[0], c.px, 1e-15) << c.word;
    EXPECT_NEAR(d[1], c.py, 1e-15) << c.word;
    auto g = guesser.guess(c.word);
    ASSERT_EQ(g.size, 2u);
    EXPECT_FLOAT_EQ(g.logp[0], static_cast<float>(std::log(c.px / 0.4))) << c.word;
    EXPECT_FLOAT_EQ(g.logp[1], static_cast<float>(std::log(c.py / 0.6))) << c.word;
  }
}

// Emissions as seen; with "known-guess 1 0.5" only "c" (seen once, as Y) mixes in the
// guess from its suffix, P(c) P(t|"c") / P(t), and so may also be an X.
TEST_F(TinyModel, EmissionsAndRareKnownWordsMixingInTheSuffixGuess) {
  std::string text = kTinyModel;
  text.insert(text.find("trigram <s>"), "known-guess 1 0.5\n");
  orvit::Model guessing;
  orvit::parse_model(text, "guess.orv", guessing);
  const double theta = std::sqrt(0.02);
  struct Case {
    bool guess;
    const char *word;
    std::vector<double> p;  // P(word | X), P(word | Y); 0 for no entry
  } cases[] = {
      {false, "a", {1.0, 0}},
      {false, "b", {0, 2.0 / 3}},
      {false, "c", {0, 1.0 / 3}},
      {true, "a", {1.0, 0}},
      {true, "b", {0, 2.0 / 3}},
      {true,
       "c",
       {0.5 * 0.2 * theta / (1 + theta),
        0.5 / 3 + 0.5 * 0.2 * (1 + theta * 0.6) / (1 + theta) / 0.6}},
  };
  for (const auto &c : cases) {
    const orvit::Model &m = c.guess ? guessing : model;
    const int32_t id = m.find_word(c.word);
    std::vector<double> got(2, 0.0);
    for (uint32_t e = m.entry_begin(id); e < m.entry_begin(id + 1); ++e)
      got[m.entry_tags()[e]] = std::exp(m.entry_logp()[e]);
    for (int t = 0; t < 2; ++t) EXPECT_NEAR(got[t], c.p[t], 1e-6) << c.word << " " << t;
  }
  EXPECT_EQ(model.find_word("d"), -1);
  EXPECT_DOUBLE_EQ(model.tag_prob(0), 0.4);
  EXPECT_DOUBLE_EQ(model.tag_prob(1), 0.6);
  const std::string written = orvit::write_model_text(orvit::count_corpus(
      orvit::parse_tagged_corpus(kTinyCorpus, "tiny", 1, 2), orvit::TrainOptions{}));
  EXPECT_NE(written.find("suffix-min 10\nknown-guess 3 0.10000000000000001\ntrigram"),
            std::string::npos)
      << written;
}

// Word shapes pick the suffix trie for an unknown word.
TEST(Estimation, WordClassTable) {
  const std::pair<const char *, const char *> cases[] = {
      // clang-format off
      {"walked", "lower"}, {"", "lower"}, {"\xc3\xa9t\xc3\xa9", "lower"}, {"Walked", "upper"},
      {"IBM", "upper"}, {"Jean-Pierre", "upper"}, {"1990s", "number"}, {"Boeing-747", "number"},
      {"3,250", "number"}, {"well-known", "hyphen"}, {"-", "hyphen"},
  };  // clang-format on
  for (const auto &[word, cls] : cases) {
    EXPECT_STREQ(orvit::word_class_name(orvit::word_class(word)), cls) << word;
    EXPECT_EQ(orvit::word_class_from_name(cls), orvit::word_class(word));
  }
  EXPECT_EQ(orvit::word_class_from_name("middle"), -1);
}

TEST(Estimation, SuffixTriesHoldRareWordsOnlyAndDropThinlyAttestedLongSuffixes) {
  std::string corpus;
  for (int i = 0; i < 11; ++i) corpus += "often X\n\n";
  orvit::TrainOptions options;
  options.max_suffix = 3;
  options.suffix_min = 1;
  orvit::TrainingCounts c = orvit::count_corpus(
      orvit::parse_tagged_corpus(corpus + "seldom Y\n\nSeldom Y\n", "c", 1, 2), options);
  EXPECT_EQ(c.suffixes[0].find("n"), -1);  // "often" is not rare
  EXPECT_GE(c.suffixes[0].find("dom"), 0);
  EXPECT_EQ(c.suffixes[0].find("ldom"), -1);  // longer than max_suffix
  EXPECT_GE(c.suffixes[1].find("dom"), 0);    // "Seldom" is capitalised
  EXPECT_EQ(c.suffixes[0].size(), 3u);
  // "ing" ends 3 rare tokens, "ling" 2, "ding" 1; one-byte suffixes always stay.
  options = orvit::TrainOptions{};
  options.suffix_min = 2;
  c = orvit::count_corpus(
      orvit::parse_tagged_corpus("sing V\n\nsing V\n\nruling V\n\nfiling N\n\nding N\n\nx N\n", "c",
                                 1, 2),
      options);
  const auto &trie = c.suffixes[0];
  for (const char *kept : {"g", "x", "ng", "ing", "ling", "sing"})
    EXPECT_GE(trie.find(kept), 0) << kept;
  for (const char *dropped : {"ding", "iling", "uling", "filing", "ruling"})
    EXPECT_EQ(trie.find(dropped), -1) << dropped;
  EXPECT_EQ(c.suffix_tags[0][trie.find("ing")], (orvit::TagCounts{{0, 2}, {1, 3}}));
}

const std::string kHead = "orvit-model 1\ntags 2\ntag X\ntag Y\nlambdas 1 0 0\n";
const std::string kPHead = "orvit-perceptron 1\nlabels 2\nlabel X\nlabel Y\n";
const std::string kPosHead = "orvit-pos-perceptron 1\nlabels 2\nlabel X\nlabel Y\n";

// Loads `text` as a POS perceptron model (by its first line), else as a perceptron or a
// trigram model: the error message, or "(loaded)".
std::string load_error(const std::string &text, bool perceptron) {
  try {
    orvit::Model model;
    orvit::PerceptronModel p;
    orvit::PosModel pos;
    if (orvit::is_pos_model(text))
      orvit::parse_pos_model(text, "m.orv", pos);
    else if (perceptron)
      orvit::parse_perceptron_model(text, "m.orv", p);
    else
      orvit::parse_model(text, "m.orv", model);
  } catch (const orvit::Error &e) {
    return e.what();
  }
  return "(loaded)";
}

// Each kind chosen by the first line, as orvit chooses it.
TEST(ModelErrors, MessagesNameFileAndLine) {
  const std::string one_of_two = "orvit-model 1\ntags 2\ntag X\n";
  std::string many = "orvit-model 1\ntags 4001\n";
  for (int t = 0; t < 4001; ++t) many += "tag T" + std::to_string(t) + "\n";
  const struct {
    std::string text, message;
  } cases[] = {
      {"", "m.orv:1: empty file, not an orvit model"},
      {"hello\n", "m.orv:1: not an orvit model (the first line must be \"orvit-model 1\")"},
      {"orvit-model 2\n", "m.orv:1: unsupported model version \"2\" (this orvit reads 1)"},
      {"orvit-model\n", "m.orv:1: unsupported model version \"\" (this orvit reads 1)"},
      {kHead + "word a X 1\n# note\nword a Y 1\n", "m.orv:8: duplicate word row \"word a Y 1\""},
      {kHead + "frobnicate 1\n", "m.orv:6: unknown row \"frobnicate 1\""},
      {kHead + "class Y X\nclass Y X\n", "m.orv:7: second class row for tag \"Y\""},
      {"orvit-model 1\ntag X\n", "m.orv:2: tag row outside the tag list"},
      {"orvit-model 1\ntags 2\ntag X\ntag X\n", "m.orv:4: duplicate tag \"X\""},
      {"orvit-model 1\ntags 1\ntag <s>\n", "m.orv:3: bad tag row \"tag <s>\""},
      {"orvit-model 1\nword a X 1\n", "m.orv:2: \"word\" row before the complete tag list"},
      {one_of_two, "m.orv:2: declares 2 tags, but the rest of the file holds at most 1 tag rows"},
      {one_of_two + "# tag Y\n", "m.orv:4: model has no complete tag list"},
      {"orvit-model 1\ntags 1\ntag X\n", "m.orv:3: model has no lambdas row"},
      // Counts whose sums would overflow.
      {kHead + "word a X 18446744073709551615\n",
       "m.orv:6: counts add up to more than 2^53 \"word a X 18446744073709551615\""},
      {kHead + "trigram <s> <s> X 9007199254740992\ntrigram <s> X Y 1\n",
       "m.orv:7: counts add up to more than 2^53 \"trigram <s> X Y 1\""},
      // Sizes are checked before anything is allocated for them.
      {"orvit-model 1\ntags 65000\ntag X\n",
       "m.orv:2: declares 65000 tags, but the rest of the file holds at most 1 tag rows"},
      // A tag set too large for sane memory is refused, though the file holds every row.
      {many,
       "m.orv:2: 4001 tags: more than the 4000 a model may have (its tables would need "
       "more than 512 MB)"},
      {"orvit-perceptron 2\n", "m.orv:1: unsupported model version \"2\" (this orvit reads 1)"},
      {"orvit-perceptron 1\nlabels 0\n", "m.orv:2: bad labels row \"labels 0\""},
      {"orvit-perceptron 1\nlabels 70000\n",
       "m.orv:2: declares 70000 labels, but the rest of the file holds at most 0 label rows"},
      {"orvit-perceptron 1\nlabels 4001\n" + std::string(4001 * 8, '#'),
       "m.orv:2: 4001 labels: more than the 4000 a model may have"},
      {"orvit-perceptron 1\nlabel X\n", "m.orv:2: label row outside the label list"},
      {"orvit-perceptron 1\nlabels 2\nlabel X\nlabel X\n", "m.orv:4: duplicate label \"X\""},
      {"orvit-perceptron 1\nlabels 1\nlabel </s>\n", "m.orv:3: bad label row \"label </s>\""},
      {"orvit-perceptron 1\nlabels 2\nlabel X\n# padding\n",
       "m.orv:4: model has no complete label list"},
      {"orvit-perceptron 1\nfeature C0 NN 1\n",
       "m.orv:2: \"feature\" row before the complete label list"},
      {kPHead + "transition X Y 1\ntransition X Y 2\n",
       "m.orv:6: duplicate transition row \"transition X Y 2\""},
      {kPHead + "feature C0 NN 0:1\n# c\nfeature C0 NN 1:4\n",
       "m.orv:7: duplicate feature row \"feature C0 NN 1:4\""},
      {kPHead + "weights 1\n", "m.orv:5: unknown row \"weights 1\""},
      {"orvit-pos-perceptron 1\nword the X\n",
       "m.orv:2: \"word\" row before the complete label list"},
      {kPosHead + "open X\nopen Y\n", "m.orv:6: duplicate open row"},
      {kPosHead + "word the X\nknown the Y\n", "m.orv:6: duplicate word row \"known the Y\""},
      {kPosHead + "feature s1 e 1:1\nfeature s1 e 0:1\n",
       "m.orv:6: duplicate feature row \"feature s1 e 0:1\""},
      {kHead + "word a X 9007199254740991\nword b Y 1\n", "(loaded)"},
      {kPHead + "transition <s> X -0.5\nfeature C-1C0 <pad> NN 0:1 1:-2.25\n", "(loaded)"},
      {kPosHead + "open Y\nword the X\nknown a X Y\ntransition <s> X -0.5\nfeature b-1 _ 0:1\n"
                  "feature a0 X|Y 1:2\n",
       "(loaded)"},
  };
  for (const auto &c : cases)
    EXPECT_EQ(load_error(c.text, orvit::is_perceptron_model(c.text)), c.message) << c.text;
  // Rows refused as "bad KIND row" right after the head; non-finite numbers too.
  const auto bad = [](int line, const std::string &row) {
    return "m.orv:" + std::to_string(line) + ": bad " + row.substr(0, row.find(' ')) + " row \"" +
           row + "\"";
  };
  for (const char *row :
       {"word a X", "word a Z 1", "word a X 0", "trigram X Y Q 1", "trigram X Y <s> 1",
        "trigram <s> X Y -1", "suffix middle a X 1", "lambdas 0.5 0.5 0.5", "theta x",
        "known-guess 0 0.1", "known-guess 3 1", "class-weight 1", "class X X", "class X Q",
        "lambdas nan nan nan", "lambdas inf -inf 1", "theta nan", "theta inf", "class-weight nan"})
    EXPECT_EQ(load_error(kHead + row + "\n", false), bad(6, row)) << row;
  for (const char *row :
       {"transition X Z 1", "transition <s> </s> 1", "transition X Y nan", "feature C0 NN",
        "feature C0 NN 1", "feature C0 NN 2:1", "feature C0 NN 1:1 0:2", "feature C0 NN 0:1 0:2",
        "feature C0 NN 0:0", "feature C0 NN -1:1", "feature C9 NN 0:1", "feature C-1C0 NN 0:1",
        "feature C0 NN 0:inf", "feature C0 NN 0:nan", "feature C0 NN 1:1e300",
        "feature C0 NN 1:0x2"})
    EXPECT_EQ(load_error(kPHead + row + "\n", true), bad(5, row)) << row;
  for (const char *row : {"open", "open Y X", "word the Z", "word the", "known the",
                          "feature w9 the 0:1", "feature b-1 the 0:1"})
    EXPECT_EQ(load_error(kPosHead + row + "\n", false), bad(5, row)) << row;
  EXPECT_EQ(load_error("orvit-model 1\n", true),
            "m.orv:1: not an orvit perceptron model (the first line must be \"orvit-perceptron "
            "1\")");
}

// Smoothing with theta 0 can leave an unknown word without any tag of its class root
// (here: "zba" ends in "ba", seen only with Y, while the root holds only X). The word
// then gets every tag, and decoding stays inside its candidates.
TEST(ModelErrors, UnknownWordWithoutSuffixCandidatesGetsEveryTag) {
  orvit::Model model;
  orvit::parse_model(kHead +
                         "theta 0\nword a X 1\nword b Y 1\nsuffix lower a X 2\n"
                         "suffix lower ba Y 1\ntrigram <s> <s> X 1\n",
                     "m.orv", model);
  orvit::SuffixGuesser guesser(model.view());
  EXPECT_EQ(guesser.guess("zba").size, 2u);
  orvit::Tagger tagger(model.view(), 0);
  const std::vector<std::string_view> words = {"zba", "a", "zba"};
  const auto &tags = tagger.tag(words);
  ASSERT_EQ(tags.size(), 3u);
  for (uint16_t t : tags) EXPECT_LT(t, 2);
}

orvit::TaggedCorpus head(orvit::TaggedCorpus corpus, size_t sentences) {
  sentences = std::min(sentences, corpus.sentence_count());
  corpus.words.resize(corpus.starts[sentences]);
  corpus.tags.resize(corpus.starts[sentences]);
  corpus.starts.resize(sentences + 1);
  return corpus;
}

double accuracy(orvit::SentenceTagger &tagger, const orvit::TaggedCorpus &test) {
  size_t right = 0;
  std::vector<std::string_view> words;
  for (size_t k = 0; k < test.sentence_count(); ++k) {
    words.assign(test.words.begin() + test.starts[k], test.words.begin() + test.starts[k + 1]);
    const auto &tags = tagger.tag(words);
    for (size_t i = 0; i < words.size(); ++i)
      right += tagger.tag_name(tags[i]) == test.tags[test.starts[k] + i];
  }
  return static_cast<double>(right) / static_cast<double>(test.words.size());
}

TEST(Regression, PosAccuracyOfATrainedSliceAndOfTheBundledModel) {
  for (const char *name : {"train.txt", "test.txt"})
    if (!corpus_missing(name).empty()) GTEST_SKIP() << corpus_missing(name);
  const auto test = head(orvit::read_tagged_corpus(corpus_file("test.txt"), 1, 2), 1000);
  auto train = head(orvit::read_tagged_corpus(corpus_file("train.txt"), 1, 2), 3000);
  orvit::Model model;
  orvit::parse_model(orvit::write_model_text(orvit::count_corpus(train, {})), "slice", model);
  orvit::Tagger exact(model.view(), 0), pruned(model.view(), 1000);
  const double exhaustive = accuracy(exact, head(test, 500));
  EXPECT_GE(exhaustive, 0.945) << "accuracy " << exhaustive;
  EXPECT_GE(accuracy(pruned, head(test, 500)), exhaustive - 0.002);
  orvit::TaggingModel bundled(ORVIT_MODELS_DIR "/en-pos", 0, nullptr);
  EXPECT_GE(accuracy(bundled.tagger(), test), 0.975);
}

// The same random transitions as a dense and as a sparse table. As in a
// trained model, a seen trigram scores at least its pair's unseen value.
struct RandomModel {
  int states;
  orvit::TransitionTable dense, sparse;
};

RandomModel random_model(std::mt19937 &rng, int real_tags) {
  RandomModel m{real_tags + 2, {}, {}};
  const size_t s = static_cast<size_t>(m.states);
  std::uniform_real_distribution<float> u(-6.0f, 0.0f);
  std::uniform_int_distribution<int> one_in_ten(0, 9), one_in_three(0, 2);
  std::vector<float> unseen(s * s);
  for (float &v : unseen)
    v = one_in_ten(rng) == 0 ? -std::numeric_limits<float>::infinity() : u(rng);
  std::vector<std::pair<uint64_t, float>> seen;
  for (uint64_t key = 0; key < s * s * s; ++key) {
    if (one_in_three(rng) != 0) continue;
    float base = unseen[key % (s * s)];
    // Some seen values tie with the unseen one, to exercise tie-breaking.
    float v = std::isinf(base) ? u(rng) : one_in_ten(rng) == 0 ? base : base + 0.5f * -u(rng);
    seen.emplace_back(key, v);
  }
  m.dense.build(m.states, unseen, seen, s * s * s);
  m.sparse.build(m.states, unseen, seen, 0);
  return m;
}

orvit::Lattice random_lattice(std::mt19937 &rng, int real_tags, int length) {
  orvit::Lattice lat;
  std::uniform_real_distribution<float> u(-8.0f, 0.0f);
  for (int i = 0; i < length; ++i) {
    std::vector<uint16_t> tags;
    for (int t = 0; t < real_tags; ++t) tags.push_back(static_cast<uint16_t>(t));
    std::shuffle(tags.begin(), tags.end(), rng);
    int n = std::uniform_int_distribution<int>(1, real_tags)(rng);
    for (int k = 0; k < n; ++k) lat.add(tags[k], u(rng));
    lat.end_token();
  }
  return lat;
}

// Score of one full path, candidate indices in `pick`.
float path_score(const RandomModel &m, const orvit::Lattice &lat, const std::vector<int> &pick) {
  const size_t S = static_cast<size_t>(m.states);
  size_t t1 = m.states - 2, t2 = m.states - 2;
  float score = 0;
  for (size_t i = 0; i < lat.size(); ++i) {
    size_t e = lat.start[i] + pick[i];
    size_t t3 = lat.tag[e];
    score += m.dense.logp(t1, t2, t3) + lat.logp[e];
    t1 = t2;
    t2 = t3;
  }
  return score + m.dense.logp(t1, t2, S - 1);
}

float brute_force_best(const RandomModel &m, const orvit::Lattice &lat) {
  std::vector<int> pick(lat.size(), 0);
  float best = -std::numeric_limits<float>::infinity();
  for (;;) {
    best = std::max(best, path_score(m, lat, pick));
    size_t i = 0;
    while (i < pick.size() && ++pick[i] == static_cast<int>(lat.start[i + 1] - lat.start[i]))
      pick[i++] = 0;
    if (i == pick.size()) return best;
  }
}

std::vector<int> picks_of(const orvit::Lattice &lat, const std::vector<uint16_t> &tags) {
  std::vector<int> pick;
  for (size_t i = 0; i < lat.size(); ++i) {
    int found = -1;
    for (uint32_t e = lat.start[i]; e < lat.start[i + 1]; ++e)
      if (lat.tag[e] == tags[i]) found = static_cast<int>(e - lat.start[i]);
    pick.push_back(found);
  }
  return pick;
}

TEST(Decoding, ViterbiMatchesBruteForce) {
  std::mt19937 rng(12345);
  orvit::Viterbi viterbi;
  for (int trial = 0; trial < 300; ++trial) {
    int real_tags = 1 + trial % 4;
    int length = 1 + (trial / 4) % 6;
    RandomModel m = random_model(rng, real_tags);
    orvit::Lattice lat = random_lattice(rng, real_tags, length);
    ASSERT_TRUE(m.dense.is_dense());
    ASSERT_FALSE(m.sparse.is_dense());
    for (int t1 = 0; t1 < m.states; ++t1)
      for (int t2 = 0; t2 < m.states; ++t2)
        for (int t3 = 0; t3 < m.states; ++t3)
          ASSERT_EQ(m.sparse.logp(t1, t2, t3), m.dense.logp(t1, t2, t3)) << t1 << t2 << t3;
    std::vector<uint16_t> best;
    viterbi.decode(m.dense.view(), lat, 0, best);
    ASSERT_EQ(best.size(), lat.size());
    std::vector<int> pick = picks_of(lat, best);
    for (int p : pick) ASSERT_GE(p, 0) << "tag outside the candidates, trial " << trial;
    float expected = brute_force_best(m, lat);
    float got = path_score(m, lat, pick);
    if (std::isinf(expected))
      EXPECT_TRUE(std::isinf(got)) << "trial " << trial;
    else
      EXPECT_NEAR(got, expected, 1e-4) << "trial " << trial;

    std::vector<uint16_t> sparse;
    viterbi.decode(m.sparse.view(), lat, 0, sparse);
    EXPECT_EQ(sparse, best) << "sparse table, trial " << trial;

    std::vector<uint16_t> wide;
    viterbi.decode(m.dense.view(), lat, 1e30, wide);
    EXPECT_EQ(wide, best) << "a huge beam changed the result, trial " << trial;

    std::vector<uint16_t> narrow, narrow_sparse;
    viterbi.decode(m.dense.view(), lat, 2.0, narrow);
    for (int p : picks_of(lat, narrow)) EXPECT_GE(p, 0) << "trial " << trial;
    viterbi.decode(m.sparse.view(), lat, 2.0, narrow_sparse);
    EXPECT_EQ(narrow_sparse, narrow) << "sparse table with a beam, trial " << trial;
  }
}

}  // namespace
