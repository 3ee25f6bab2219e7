// Model file parser: one pass over the lines, rows dispatched on their
// first word; numbers parsed with from_chars so loading stays fast.
#include "orvit/model_loader.h"

#include <charconv>
#include <cmath>
#include <cstring>
#include <unordered_set>

#include "orvit/error.h"
#include "orvit/file_io.h"
#include "orvit/model_writer.h"
#include "orvit/row_cursor.h"
#include "orvit/text_scan.h"
#include "orvit/training_counts.h"

namespace orvit {

namespace {

class Parser : RowCursor {
 public:
  Parser(std::string_view text, const std::string& name, Model& model)
      : RowCursor(name), text_(text), model_(model) {}

  void line(std::string_view row, long number) {
    start_row(row, number);
    if (number == 1) return header();
    std::string_view kind = next();
    if (kind.empty() || kind[0] == '#') return;
    if (kind == "tags") return tag_total();
    if (kind == "tag") return tag();
    if (!tags_done_) fail("\"" + std::string(kind) + "\" row before the complete tag list");
    if (kind == "trigram") return trigram();
    if (kind == "word") return word();
    if (kind == "suffix") return suffix();
    if (kind == "lambdas") return lambdas();
    if (kind == "theta") return theta();
    if (kind == "known-guess") return known_guess();
    if (kind == "class-weight") return class_weight();
    if (kind == "class") return tag_class();
    if (kind == "rare-max" || kind == "suffix-min") return setting(kind, nullptr);
    if (kind == "suffix-length") return setting(kind, &max_suffix_);
    fail("unknown row " + quote_row(row));
  }

  void finish(size_t dense_limit) {
    require_rows();
    if (!tags_done_) fail("model has no complete tag list");
    if (!have_lambdas_) fail("model has no lambdas row");
    model_.set_max_suffix(max_suffix_);
    model_.finish(dense_limit);
  }

 private:
  template <typename T>
  bool number(T& out) {
    std::string_view s = next();
    if (s.empty()) return false;
    auto [p, ec] = std::from_chars(s.data(), s.data() + s.size(), out);
    return ec == std::errc() && p == s.data() + s.size();
  }

  void header() {
    std::string_view magic = next(), version = next();
    if (magic != "orvit-model" || !at_end())
      fail("not an orvit model (the first line must be \"" + std::string(kModelMagic) + "\")");
    if (version != "1")
      fail("unsupported model version \"" + std::string(version) + "\" (this orvit reads 1)");
  }

  // The tag count is checked before anything is sized by it: against what the rest
  // of the file can hold (a tag row takes at least "tag x" and a newline) and
  // against the largest tag set whose tables fit in sane memory.
  void tag_total() {
    if (expected_tags_ >= 0 || !number(expected_tags_) || expected_tags_ < 1 || !at_end())
      bad_row("tags");
    const size_t row_end = static_cast<size_t>(row_.data() - text_.data()) + row_.size();
    const size_t rest = text_.size() > row_end ? text_.size() - row_end - 1 : 0;
    const size_t room = (rest + 1) / 6;  // the last row may lack its newline
    if (static_cast<size_t>(expected_tags_) > room)
      fail("declares " + std::to_string(expected_tags_) + " tags, but the rest of the file holds at most " +
           std::to_string(room) + " tag rows");
    if (expected_tags_ > kMaxTags)
      fail(std::to_string(expected_tags_) + " tags: more than the " + std::to_string(kMaxTags) +
           " a model may have (its tables would need more than " + std::to_string(kMaxTableMegabytes) +
           " MB)");
    names_.reserve(static_cast<size_t>(expected_tags_));
  }

  // Adds a count to the total of all counts of the file; sums of counts (n-gram
  // histories, tag totals) must stay exact, which 2^53 guarantees in any order.
  void add_to_total(uint64_t count) {
    if (count > kMaxCountTotal - count_total_)
      fail("counts add up to more than 2^53 " + quote_row(row_));
    count_total_ += count;
  }

  void class_weight() {
    double w;
    if (!number(w) || !std::isfinite(w) || !(w > 0 && w < 1) || !at_end()) bad_row("class-weight");
    model_.set_class_weight(w);
  }

  void tag_class() {
    std::string_view name = next();
    int t = model_.find_tag(name), c = model_.find_tag(next());
    if (t < 0 || c < 0 || t == c || !at_end()) bad_row("class");
    if (!model_.set_tag_class(t, c)) fail("second class row for tag \"" + std::string(name) + "\"");
  }

  void tag() {
    if (expected_tags_ < 0 || tags_done_) fail("tag row outside the tag list");
    std::string_view name = next();
    if (name.empty() || name == kStartName || name == kEndName || !at_end()) bad_row("tag");
    if (!seen_names_.insert(name).second) fail("duplicate tag \"" + std::string(name) + "\"");
    names_.emplace_back(name);
    if (static_cast<int>(names_.size()) == expected_tags_) {
      model_.set_tags(std::move(names_));
      tags_done_ = true;
    }
  }

  int state(std::string_view name) {
    if (name == kStartName) return model_.bos();
    if (name == kEndName) return model_.eos();
    return model_.find_tag(name);
  }

  // Rows come sorted, so a trigram's first two names are mostly those of the row
  // before: compared, not looked up again.
  int recent_state(std::string_view name, int slot) {
    if (name != recent_name_[slot]) {
      recent_name_[slot] = name;
      recent_id_[slot] = state(name);
    }
    return recent_id_[slot];
  }

  void trigram() {
    int t1 = recent_state(next(), 0), t2 = recent_state(next(), 1), t3 = state(next());
    uint64_t count;
    if (t1 < 0 || t2 < 0 || t3 < 0 || !number(count) || count == 0 || !at_end())
      bad_row("trigram");
    add_to_total(count);
    if (t3 == model_.bos() || (t1 != model_.bos() && t2 == model_.bos()) || t1 == model_.eos() ||
        t2 == model_.eos())
      bad_row("trigram");
    model_.add_trigram(t1, t2, t3, count);
  }

  // The "TAG COUNT" pairs ending a word or suffix row.
  template <typename Add>
  void tag_counts(const char* kind, Add add) {
    int pairs = 0;
    for (;;) {
      std::string_view name = next();
      if (name.empty()) break;
      int tag = model_.find_tag(name);
      uint64_t count;
      if (tag < 0 || !number(count) || count == 0) bad_row(kind);
      add_to_total(count);
      add(tag, count);
      ++pairs;
    }
    if (pairs == 0) bad_row(kind);
  }

  void word() {
    std::string_view w = next();
    if (w.empty()) bad_row("word");
    if (!model_.begin_word(w)) fail("duplicate word row " + quote_row(row_));
    tag_counts("word", [&](int t, uint64_t c) { model_.add_word_tag(t, c); });
  }

  void suffix() {
    int cls = word_class_from_name(next());
    std::string_view s = next();
    if (cls < 0 || s.empty()) bad_row("suffix");
    if (!model_.begin_suffix(cls, s)) fail("duplicate suffix row " + quote_row(row_));
    tag_counts("suffix", [&](int t, uint64_t c) { model_.add_suffix_tag(t, c); });
  }

  void lambdas() {
    std::array<double, 3> l;
    if (!number(l[0]) || !number(l[1]) || !number(l[2]) || !at_end()) bad_row("lambdas");
    double sum = l[0] + l[1] + l[2];
    if (!std::isfinite(sum) || l[0] < 0 || l[1] < 0 || l[2] < 0 || std::fabs(sum - 1.0) > 1e-6) bad_row("lambdas");
    model_.set_lambdas(l);
    have_lambdas_ = true;
  }

  void theta() {
    double t;
    if (!number(t) || !std::isfinite(t) || t < 0 || !at_end()) bad_row("theta");
    model_.set_theta(t);
  }

  void known_guess() {
    int max_count;
    double weight;
    if (!number(max_count) || max_count < 1 || !number(weight) || !(weight > 0 && weight < 1) ||
        !at_end())
      bad_row("known-guess");
    model_.set_known_guess(max_count, weight);
  }

  void setting(std::string_view kind, int* out) {
    int v;
    if (!number(v) || v < 1 || !at_end()) bad_row(std::string(kind).c_str());
    if (out) *out = v;
  }

  std::string_view text_;
  Model& model_;
  uint64_t count_total_ = 0;
  int expected_tags_ = -1;
  std::vector<std::string> names_;
  std::unordered_set<std::string_view> seen_names_;  // views into the model text
  std::string_view recent_name_[2];
  int recent_id_[2] = {-1, -1};
  bool tags_done_ = false;
  bool have_lambdas_ = false;
  int max_suffix_ = 10;
};

}  // namespace

void parse_model(std::string_view text, const std::string& name, Model& model,
                 size_t dense_limit) {
  Parser parser(text, name, model);
  for_each_line(text, [&](std::string_view row, long number) { parser.line(row, number); });
  parser.finish(dense_limit);
}

void load_model(const std::string& path, Model& model) {
  // A model is always a named file: standard input carries the text to tag.
  parse_model(read_file(path, false), path, model);
}

}  // namespace orvit
