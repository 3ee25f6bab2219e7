// The rows both perceptron model kinds share in their text files: the header, the
// label list, transitions and the LABEL:WEIGHT pairs that end a feature row, read with
// the same checks and messages (each kind's parser adds its own rows) and written alike.
#pragma once

#include <algorithm>
#include <charconv>
#include <cmath>
#include <string>
#include <string_view>
#include <unordered_set>
#include <vector>

#include "orvit/perceptron_model.h"
#include "orvit/row_cursor.h"
#include "orvit/text_scan.h"

namespace orvit {

// Weights and transition scores in a model file stay below this in magnitude, far
// from the scores that forbid a transition.
inline constexpr double kMaxWeight = 1e5;

// Appends the shortest text that reads back as `w`.
inline void append_weight(std::string &out, float w) {
  char buf[32];
  auto [end, ec] = std::to_chars(buf, buf + sizeof buf, w);
  out.append(buf, end);
}

// Appends " LABEL:WEIGHT" for every label of w[0..labels) whose weight is not 0, then
// a newline: the end of a feature row.
inline void append_weight_pairs(std::string &out, const float *w, int labels) {
  for (int l = 0; l < labels; ++l) {
    if (w[l] == 0) continue;
    out += ' ';
    out += std::to_string(l);
    out += ':';
    append_weight(out, w[l]);
  }
  out += '\n';
}

// True when the first column of `text` is the first word of `magic` ("NAME 1").
inline bool starts_with_magic(std::string_view text, std::string_view magic) {
  size_t pos = 0;
  return next_column(text, pos) == magic.substr(0, magic.find(' '));
}

// `Model` has set_labels(std::vector<std::string>), labels(), find_label(name),
// set_transition(from, to, weight) and feature_count().
template <typename Model>
class PerceptronRows : protected RowCursor {
 protected:
  // `magic` is the kind's first line ("NAME 1"), `what` names the kind in messages.
  PerceptronRows(std::string_view text, const std::string &name, Model &model, const char *magic,
                 const char *what)
      : RowCursor(name), text_(text), model_(model), magic_(magic), what_(what) {}

  // Starts row `number` and parses it when it is the header, a comment or blank, or a
  // label row. Returns the kind (first column) of any other row, after checking that the
  // label list is complete; empty when the row is done.
  std::string_view shared_row(std::string_view row, long number) {
    start_row(row, number);
    if (number == 1) {
      header();
      return {};
    }
    std::string_view kind = next();
    if (kind.empty() || kind[0] == '#') return {};
    if (kind == "labels") {
      label_total();
      return {};
    }
    if (kind == "label") {
      if (label()) labels_complete();
      return {};
    }
    if (!labels_done_) fail("\"" + std::string(kind) + "\" row before the complete label list");
    return kind;
  }

  // Called once, by the label row that completes the list (the model has its labels).
  virtual void labels_complete() {}

  // Checks that the file had rows and a complete label list.
  void require_labels() {
    require_rows();
    if (!labels_done_) fail("model has no complete label list");
  }

  // "transition FROM TO WEIGHT", FROM a label or <s>, TO a label or </s>, each pair once.
  void transition() {
    const int n = model_.labels();
    std::string_view from_name = next(), to_name = next();
    const int from = from_name == "<s>" ? n : model_.find_label(from_name);
    const int to = to_name == "</s>" ? n : model_.find_label(to_name);
    float w;
    if (from < 0 || to < 0 || (from == n && to == n) || !weight(next(), w) || !at_end())
      bad_row("transition");
    const size_t cell = static_cast<size_t>(from) * (n + 1) + to;
    if (side_set_[cell]) fail("duplicate transition row " + quote_row(row_));
    side_set_[cell] = true;
    model_.set_transition(from, to, w);
  }

  // The rest of a feature row: LABEL:WEIGHT pairs, labels increasing, weights not 0, at
  // least one, into weights_ (labels() entries; other labels weigh 0). Also refuses a
  // feature that would take the model past kMaxWeights.
  void weight_pairs() {
    std::fill(weights_.begin(), weights_.end(), 0.0f);
    int last = -1;
    for (std::string_view pair = next(); !pair.empty(); pair = next()) {
      const size_t colon = pair.find(':');
      int label = -1;
      float w = 0;
      if (colon == std::string_view::npos) bad_row("feature");
      auto [p, ec] = std::from_chars(pair.data(), pair.data() + colon, label);
      if (ec != std::errc() || p != pair.data() + colon || label <= last ||
          label >= model_.labels() || !weight(pair.substr(colon + 1), w) || w == 0)
        bad_row("feature");
      weights_[static_cast<size_t>(label)] = w;
      last = label;
    }
    if (last < 0) bad_row("feature");
    if ((model_.feature_count() + 1) * static_cast<size_t>(model_.labels()) > kMaxWeights)
      fail("more than " + std::to_string(kMaxWeights) +
           " weights (features times labels): too large a model");
  }

  std::string_view text_;
  Model &model_;
  int expected_ = 0;  // the label count the file declares
  std::vector<float> weights_;

 private:
  // A weight: a finite decimal below kMaxWeight in magnitude.
  static bool weight(std::string_view s, float &out) {
    double d;
    auto [p, ec] = std::from_chars(s.data(), s.data() + s.size(), d);
    if (s.empty() || ec != std::errc() || p != s.data() + s.size() || !std::isfinite(d) ||
        std::fabs(d) >= kMaxWeight)
      return false;
    out = static_cast<float>(d);
    return true;
  }

  void header() {
    const std::string_view magic(magic_);
    const std::string_view magic_word = magic.substr(0, magic.find(' '));
    std::string_view word = next(), version = next();
    if (word != magic_word || !at_end())
      fail(std::string("not an ") + what_ + " (the first line must be \"" + magic_ + "\")");
    if (version != "1")
      fail("unsupported model version \"" + std::string(version) + "\" (this orvit reads 1)");
  }

  // The label count is checked before anything is sized by it: against what the rest
  // of the file can hold and against the largest label set whose tables fit in sane
  // memory.
  void label_total() {
    std::string_view s = next();
    auto [p, ec] = std::from_chars(s.data(), s.data() + s.size(), expected_);
    if (expected_labels_seen_ || s.empty() || ec != std::errc() || p != s.data() + s.size() ||
        expected_ < 1 || !at_end())
      bad_row("labels");
    expected_labels_seen_ = true;
    require_label_room(text_, expected_, kMaxLabels);
  }

  // True when this row completes the label list.
  bool label() {
    if (!expected_labels_seen_ || labels_done_) fail("label row outside the label list");
    std::string_view name = next();
    if (name.empty() || name == "<s>" || name == "</s>" || !at_end()) bad_row("label");
    if (!seen_.insert(name).second) fail("duplicate label \"" + std::string(name) + "\"");
    names_.emplace_back(name);
    if (static_cast<int>(names_.size()) < expected_) return false;
    model_.set_labels(std::move(names_));
    weights_.resize(static_cast<size_t>(expected_));
    side_set_.assign(static_cast<size_t>(expected_ + 1) * (expected_ + 1), false);
    labels_done_ = true;
    return true;
  }

  const char *magic_, *what_;
  bool expected_labels_seen_ = false, labels_done_ = false;
  std::vector<std::string> names_;
  std::unordered_set<std::string_view> seen_;
  std::vector<bool> side_set_;
};

}  // namespace orvit
