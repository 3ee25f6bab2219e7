// The perceptron model: its feature templates, the feature table (an open-addressing
// hash from feature key to weight row), and reading and writing its text form.
#include "orvit/perceptron_model.h"

#include <algorithm>
#include <unordered_map>

#include "orvit/error.h"
#include "orvit/file_io.h"
#include "orvit/perceptron_rows.h"
#include "orvit/text_scan.h"

namespace orvit {

namespace {

constexpr Part T = Part::kToken, C = Part::kClass, W = Part::kWord;

uint64_t mix(uint64_t key) {
  key ^= key >> 31;
  key *= 0x9e3779b97f4a7c15ULL;
  key ^= key >> 29;
  return key;
}

}  // namespace

const std::vector<FeatureTemplate> &feature_templates() {
  static const std::vector<FeatureTemplate> templates = {
      {"T-2", 1, {T}, {-2}},
      {"T-1", 1, {T}, {-1}},
      {"T0", 1, {T}, {0}},
      {"T+1", 1, {T}, {1}},
      {"T+2", 1, {T}, {2}},
      {"C-2", 1, {C}, {-2}},
      {"C-1", 1, {C}, {-1}},
      {"C0", 1, {C}, {0}},
      {"C+1", 1, {C}, {1}},
      {"C+2", 1, {C}, {2}},
      {"W-2", 1, {W}, {-2}},
      {"W-1", 1, {W}, {-1}},
      {"W0", 1, {W}, {0}},
      {"W+1", 1, {W}, {1}},
      {"W+2", 1, {W}, {2}},
      {"C-2C-1", 2, {C, C}, {-2, -1}},
      {"C-1C0", 2, {C, C}, {-1, 0}},
      {"C0C+1", 2, {C, C}, {0, 1}},
      {"C+1C+2", 2, {C, C}, {1, 2}},
      {"C-1C+1", 2, {C, C}, {-1, 1}},
      {"C-2C-1C0", 3, {C, C, C}, {-2, -1, 0}},
      {"C-1C0C+1", 3, {C, C, C}, {-1, 0, 1}},
      {"C0C+1C+2", 3, {C, C, C}, {0, 1, 2}},
      {"W-1W0", 2, {W, W}, {-1, 0}},
      {"W0W+1", 2, {W, W}, {0, 1}},
      {"T-1T0", 2, {T, T}, {-1, 0}},
      {"T0T+1", 2, {T, T}, {0, 1}},
  };
  return templates;
}

void split_token(std::string_view token, std::string_view &cls, std::string_view &word) {
  const size_t at = token.find('@');
  if (at == std::string_view::npos || at == 0 || at + 1 == token.size()) {
    cls = token;
    word = {};
    return;
  }
  cls = token.substr(0, at);
  word = token.substr(at + 1);
}

void PerceptronModel::set_labels(const std::vector<std::string> &names) {
  for (const std::string &name : names) label_table_.intern(name);
  label_names = label_table_.view();
  const size_t side = names.size() + 1;
  trans_list_.assign(side * side, kForbidden);
  trans = trans_list_;
}

int32_t PerceptronModel::intern_part(std::string_view part) {
  const int32_t id = part_table_.find(part);
  if (id >= 0) return id;
  if (part_table_.size() >= kMaxParts) return -1;
  return part_table_.intern(part);
}

void PerceptronModel::reserve(size_t features) {
  size_t size = 1024;
  while (size < 2 * (features + 1)) size *= 2;
  if (size > slot_list_.size()) {
    slot_list_.assign(size, FeatureSlot());
    mask_ = size - 1;
    for (size_t f = 0; f < key_list_.size(); ++f) {
      uint64_t s = mix(key_list_[f]) & mask_;
      while (slot_list_[s].key != 0) s = (s + 1) & mask_;
      slot_list_[s] = {key_list_[f], static_cast<uint32_t>(f)};
    }
  }
  key_list_.reserve(features);
  weight_list_.reserve(features * static_cast<size_t>(labels()));
}

bool PerceptronModel::add_feature(uint64_t key, const float *row) {
  if (2 * (key_list_.size() + 1) > slot_list_.size()) reserve(2 * key_list_.size() + 1);
  uint64_t s = mix(key) & mask_;
  while (slot_list_[s].key != 0) {
    if (slot_list_[s].key == key) return false;
    s = (s + 1) & mask_;
  }
  slot_list_[s] = {key, static_cast<uint32_t>(key_list_.size())};
  key_list_.push_back(key);
  weight_list_.insert(weight_list_.end(), row, row + labels());
  return true;
}

void PerceptronModel::set_transition(int from, int to, float weight) {
  trans_list_[from * (labels() + 1) + to] = weight;
}

void PerceptronModel::finish() {
  if (slot_list_.empty()) {
    slot_list_.assign(1, FeatureSlot());
    mask_ = 0;
  }
  const size_t codes = part_table_.size() + 2;
  unigram_list_.assign(kUnigramTemplates * codes, -1);
  for (size_t f = 0; f < key_list_.size(); ++f) {
    const size_t t = (key_list_[f] & 31) - 1;
    if (t < kUnigramTemplates)
      unigram_list_[t * codes + ((key_list_[f] >> 5) & kMaxCode)] = static_cast<int32_t>(f);
  }
  build_class_tables();
  parts = part_table_.view();
  keys = key_list_;
  weights = weight_list_;
  slots = slot_list_;
  unigram_rows = unigram_list_;
  class_codes = class_code_list_;
  for (size_t t = 0; t < kClassTemplates; ++t) class_rows[t] = class_row_lists_[t];
}

void PerceptronModel::build_class_tables() {
  const std::vector<FeatureTemplate> &templates = feature_templates();
  class_code_list_.assign(part_table_.size() + 2, 0);
  dense_classes = 1;
  for (auto &rows : class_row_lists_) rows.clear();
  for (size_t f = 0; f < key_list_.size(); ++f) {
    const size_t t = (key_list_[f] & 31) - 1;
    if (t < kUnigramTemplates || t >= kClassTemplatesEnd) continue;
    for (int k = 0; k < templates[t].arity; ++k) {
      uint32_t &index = class_code_list_[(key_list_[f] >> (5 + 19 * k)) & kMaxCode];
      if (index == 0) index = dense_classes++;
    }
  }
  if (dense_classes >= kMaxDenseClasses) {
    class_code_list_.clear();
    dense_classes = 0;
    return;
  }
  for (size_t t = kUnigramTemplates; t < kClassTemplatesEnd; ++t) {
    size_t cells = 1;
    for (int k = 0; k < templates[t].arity; ++k) cells *= dense_classes;
    class_row_lists_[t - kUnigramTemplates].assign(cells, -1);
  }
  for (size_t f = 0; f < key_list_.size(); ++f) {
    const size_t t = (key_list_[f] & 31) - 1;
    if (t < kUnigramTemplates || t >= kClassTemplatesEnd) continue;
    size_t cell = 0;
    for (int k = 0; k < templates[t].arity; ++k)
      cell = cell * dense_classes + class_code_list_[(key_list_[f] >> (5 + 19 * k)) & kMaxCode];
    class_row_lists_[t - kUnigramTemplates][cell] = static_cast<int32_t>(f);
  }
}

const float *PerceptronView::find(uint64_t key) const {
  const uint64_t mask = slots.size() - 1;
  uint64_t s = mix(key) & mask;
  while (slots[s].key != 0) {
    if (slots[s].key == key) return row_at(static_cast<int32_t>(slots[s].row));
    s = (s + 1) & mask;
  }
  return nullptr;
}

void PerceptronView::prefetch_slot(uint64_t key) const {
  __builtin_prefetch(&slots[mix(key) & (slots.size() - 1)]);
}

TokenCodes PerceptronView::codes(std::string_view token) const {
  std::string_view cls, word;
  split_token(token, cls, word);
  TokenCodes c;
  c.cls = static_cast<uint32_t>(parts.find(cls) + 2);
  if (!word.empty()) {
    c.word = static_cast<uint32_t>(parts.find(word) + 2);
    c.token = static_cast<uint32_t>(parts.find(token) + 2);
  }
  // find() gives -1 for an unknown part: code 1 would be the padding.
  if (c.cls == 1) c.cls = 0;
  if (c.word == 1) c.word = 0;
  if (c.token == 1) c.token = 0;
  return c;
}

std::string write_perceptron_model_text(const PerceptronModel &model) {
  const int n = model.labels();
  std::string out = std::string(kPerceptronMagic) + "\n";
  out += "# orvit averaged-perceptron model; see docs/orvit-model-format.md\n";
  out += "labels " + std::to_string(n) + "\n";
  for (int l = 0; l < n; ++l) {
    out += "label ";
    out += model.label_name(l);
    out += '\n';
  }
  for (int from = 0; from <= n; ++from) {
    for (int to = 0; to <= n; ++to) {
      const float w = model.transition(from, to);
      if (w == kForbidden) continue;
      out += "transition ";
      out += from == n ? "<s>" : model.label_name(from);
      out += ' ';
      out += to == n ? "</s>" : model.label_name(to);
      out += ' ';
      append_weight(out, w);
      out += '\n';
    }
  }
  const std::vector<FeatureTemplate> &templates = feature_templates();
  for (size_t f = 0; f < model.feature_count(); ++f) {
    const uint64_t key = model.feature_key_at(f);
    const FeatureTemplate &ft = templates[(key & 31) - 1];
    out += "feature ";
    out += ft.name;
    for (int k = 0; k < ft.arity; ++k) {
      const uint32_t code = static_cast<uint32_t>(key >> (5 + 19 * k)) & kMaxCode;
      out += ' ';
      if (code == kPadCode)
        out += kPadName;
      else
        out += model.parts.key(static_cast<int32_t>(code - 2));
    }
    append_weight_pairs(out, model.feature_weights(f), n);
  }
  return out;
}

bool is_perceptron_model(std::string_view text) {
  return starts_with_magic(text, kPerceptronMagic);
}

namespace {

class PerceptronParser : PerceptronRows<PerceptronModel> {
 public:
  // `rows`: about how many rows the text has, to make room for the features at once.
  PerceptronParser(std::string_view text, const std::string &name, PerceptronModel &model,
                   size_t rows)
      : PerceptronRows(text, name, model, kPerceptronMagic, "orvit perceptron model"), rows_(rows) {
    for (size_t t = 0; t < feature_templates().size(); ++t)
      template_ids_.emplace(feature_templates()[t].name, t);
  }

  void line(std::string_view row, long number) {
    const std::string_view kind = shared_row(row, number);
    if (kind.empty()) return;
    if (kind == "transition") return transition();
    if (kind == "feature") return feature();
    fail("unknown row " + quote_row(row));
  }

  void finish() {
    require_labels();
    model_.finish();
  }

 private:
  void labels_complete() override {
    model_.reserve(std::min(rows_, kMaxWeights / static_cast<size_t>(expected_)));
  }

  void feature() {
    auto t = template_ids_.find(next());
    if (t == template_ids_.end()) bad_row("feature");
    const FeatureTemplate &ft = feature_templates()[t->second];
    uint32_t code[3] = {0, 0, 0};
    for (int k = 0; k < ft.arity; ++k) {
      std::string_view part = next();
      if (part.empty()) bad_row("feature");
      if (part == kPadName) {
        code[k] = kPadCode;
        continue;
      }
      const int32_t id = model_.intern_part(part);
      if (id < 0) fail("more than " + std::to_string(kMaxParts) + " distinct feature parts");
      code[k] = static_cast<uint32_t>(id) + 2;
    }
    weight_pairs();
    if (!model_.add_feature(feature_key(t->second, code[0], code[1], code[2]), weights_.data()))
      fail("duplicate feature row " + quote_row(row_));
  }

  size_t rows_;
  std::unordered_map<std::string_view, size_t> template_ids_;
};

}  // namespace

void parse_perceptron_model(std::string_view text, const std::string &name,
                            PerceptronModel &model) {
  PerceptronParser parser(text, name, model,
                          static_cast<size_t>(std::count(text.begin(), text.end(), '\n')));
  for_each_line(text, [&](std::string_view row, long number) { parser.line(row, number); });
  parser.finish();
}

}  // namespace orvit
