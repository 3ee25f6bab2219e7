// The POS perceptron model kind: a first-order linear sequence model over words whose
// label scores come from features of the word and its neighbours (the words at -2..+2,
// and for words outside the tag dictionary their affixes and shape), with a tag
// dictionary that limits frequent words to the tags they were seen with.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "orvit/string_table.h"

namespace orvit {

inline constexpr const char *kPosMagic = "orvit-pos-perceptron 1";

// Feature kinds, each named in model files: the word at offset 0, -1, +1, -2, +2
// ("w0" ...), the suffixes of 1 to 5 bytes and prefixes of 1 to 4 ("s1" ... "s5",
// "p1" ... "p4"), the shape ("shape": runs of capitals, small letters and digits
// written X, x, d, other bytes kept), what follows the first hyphen ("h"),
// "b-2" ... "b+2": the position at that offset is outside the sentence, and "a0": the
// word's ambiguity class (see WordInfo).
enum PosKind : uint8_t {
  kW0,
  kWm1,
  kWp1,
  kWm2,
  kWp2,
  kS1,
  kS2,
  kS3,
  kS4,
  kS5,
  kP1,
  kP2,
  kP3,
  kP4,
  kShape,
  kHyphen,
  kBm2,
  kBm1,
  kBp1,
  kBp2,
  kA0,
  kPosKinds
};
const char *pos_kind_name(PosKind kind);

// The value a boundary feature ("b-1" ...) carries in memory and in model files.
inline constexpr std::string_view kBoundaryValue = "_";

// What the model's lexicon says of a word: whether the tag dictionary limits its tags,
// and its ambiguity class: the names of the tags it was seen with, joined by "|" (for
// an unseen capitalised word whose lowercase form was seen, "~" and that form's class;
// empty for other unseen words).
struct WordInfo {
  bool restricted = false;
  std::string ambiguity;
};

// Calls fn(kind, value) for every feature that a token `word` (with lexicon entry
// `info`) gives the position `offset` places before it (offset -2..+2; an empty word:
// outside the sentence). Affix and shape features fire only for words the dictionary
// does not restrict. `shape` is scratch space for the shape's bytes.
template <typename Fn>
void pos_token_features(std::string_view word, int offset, const WordInfo &info, std::string &shape,
                        Fn &&fn);

// Appends to `out` the key under which the features table holds feature (kind, value):
// the kind's byte, then the value.
inline void append_feature_key(PosKind kind, std::string_view value, std::string &out) {
  out += static_cast<char>(kind);
  out.append(value);
}

// The tables a POS perceptron tagger reads, as read-only views: into a PosModel, or into
// a mapped model image (model_image.h). Whoever made the view keeps its storage alive.
struct PosView {
  StringIndex label_names;                    // label id = position
  StringIndex lexicon;                        // word d = position
  std::span<const uint8_t> restricted_words;  // 1: word d is limited to its tags
  std::span<const uint32_t> tag_begin;        // word d's tags: [tag_begin[d], tag_begin[d + 1])
  std::span<const uint16_t> tags;
  std::span<const uint16_t> open;  // the labels of words outside the dictionary
  StringIndex features;            // kind byte + value; feature f = position
  std::span<const float> weights;  // labels() per feature
  std::span<const float> trans;    // (labels() + 1)^2, row = from

  int labels() const { return static_cast<int>(label_names.size()); }
  std::string_view label_name(int label) const { return label_names.key(label); }
  int find_label(std::string_view name) const { return label_names.find(name); }
  // The labels the word whose lexicon entry is d (-1: none, see `lexicon`) may take, in
  // increasing order, into `out`: its tags when restricted, else the open labels and the
  // tags it was seen with.
  void candidates(int32_t d, std::vector<uint16_t> &out) const;
  // The lexicon's entry d (-1: none) for `word` into `info`.
  void word_info(std::string_view word, int32_t d, WordInfo &info) const;
  // Weight row of feature (kind, value), or nullptr. `key` is scratch space.
  const float *find(PosKind kind, std::string_view value, std::string &key) const;
  const float *transitions() const { return trans.data(); }
  float transition(int from, int to) const { return trans[from * (labels() + 1) + to]; }
  size_t feature_count() const { return features.size(); }
  // Feature f in the order added: its kind, value and weights.
  PosKind feature_kind(size_t f) const {
    return static_cast<PosKind>(features.key(static_cast<int32_t>(f))[0]);
  }
  std::string_view feature_value(size_t f) const {
    return features.key(static_cast<int32_t>(f)).substr(1);
  }
  const float *feature_weights(size_t f) const { return &weights[f * labels()]; }
  // Word d of the lexicon, in the order added: the word, its tags, its restriction.
  size_t lexicon_size() const { return lexicon.size(); }
  std::string_view lexicon_word(size_t d) const { return lexicon.key(static_cast<int32_t>(d)); }
  const uint16_t *lexicon_tags(size_t d, size_t &count) const {
    count = tag_begin[d + 1] - tag_begin[d];
    return &tags[tag_begin[d]];
  }
  bool restricted(size_t d) const { return restricted_words[d] != 0; }
  std::span<const uint16_t> open_labels() const { return open; }
};

// A POS perceptron model built in memory (by the trainer or the text parser): it owns
// the tables its PosView part views. Neither copied nor moved, so the views stay valid.
class PosModel : public PosView {
 public:
  PosModel() = default;
  PosModel(const PosModel &) = delete;
  PosModel &operator=(const PosModel &) = delete;

  // ---- Construction: labels first, then the rest, then finish(). ----
  void set_labels(std::vector<std::string> names);
  // Records that `word` was seen with `tags` (increasing label ids) and, when
  // `restricted`, limits it to them; false if it has a row already.
  bool add_word(std::string_view word, const std::vector<uint16_t> &tags, bool restricted);
  // The labels a word outside the dictionary may take (increasing); all by default.
  void set_open_labels(std::vector<uint16_t> labels);
  // Adds the weight row (labels() entries) of feature (kind, value); false if present.
  bool add_feature(PosKind kind, std::string_view value, const float *weights);
  // from/to: a label, or labels() for the sentence start (from) / end (to). Unset: 0.
  void set_transition(int from, int to, float weight);
  // Points the view at the tables built so far (every step above does so too, so the
  // view can be used while the model is built).
  void finish();

 private:
  StringTable label_table_;
  StringTable lexicon_table_;
  std::vector<uint8_t> restricted_list_;
  std::vector<uint32_t> tag_begin_list_{0};
  std::vector<uint16_t> tag_list_;
  std::vector<uint16_t> open_list_;
  StringTable feature_table_;
  std::vector<float> weight_list_;
  std::vector<float> trans_list_;
};

// Parses POS model text (see docs/orvit-model-format.md); `name` names the file in
// messages. Throws Error "NAME:LINE: what" for any fault.
void parse_pos_model(std::string_view text, const std::string &name, PosModel &model);

// The model as text that parse_pos_model reads back to the same model.
std::string write_pos_model_text(const PosModel &model);

// True when `text` starts with the POS model's header line.
bool is_pos_model(std::string_view text);

// The shape of `word` into `out`: runs of capitals, small letters, digits as X, x, d.
void word_shape(std::string_view word, std::string &out);

template <typename Fn>
void pos_token_features(std::string_view word, int offset, const WordInfo &info, std::string &shape,
                        Fn &&fn) {
  static constexpr PosKind kWordAt[5] = {kWm2, kWm1, kW0, kWp1, kWp2};
  static constexpr PosKind kBoundaryAt[5] = {kBm2, kBm1, kW0, kBp1, kBp2};
  if (word.empty()) {
    if (offset != 0) fn(kBoundaryAt[offset + 2], kBoundaryValue);
    return;
  }
  fn(kWordAt[offset + 2], word);
  if (offset != 0) return;
  if (!info.ambiguity.empty()) fn(kA0, std::string_view(info.ambiguity));
  if (info.restricted) return;
  for (size_t k = 1; k <= 5 && k <= word.size(); ++k) {
    fn(static_cast<PosKind>(kS1 + k - 1), word.substr(word.size() - k));
    if (k <= 4) fn(static_cast<PosKind>(kP1 + k - 1), word.substr(0, k));
  }
  word_shape(word, shape);
  fn(kShape, std::string_view(shape));
  const size_t hyphen = word.find('-');
  if (hyphen != std::string_view::npos && hyphen + 1 < word.size())
    fn(kHyphen, word.substr(hyphen + 1));
}

}  // namespace orvit
