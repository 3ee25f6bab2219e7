// Accuracy floor on real data: trains on a slice of CoNLL-2000 train.txt and
// tags a slice of test.txt. Skipped when the corpus is not present.
#include <gtest/gtest.h>

#include <filesystem>

#include "file_io.h"
#include "model.h"
#include "model_loader.h"
#include "model_writer.h"
#include "tagged_corpus.h"
#include "tagger.h"
#include "training_counts.h"

namespace {

const std::string kData = ORVIT_DATA_DIR "/conll2000/";

// The first `sentences` sentences of `corpus`.
orvit::TaggedCorpus head(const orvit::TaggedCorpus& corpus, size_t sentences) {
  orvit::TaggedCorpus out;
  size_t end = corpus.starts[std::min(sentences, corpus.sentence_count())];
  out.words.assign(corpus.words.begin(), corpus.words.begin() + end);
  out.tags.assign(corpus.tags.begin(), corpus.tags.begin() + end);
  out.starts.assign(corpus.starts.begin(), corpus.starts.begin() + std::min(sentences, corpus.sentence_count()) + 1);
  return out;
}

double accuracy(const orvit::Model& model, const orvit::TaggedCorpus& test, double beam) {
  orvit::Tagger tagger(model, beam);
  size_t right = 0;
  std::vector<std::string_view> words;
  for (size_t k = 0; k < test.sentence_count(); ++k) {
    words.assign(test.words.begin() + test.starts[k], test.words.begin() + test.starts[k + 1]);
    const auto& tags = tagger.tag(words);
    for (size_t i = 0; i < words.size(); ++i)
      right += model.tag_name(tags[i]) == test.tags[test.starts[k] + i];
  }
  return static_cast<double>(right) / static_cast<double>(test.words.size());
}

TEST(Regression, PosAccuracyOnConllSlice) {
  if (!std::filesystem::exists(kData + "train.txt") || !std::filesystem::exists(kData + "test.txt"))
    GTEST_SKIP() << "CoNLL-2000 data not found in " << kData << " (set VORNIK_DATA_DIR)";
  auto train = head(orvit::read_tagged_corpus(kData + "train.txt", 1, 2), 3000);
  auto test = head(orvit::read_tagged_corpus(kData + "test.txt", 1, 2), 500);
  orvit::Model model;
  orvit::parse_model(orvit::write_model_text(orvit::count_corpus(train, {})), "slice", model);
  double exhaustive = accuracy(model, test, 0);
  EXPECT_GE(exhaustive, 0.945) << "accuracy " << exhaustive;
  EXPECT_GE(accuracy(model, test, 1000), exhaustive - 0.002);
}

TEST(Regression, BundledPosModelOnTestSlice) {
  if (!std::filesystem::exists(kData + "test.txt"))
    GTEST_SKIP() << "CoNLL-2000 data not found in " << kData << " (set VORNIK_DATA_DIR)";
  orvit::Model model;
  orvit::load_model(ORVIT_MODELS_DIR "/english-pos.orv", model);
  auto test = head(orvit::read_tagged_corpus(kData + "test.txt", 1, 2), 1000);
  EXPECT_GE(accuracy(model, test, 0), 0.965);
}

}  // namespace
