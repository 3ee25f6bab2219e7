// A line-by-line parser for the three tree formats of vornik. Both tree forms are read
// into the same shape -- per word its direct phrase node, per node its category -- and
// flattened into chunks by one function.
#include "eval/output_reader.h"

#include <algorithm>
#include <charconv>

#include "orvit/error.h"
#include "orvit/file_io.h"
#include "orvit/text_scan.h"
#include "tree/chunk_runs.h"

namespace vornik {
namespace {

// Chunks from the direct phrase node of each word (0: none) and the category of each
// node (entry 0 unused; empty: the node has no category and gives no chunk), by the
// flattening vornik's own column and JSON output use.
std::vector<Chunk> flatten(const std::vector<std::size_t> &parent,
                           const std::vector<std::string> &category) {
  std::vector<std::size_t> phrase(parent);
  for (std::size_t &node : phrase)
    if (category[node].empty()) node = 0;
  std::vector<Chunk> chunks;
  for (const ChunkRun &run : chunk_runs(phrase))
    chunks.push_back({run.begin, run.end, category[run.node]});
  return chunks;
}

// "#BOS ..." or "#EOS ...": the export format's sentence frame. Node rows always hold
// tabs, so a word such as "#EOS" is never taken for one.
bool is_frame(std::string_view line, std::string_view keyword) {
  return line.starts_with(keyword) &&
         (line.size() == keyword.size() || line[keyword.size()] == ' ') &&
         line.find('\t') == std::string_view::npos;
}

// The number of an export-format phrase row label "#NUMBER", or -1.
long phrase_number(std::string_view label) {
  long number = -1;
  if (label.size() < 2 || label[0] != '#') return -1;
  auto [end, error] = std::from_chars(label.data() + 1, label.data() + label.size(), number);
  return error == std::errc() && end == label.data() + label.size() && number >= 0 ? number : -1;
}

// The export format writes "--" for a missing tag or category.
std::string_view export_label(std::string_view label) {
  return label == "--" ? std::string_view() : label;
}

class OutputParser {
 public:
  explicit OutputParser(const std::string &name) : name_(name) {}

  void line(std::string_view line, long number) {
    if (format_ == Format::kUnknown && is_frame(line, "#BOS")) format_ = Format::kNegra;
    if (format_ == Format::kNegra)
      negra_line(line, number);
    else
      tree_line(line, number);
  }

  std::vector<Sentence> finish() {
    if (in_sentence_)
      fail(sentence_.line, format_ == Format::kNegra ? "sentence has no \"#EOS\" line"
                                                     : "sentence has no closing \")\" line");
    return std::move(sentences_);
  }

 private:
  // kTree: a bracketed sentence has started, but no node line has shown whether its
  // labels are quoted (LISP) or not.
  enum class Format { kUnknown, kTree, kBracketing, kLisp, kNegra };
  struct Row {  // one node row of the export format
    std::string_view label, tag;
    long parent;
    long line;
  };

  [[noreturn]] void fail(long number, const std::string &what) const {
    throw orvit::Error(orvit::where(name_, number, what));
  }

  void start_sentence(long number) {
    in_sentence_ = true;
    sentence_.line = number;
    category_.assign(1, std::string());
  }

  void end_sentence() {
    sentence_.chunks = flatten(parent_, category_);
    sentences_.push_back(std::move(sentence_));
    sentence_ = {};
    parent_.clear();
    in_sentence_ = false;
  }

  void add_word(std::string word, std::string tag, std::size_t parent, long number) {
    sentence_.words.push_back(std::move(word));
    sentence_.tags.push_back(std::move(tag));
    sentence_.word_lines.push_back(number);
    parent_.push_back(parent);
  }

  // Bracketing and LISP: "(" starts a sentence, TABS "(" LABEL opens a phrase node,
  // TABS "(" TAG TAB WORD TAB ")" is a word, TABS ")" closes; a node line has one tab
  // more than the phrase nodes open around it. Any other line is a markup line.
  void tree_line(std::string_view line, long number) {
    std::string_view body = line;
    // In LISP output a markup line after a word is quoted together with its newline,
    // so its closing quote starts the next line.
    if (format_ == Format::kLisp && body.starts_with('"')) body.remove_prefix(1);
    const std::size_t tabs = std::min(body.find_first_not_of('\t'), body.size());
    const std::string_view rest = body.substr(tabs);
    if (!rest.starts_with('(') && !rest.starts_with(')')) return;
    if (!in_sentence_) {
      if (tabs != 0 || rest != "(")
        fail(number, "expected \"(\" to start a sentence, got " + orvit::quote_row(line));
      if (format_ == Format::kUnknown) format_ = Format::kTree;
      return start_sentence(number);
    }
    const bool closing = rest.starts_with(')');
    const std::size_t expected = open_.size() + (closing ? 0 : 1);
    if (closing && rest != ")") fail(number, "bad closing line " + orvit::quote_row(line));
    if (tabs != expected)
      fail(number, "line indented by " + std::to_string(tabs) + " tabs, expected " +
                       std::to_string(expected) + ": " + orvit::quote_row(line));
    if (closing) {
      if (open_.empty()) return end_sentence();
      return open_.pop_back();
    }
    if (format_ == Format::kTree)
      format_ = rest.size() > 1 && rest[1] == '"' ? Format::kLisp : Format::kBracketing;
    const std::size_t tab = rest.find('\t');
    if (tab == std::string_view::npos) {  // a phrase node opens
      category_.push_back(label(rest.substr(1), number));
      open_.push_back(category_.size() - 1);
      return;
    }
    const std::string_view word = rest.substr(tab + 1);
    if (!word.ends_with("\t)") || word.find('\t') != word.size() - 2)
      fail(number, "expected (TAG<TAB>WORD<TAB>), got " + orvit::quote_row(line));
    add_word(label(word.substr(0, word.size() - 2), number), label(rest.substr(1, tab - 1), number),
             open_.empty() ? 0 : open_.back(), number);
  }

  // A tag, category or word as printed: in LISP form between double quotes, with a
  // backslash added before each double quote and each backslash inside.
  std::string label(std::string_view text, long number) const {
    if (format_ != Format::kLisp) return std::string(text);
    if (text.size() < 2 || !text.starts_with('"') || !text.ends_with('"'))
      fail(number, "expected a label in double quotes, got " + orvit::quote_row(text));
    text = text.substr(1, text.size() - 2);
    std::string out;
    for (std::size_t i = 0; i < text.size(); ++i) {
      if (text[i] == '\\' && i + 1 < text.size() && (text[i + 1] == '"' || text[i + 1] == '\\')) ++i;
      out += text[i];
    }
    return out;
  }

  // Export format: "#BOS NUMBER ..." opens a sentence, node rows follow (all word rows,
  // then the phrase rows), "#EOS NUMBER" closes it. Lines between sentences are skipped.
  void negra_line(std::string_view line, long number) {
    if (!in_sentence_) {
      if (is_frame(line, "#BOS")) {
        start_sentence(number);
        sentence_number_ = orvit::first_column(line.substr(4));
      }
      return;
    }
    if (is_frame(line, "#EOS")) {
      if (orvit::first_column(line.substr(4)) != sentence_number_)
        fail(number, "\"#EOS\" number differs from \"#BOS " + std::string(sentence_number_) +
                         "\" at line " + std::to_string(sentence_.line));
      return end_negra_sentence();
    }
    // Columns: label, tag, morphological tag, edge label, parent; tabs pad them, and
    // any further columns (secondary edges, a comment) say nothing about chunks.
    std::vector<std::string_view> columns;
    for (std::size_t pos = 0, tab; pos < line.size(); pos = tab + 1) {
      tab = std::min(line.find('\t', pos), line.size());
      if (tab > pos) columns.push_back(line.substr(pos, tab - pos));
    }
    long parent = -1;
    if (columns.size() >= 5) {
      auto [end, error] =
          std::from_chars(columns[4].data(), columns[4].data() + columns[4].size(), parent);
      if (error != std::errc() || end != columns[4].data() + columns[4].size()) parent = -1;
    }
    if (parent < 0)
      fail(number, "expected a node row (LABEL, TAG, --, --, PARENT) or \"#EOS\", got " +
                       orvit::quote_row(line));
    rows_.push_back({columns[0], columns[1], parent, number});
  }

  // Whether rows [n, end) can be the phrase rows, numbered from `first`: every parent
  // is 0 or one of them, and each of them has a child.
  bool forms_tree(std::size_t n, long first) const {
    const std::size_t phrases = rows_.size() - n;
    for (std::size_t j = 0; j < phrases; ++j)
      if (phrase_number(rows_[n + j].label) != first + static_cast<long>(j)) return false;
    std::vector<bool> has_child(phrases);
    for (const Row &row : rows_) {
      if (row.parent == 0) continue;
      if (row.parent < first || row.parent >= first + static_cast<long>(phrases)) return false;
      has_child[row.parent - first] = true;
    }
    return std::ranges::all_of(has_child, [](bool b) { return b; });
  }

  // Phrase rows come after the word rows, numbered from 500 up (from n + 1 in a
  // sentence of n > 500 words). A word may itself read "#501", so the split taken is
  // the one under which the rows form a tree. Only one can: a phrase taken for a word
  // would leave its children pointing at no phrase, a word taken for a phrase would
  // have no child. Taking every trailing "#NUMBER" row for a phrase is tried first.
  void end_negra_sentence() {
    std::size_t trailing = 0;
    while (trailing < rows_.size() && phrase_number(rows_[rows_.size() - 1 - trailing].label) >= 0)
      ++trailing;
    for (std::size_t phrases = trailing + 1; phrases-- > 0;) {
      const std::size_t n = rows_.size() - phrases;
      const long first = n <= 500 ? 500 : static_cast<long>(n) + 1;
      if (!forms_tree(n, first)) continue;
      for (std::size_t j = n; j < rows_.size(); ++j)
        category_.emplace_back(export_label(rows_[j].tag));
      for (std::size_t i = 0; i < n; ++i)
        add_word(std::string(rows_[i].label), std::string(export_label(rows_[i].tag)),
                 rows_[i].parent == 0 ? 0 : rows_[i].parent - first + 1, rows_[i].line);
      rows_.clear();
      return end_sentence();
    }
    fail(sentence_.line,
         "the node rows do not form a tree (phrase rows numbered from 500 must follow the "
         "word rows, and each parent must be 0 or one of them)");
  }

  const std::string &name_;
  Format format_ = Format::kUnknown;
  bool in_sentence_ = false;
  Sentence sentence_;                  // the sentence being read
  std::vector<std::size_t> parent_;    // its words' direct phrase nodes, 0 for none
  std::vector<std::string> category_;  // its phrase nodes' categories, from entry 1
  std::vector<std::size_t> open_;      // bracketing: phrase nodes open, innermost last
  std::string_view sentence_number_;   // export format: from the "#BOS" line
  std::vector<Row> rows_;              // export format: node rows so far
  std::vector<Sentence> sentences_;
};

}  // namespace

std::vector<Sentence> read_output(const std::string &name, std::string_view text) {
  OutputParser parser(name);
  orvit::for_each_line(text,
                       [&](std::string_view line, long number) { parser.line(line, number); });
  return parser.finish();
}

}  // namespace vornik
