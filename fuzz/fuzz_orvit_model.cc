// Fuzz target: orvit's model loader, for the kind the text names by its first line
// (trigram HMM, chunk or POS perceptron), and, when a model loads, tagging with it and
// with its image: sentences of known, unknown and odd tokens. Every token must get
// exactly one tag of the model, and the image must load and tag alike.
#include <string>
#include <string_view>
#include <vector>

#include "fuzz/fuzz_support.h"
#include "orvit/error.h"
#include "orvit/model.h"
#include "orvit/model_image.h"
#include "orvit/model_loader.h"
#include "orvit/perceptron_model.h"
#include "orvit/perceptron_tagger.h"
#include "orvit/pos_model.h"
#include "orvit/pos_tagger.h"
#include "orvit/tagger.h"

namespace {
using Sentences = std::vector<std::vector<std::string_view>>;

// Sentences to tag: fixed ones plus the tokens of the model text itself.
Sentences sentences(std::string_view text) {
  Sentences out = {
      {"a"}, {"The", "zba", "x-1", "Hello", "``", "World", "99"}, {"", "b", "c", "a", "a"}};
  std::vector<std::string_view> tokens;
  size_t start = 0;
  for (size_t i = 0; i <= text.size() && tokens.size() < 40; ++i) {
    if (i == text.size() || text[i] == ' ' || text[i] == '\n' || text[i] == '\t') {
      if (i > start) tokens.push_back(text.substr(start, i - start));
      start = i + 1;
    }
  }
  out.push_back(tokens);
  return out;
}

// Tags every sentence; returns the tags, one list per sentence.
std::vector<std::vector<uint16_t>> tag_all(orvit::SentenceTagger &tagger, int tag_count,
                                           const Sentences &text) {
  std::vector<std::vector<uint16_t>> all;
  for (const auto &sentence : text) {
    const std::vector<uint16_t> &tags = tagger.tag(sentence);
    if (tags.size() != sentence.size()) invariant_failed("one tag per token");
    for (uint16_t t : tags)
      if (t >= tag_count) invariant_failed("tag outside the model");
    all.push_back(tags);
  }
  return all;
}

// Tags with the parsed model and with the image written from it, read back as orvit
// maps it: both must load and give the same tags.
template <typename View, typename SentenceTagger>
void tag_model_and_image(const View &parsed, std::string_view text) {
  const Sentences to_tag = sentences(text);
  SentenceTagger from_text(parsed);
  const auto expected = tag_all(from_text, parsed.labels(), to_tag);
  const std::string image = orvit::write_model_image(parsed, text);
  View mapped;
  if (!orvit::read_model_image(image, text, mapped).empty())
    invariant_failed("the image of a model that loads is refused");
  SentenceTagger from_image(mapped);
  if (tag_all(from_image, mapped.labels(), to_tag) != expected)
    invariant_failed("the image tags differently");
}
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
  const std::string_view text(reinterpret_cast<const char *>(data), size);
  try {
    if (orvit::is_perceptron_model(text)) {
      orvit::PerceptronModel model;
      orvit::parse_perceptron_model(text, "fuzz", model);
      tag_model_and_image<orvit::PerceptronView, orvit::PerceptronTagger>(model, text);
    } else if (orvit::is_pos_model(text)) {
      orvit::PosModel model;
      orvit::parse_pos_model(text, "fuzz", model);
      tag_model_and_image<orvit::PosView, orvit::PosTagger>(model, text);
    } else {
      orvit::Model model;
      orvit::parse_model(text, "fuzz", model);
      const Sentences to_tag = sentences(text);
      for (double beam : {0.0, 1000.0}) {
        orvit::Tagger tagger(model.view(), beam);
        tag_all(tagger, model.real_tags(), to_tag);
      }
    }
  } catch (const orvit::Error &) {
  }
  return 0;
}
