// The POS perceptron model: its tables, and reading and writing its text form.
#include "orvit/pos_model.h"

#include <algorithm>
#include <iterator>

#include "orvit/error.h"
#include "orvit/file_io.h"
#include "orvit/perceptron_model.h"
#include "orvit/perceptron_rows.h"
#include "orvit/text_scan.h"

namespace orvit {

namespace {

constexpr const char *kKindNames[kPosKinds] = {"w0",    "w-1", "w+1", "w-2", "w+2", "s1",  "s2",
                                               "s3",    "s4",  "s5",  "p1",  "p2",  "p3",  "p4",
                                               "shape", "h",   "b-2", "b-1", "b+1", "b+2", "a0"};

}  // namespace

const char *pos_kind_name(PosKind kind) { return kKindNames[kind]; }

void word_shape(std::string_view word, std::string &out) {
  out.clear();
  for (const char c : word) {
    const char s = c >= 'A' && c <= 'Z'   ? 'X'
                   : c >= 'a' && c <= 'z' ? 'x'
                   : c >= '0' && c <= '9' ? 'd'
                                          : c;
    if (out.empty() || out.back() != s || (s != 'X' && s != 'x' && s != 'd')) out += s;
  }
}

void PosModel::set_labels(std::vector<std::string> names) {
  for (const std::string &name : names) label_table_.intern(name);
  const size_t side = names.size() + 1;
  trans_list_.assign(side * side, 0.0f);
  open_list_.resize(names.size());
  for (size_t y = 0; y < open_list_.size(); ++y) open_list_[y] = static_cast<uint16_t>(y);
  finish();
}

void PosModel::set_open_labels(std::vector<uint16_t> labels) {
  open_list_ = std::move(labels);
  finish();
}

bool PosModel::add_word(std::string_view word, const std::vector<uint16_t> &word_tags,
                        bool restricted) {
  if (lexicon_table_.find(word) >= 0) return false;
  lexicon_table_.intern(word);
  restricted_list_.push_back(restricted ? 1 : 0);
  tag_list_.insert(tag_list_.end(), word_tags.begin(), word_tags.end());
  tag_begin_list_.push_back(static_cast<uint32_t>(tag_list_.size()));
  finish();
  return true;
}

bool PosModel::add_feature(PosKind kind, std::string_view value, const float *row) {
  std::string key;
  append_feature_key(kind, value, key);
  if (feature_table_.find(key) >= 0) return false;
  feature_table_.intern(key);
  weight_list_.insert(weight_list_.end(), row, row + labels());
  finish();
  return true;
}

void PosModel::set_transition(int from, int to, float weight) {
  trans_list_[from * (labels() + 1) + to] = weight;
}

void PosModel::finish() {
  label_names = label_table_.view();
  trans = trans_list_;
  lexicon = lexicon_table_.view();
  restricted_words = restricted_list_;
  tag_begin = tag_begin_list_;
  tags = tag_list_;
  open = open_list_;
  features = feature_table_.view();
  weights = weight_list_;
}

void PosView::candidates(int32_t d, std::vector<uint16_t> &out) const {
  size_t count = 0;
  const uint16_t *word_tags = d < 0 ? nullptr : lexicon_tags(static_cast<size_t>(d), count);
  if (d >= 0 && restricted(static_cast<size_t>(d))) {
    out.assign(word_tags, word_tags + count);
    return;
  }
  out.clear();
  std::set_union(open.begin(), open.end(), word_tags, word_tags + count, std::back_inserter(out));
}

void PosView::word_info(std::string_view word, int32_t d, WordInfo &info) const {
  info.restricted = false;
  info.ambiguity.clear();
  if (d >= 0) {
    info.restricted = restricted(static_cast<size_t>(d));
  } else if (!word.empty() && word[0] >= 'A' && word[0] <= 'Z') {
    // An unseen capitalised word: the class of its lowercase form, marked.
    info.ambiguity.push_back('~');
    info.ambiguity.push_back(static_cast<char>(word[0] - 'A' + 'a'));
    info.ambiguity.append(word.substr(1));
    d = lexicon.find(std::string_view(info.ambiguity).substr(1));
    info.ambiguity.resize(d >= 0 ? 1 : 0);
  }
  if (d < 0) return;
  size_t count = 0;
  const uint16_t *word_tags = lexicon_tags(static_cast<size_t>(d), count);
  for (size_t k = 0; k < count; ++k) {
    if (k > 0) info.ambiguity += '|';
    info.ambiguity += label_name(word_tags[k]);
  }
}

const float *PosView::find(PosKind kind, std::string_view value, std::string &key) const {
  key.clear();
  append_feature_key(kind, value, key);
  const int32_t f = features.find(key);
  return f < 0 ? nullptr : &weights[static_cast<size_t>(f) * labels()];
}

std::string write_pos_model_text(const PosModel &model) {
  const int n = model.labels();
  std::string out = std::string(kPosMagic) + "\n";
  out += "# orvit POS perceptron model; see docs/orvit-model-format.md\n";
  out += "labels " + std::to_string(n) + "\n";
  for (int l = 0; l < n; ++l) {
    out += "label ";
    out += model.label_name(l);
    out += '\n';
  }
  const auto tag_list = [&](const uint16_t *tags, size_t count) {
    for (size_t k = 0; k < count; ++k) {
      out += ' ';
      out += model.label_name(tags[k]);
    }
    out += '\n';
  };
  out += "open";
  tag_list(model.open_labels().data(), model.open_labels().size());
  for (size_t d = 0; d < model.lexicon_size(); ++d) {
    size_t count = 0;
    const uint16_t *tags = model.lexicon_tags(d, count);
    out += model.restricted(d) ? "word " : "known ";
    out += model.lexicon_word(d);
    tag_list(tags, count);
  }
  for (int from = 0; from <= n; ++from) {
    for (int to = 0; to <= n; ++to) {
      const float w = model.transition(from, to);
      if (w == 0 || (from == n && to == n)) continue;
      out += "transition ";
      out += from == n ? "<s>" : model.label_name(from);
      out += ' ';
      out += to == n ? "</s>" : model.label_name(to);
      out += ' ';
      append_weight(out, w);
      out += '\n';
    }
  }
  for (size_t f = 0; f < model.feature_count(); ++f) {
    out += "feature ";
    out += pos_kind_name(model.feature_kind(f));
    out += ' ';
    out += model.feature_value(f);
    append_weight_pairs(out, model.feature_weights(f), n);
  }
  return out;
}

bool is_pos_model(std::string_view text) { return starts_with_magic(text, kPosMagic); }

namespace {

class PosParser : PerceptronRows<PosModel> {
 public:
  PosParser(std::string_view text, const std::string &name, PosModel &model)
      : PerceptronRows(text, name, model, kPosMagic, "orvit POS perceptron model") {}

  void line(std::string_view row, long number) {
    const std::string_view kind = shared_row(row, number);
    if (kind.empty()) return;
    if (kind == "open") return open();
    if (kind == "word" || kind == "known") return word(kind == "word");
    if (kind == "transition") return transition();
    if (kind == "feature") return feature();
    fail("unknown row " + quote_row(row));
  }

  void finish() {
    require_labels();
    model_.finish();
  }

 private:
  // The rest of the row: labels in increasing order, at least one.
  bool tag_list(const char *kind) {
    tags_.clear();
    for (std::string_view name = next(); !name.empty(); name = next()) {
      const int label = model_.find_label(name);
      if (label < 0 || (!tags_.empty() && label <= tags_.back())) bad_row(kind);
      tags_.push_back(static_cast<uint16_t>(label));
    }
    return !tags_.empty();
  }

  void open() {
    if (open_seen_) fail("duplicate open row");
    if (!tag_list("open")) bad_row("open");
    open_seen_ = true;
    model_.set_open_labels(tags_);
  }

  void word(bool restricted) {
    const char *kind = restricted ? "word" : "known";
    std::string_view w = next();
    if (w.empty() || !tag_list(kind)) bad_row(kind);
    if (!model_.add_word(w, tags_, restricted)) fail("duplicate word row " + quote_row(row_));
  }

  void feature() {
    const std::string_view name = next(), value = next();
    int kind = 0;
    while (kind < kPosKinds && name != kKindNames[kind]) ++kind;
    const bool boundary = kind >= kBm2 && kind <= kBp2;
    if (kind == kPosKinds || value.empty() || (boundary && value != kBoundaryValue))
      bad_row("feature");
    weight_pairs();
    if (!model_.add_feature(static_cast<PosKind>(kind), value, weights_.data()))
      fail("duplicate feature row " + quote_row(row_));
  }

  bool open_seen_ = false;
  std::vector<uint16_t> tags_;
};

}  // namespace

void parse_pos_model(std::string_view text, const std::string &name, PosModel &model) {
  PosParser parser(text, name, model);
  for_each_line(text, [&](std::string_view row, long number) { parser.line(row, number); });
  parser.finish();
}

}  // namespace orvit
