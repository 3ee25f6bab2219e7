// The second kind of orvit model: an averaged perceptron over a window of tokens. A
// token "CLASS@word" has a class and a word part, any other is a class alone; features
// look at these parts at offsets -2..+2, alone and combined.
#pragma once

#include <array>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "orvit/first_order_viterbi.h"
#include "orvit/string_table.h"

namespace orvit {

inline constexpr const char *kPerceptronMagic = "orvit-perceptron 1";

// What a template reads at one offset: the whole token, its class part, its word part.
enum class Part : uint8_t { kToken, kClass, kWord };

struct FeatureTemplate {
  const char *name;  // as written in model files, e.g. "C-1C0"
  int arity;         // 1 to 3 parts
  std::array<Part, 3> part;
  std::array<int, 3> offset;
};

// The fixed template list; a model file names templates, never numbers them.
const std::vector<FeatureTemplate> &feature_templates();

// The codes of one token's parts: 0 when the part is unknown to the model or absent
// (a token without a word part has neither word nor token code: its token is its
// class), kPadCode for a position outside the sentence, else the part's id in the
// model's part table plus 2.
struct TokenCodes {
  uint32_t token = 0, cls = 0, word = 0;
};
inline constexpr uint32_t kPadCode = 1;
inline constexpr uint32_t kMaxParts = (1u << 19) - 2;
// A part code takes 19 bits of a feature key.
inline constexpr uint32_t kMaxCode = (1u << 19) - 1;
// The most labels a model may have: its transition table holds (labels + 1)^2 scores,
// 64 MB at 4000. The most weights (features times labels) a model may hold: 512 MB.
inline constexpr int kMaxLabels = 4000;
inline constexpr size_t kMaxWeights = size_t{1} << 27;
// The name a model file uses for a position outside the sentence.
inline constexpr const char *kPadName = "<pad>";

// Splits a token at its first "@" into class and word part when both are non-empty;
// otherwise the token is its own class and has no word part.
void split_token(std::string_view token, std::string_view &cls, std::string_view &word);

// Calls fn(key) for every feature that fires at position i of a sentence whose tokens
// have codes `codes[0..n)`: a template fires when none of its parts is 0, and a
// Keys are distinct for distinct (template, parts); never 0. Templates before `first`
// are skipped.
template <typename Fn>
void for_each_feature(const TokenCodes *codes, size_t n, size_t i, Fn &&fn, size_t first = 0);

// The templates of one part come first in the list, these many of them; then come the
// templates over class parts only, up to kClassTemplatesEnd.
inline constexpr size_t kUnigramTemplates = 15;
inline constexpr size_t kClassTemplatesEnd = 23;
// Class templates are looked up in dense tables when the classes that occur in their
// features (with the padding) number fewer than this; otherwise through find().
inline constexpr size_t kMaxDenseClasses = 64;
// Code of the part template `ft` reads from token codes `tc`.
inline uint32_t part_code(const FeatureTemplate &ft, int k, const TokenCodes &tc) {
  switch (ft.part[k]) {
    case Part::kToken:
      return tc.token;
    case Part::kClass:
      return tc.cls;
    case Part::kWord:
      return tc.word;
  }
  return 0;
}

inline constexpr size_t kClassTemplates = kClassTemplatesEnd - kUnigramTemplates;

// One slot of the feature hash table: key 0 marks an empty slot. Written to model
// images as it is (no padding bytes).
struct FeatureSlot {
  uint64_t key = 0;
  uint32_t row = 0;
  uint32_t unused = 0;
};

// The tables a perceptron tagger reads, as read-only views: into a PerceptronModel,
// or into a mapped model image (model_image.h). Whoever made the view keeps its
// storage alive.
struct PerceptronView {
  StringIndex label_names;         // label id = position
  StringIndex parts;               // part id = position; its code is id + 2
  std::span<const uint64_t> keys;  // feature keys in the order added
  std::span<const float> weights;  // labels() per feature, same order
  // Open addressing over a power-of-two array, key and row side by side so that a
  // lookup touches one cache line; at least one slot is empty.
  std::span<const FeatureSlot> slots;
  std::span<const float> trans;  // (labels()+1)^2, row = from
  // kUnigramTemplates rows of parts.size() + 2 entries: per one-part template and
  // part code, the feature row or -1.
  std::span<const int32_t> unigram_rows;
  // Dense class tables (empty when the classes are too many): class code -> index
  // (1..dense_classes-1), and per class template the feature row (or -1) of each
  // index tuple.
  std::span<const uint32_t> class_codes;
  uint32_t dense_classes = 0;
  std::array<std::span<const int32_t>, kClassTemplates> class_rows;

  // The number of labels, the name of label id `label` (< labels()), the id of the
  // label `name` (-1 if none), and the number of features.
  int labels() const { return static_cast<int>(label_names.size()); }
  std::string_view label_name(int label) const { return label_names.key(label); }
  int find_label(std::string_view name) const { return label_names.find(name); }
  size_t feature_count() const { return keys.size(); }
  // Codes of a token (see TokenCodes).
  TokenCodes codes(std::string_view token) const;
  // Weight row of feature `key`, or nullptr.
  const float *find(uint64_t key) const;
  // Asks the CPU to fetch the hash table slot where find(key) starts, ahead of it.
  void prefetch_slot(uint64_t key) const;
  // Weight row of one-part template t (< kUnigramTemplates) for part code `code`
  // (not 0), or nullptr: the same row as find() gives, by array index.
  const float *unigram(size_t t, uint32_t code) const {
    return row_at(unigram_rows[t * (parts.size() + 2) + code]);
  }
  // True when the dense class tables can be used (see kMaxDenseClasses).
  bool dense() const { return !class_codes.empty(); }
  // Dense index of class code `code` for class_cell(): 0 when no class feature names it.
  uint32_t class_index(uint32_t code) const {
    return code < class_codes.size() ? class_codes[code] : 0;
  }
  // A class template's row, in two steps: the cell of the dense class indices
  // k[0..arity) (arity: the template's) in template t's table (kUnigramTemplates <= t <
  // kClassTemplatesEnd), and where the table holds that cell's feature row (or -1);
  // row_at() of it is the same row as find() gives.
  size_t class_cell(int arity, const uint32_t *k) const {
    size_t cell = 0;
    for (int j = 0; j < arity; ++j) cell = cell * dense_classes + k[j];
    return cell;
  }
  const int32_t *class_row_index(size_t t, size_t cell) const {
    return &class_rows[t - kUnigramTemplates][cell];
  }
  // The weight row at index `row` (a feature's position), or nullptr for -1.
  const float *row_at(int32_t row) const {
    return row < 0 ? nullptr : &weights[static_cast<size_t>(row) * labels()];
  }
  // Weight of the transition from -> to (see PerceptronModel::set_transition),
  // including the score kForbidden of a transition never set.
  float transition(int from, int to) const { return trans[from * (labels() + 1) + to]; }
  // Feature f (in the order added): its key and weight row.
  uint64_t feature_key_at(size_t f) const { return keys[f]; }
  const float *feature_weights(size_t f) const { return &weights[f * labels()]; }
};

// A perceptron model built in memory (by the trainer or the text parser): it owns the
// tables its PerceptronView part views. Neither copied nor moved, so the views stay
// valid.
class PerceptronModel : public PerceptronView {
 public:
  PerceptronModel() = default;
  PerceptronModel(const PerceptronModel &) = delete;
  PerceptronModel &operator=(const PerceptronModel &) = delete;

  // ---- Construction: labels, then parts/features/transitions, then finish(). ----
  // Takes the label names: label id i is names[i] (the caller keeps them distinct).
  void set_labels(const std::vector<std::string> &names);
  // Id of a part string, added when new; -1 past kMaxParts parts.
  int32_t intern_part(std::string_view part);
  // Makes room for `features` features (after set_labels), so that adding them
  // neither rehashes nor moves the weights.
  void reserve(size_t features);
  // Adds the weight row of feature `key`; false if it has one already.
  // `weights` has labels() entries.
  bool add_feature(uint64_t key, const float *weights);
  // from/to: a label, or labels() for the sentence start (from) / end (to).
  void set_transition(int from, int to, float weight);
  // Builds the lookup tables and points the view at them. Transitions never set are
  // forbidden.
  void finish();

 private:
  StringTable label_table_;
  StringTable part_table_;
  std::vector<uint64_t> key_list_;
  std::vector<float> weight_list_;
  std::vector<FeatureSlot> slot_list_;
  uint64_t mask_ = 0;
  std::vector<float> trans_list_;
  std::vector<int32_t> unigram_list_;
  std::vector<uint32_t> class_code_list_;
  std::array<std::vector<int32_t>, kClassTemplates> class_row_lists_;
  // Fills the dense class tables when the classes are few enough.
  void build_class_tables();
};

// Key of template `t` with part codes c (unused codes 0).
inline uint64_t feature_key(size_t t, uint32_t c0, uint32_t c1, uint32_t c2) {
  return (static_cast<uint64_t>(t) + 1) | static_cast<uint64_t>(c0) << 5 |
         static_cast<uint64_t>(c1) << 24 | static_cast<uint64_t>(c2) << 43;
}

template <typename Fn>
void for_each_feature(const TokenCodes *codes, size_t n, size_t i, Fn &&fn, size_t first) {
  static constexpr TokenCodes kPad{0, kPadCode, 0};
  const std::vector<FeatureTemplate> &templates = feature_templates();
  for (size_t t = first; t < templates.size(); ++t) {
    const FeatureTemplate &ft = templates[t];
    uint32_t c[3] = {0, 0, 0};
    bool fires = true;
    for (int k = 0; k < ft.arity && fires; ++k) {
      const long at = static_cast<long>(i) + ft.offset[k];
      const TokenCodes &tc = at < 0 || at >= static_cast<long>(n) ? kPad : codes[at];
      c[k] = part_code(ft, k, tc);
      fires = c[k] != 0;
    }
    if (fires) fn(feature_key(t, c[0], c[1], c[2]));
  }
}

// Parses perceptron model text (see docs/orvit-model-format.md); `name` names the file
// in messages. Throws Error "NAME:LINE: what" for any fault.
void parse_perceptron_model(std::string_view text, const std::string &name, PerceptronModel &model);

// The model as text that parse_perceptron_model reads back to the same model:
// transitions that are set, features in the order added, weights written as the
// shortest decimal that reads back to the same float.
std::string write_perceptron_model_text(const PerceptronModel &model);

// True when `text` starts with the perceptron model's header line.
bool is_perceptron_model(std::string_view text);

}  // namespace orvit
