// Fuzz target: a chunk tagger's reply is read for a sentence, decoded into a tree and
// printed in every output format.
#include <cstdlib>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "driver/chunkio.h"
#include "driver/parser.h"
#include "driver/vornik.h"
#include "driver/word_buffer.h"
#include "fuzz/fuzz_support.h"
#include "fuzz/vornik_reader.h"
#include "tagfix/fixapply.h"

// Input: a flag byte (-u), a line of words, then the reply text. Invariants: the
// chunk-tag, bracketing and LISP printers write every word once and in order; brackets
// balance and indentation follows them; export rows name only parents that exist.

namespace {
std::vector<std::string_view> lines_of(std::string_view text) {
  std::vector<std::string_view> lines;
  while (!text.empty()) {
    const size_t nl = text.find('\n');
    lines.push_back(text.substr(0, nl));
    if (nl == std::string_view::npos) break;
    text.remove_prefix(nl + 1);
  }
  return lines;
}

// A label as printed: in LISP mode between quotes with '"' and '\' escaped.
std::string unquote(std::string_view label, bool lisp) {
  if (!lisp) return std::string(label);
  if (label.size() < 2 || label.front() != '"' || label.back() != '"') invariant_failed("unquoted label");
  std::string out;
  for (size_t i = 1; i + 1 < label.size(); ++i) {
    if (label[i] == '\\') {
      ++i;
      if (i + 1 >= label.size() || (label[i] != '"' && label[i] != '\\')) invariant_failed("bad escape");
    } else if (label[i] == '"') {
      invariant_failed("unescaped quote");
    }
    out += label[i];
  }
  return out;
}

void check_bracketing(std::string_view out, const std::vector<std::string> &words, bool lisp) {
  const auto lines = lines_of(out);
  if (lines.size() < 3 || lines[0] != "(") invariant_failed("no opening line");
  size_t next_word = 0;
  int depth = 0;
  size_t k = 1;
  for (; k < lines.size() && lines[k] != ")"; ++k) {
    std::string_view line = lines[k];
    int tabs = 0;
    while (!line.empty() && line.front() == '\t') line.remove_prefix(1), ++tabs;
    if (line == ")") {
      if (tabs != depth) invariant_failed("closing line indented wrongly");
      if (--depth < 0) invariant_failed("unbalanced closing line");
      continue;
    }
    if (tabs != depth + 1 || line.empty() || line.front() != '(') invariant_failed("bad line");
    const size_t tab = line.find('\t');
    if (tab == std::string_view::npos) {  // opening line of a phrase
      unquote(line.substr(1), lisp);
      ++depth;
      continue;
    }
    if (line.size() < tab + 3 || line.substr(line.size() - 2) != "\t)") invariant_failed("bad word line");
    unquote(line.substr(1, tab - 1), lisp);
    const std::string word = unquote(line.substr(tab + 1, line.size() - tab - 3), lisp);
    if (next_word >= words.size() || word != words[next_word]) invariant_failed("word out of order");
    ++next_word;
  }
  if (depth != 0) invariant_failed("phrases left open");
  if (next_word != words.size()) invariant_failed("words missing");
}

void check_export(std::string_view out, size_t word_count) {
  auto lines = lines_of(out);
  while (!lines.empty() && lines.back().empty()) lines.pop_back();
  std::set<long> phrases;
  std::vector<long> parents;
  size_t rows = 0;
  // The sentence's own frame: "#BOS" first, "#EOS" last (a word may be "#EOS" too).
  if (lines.size() < 2 || !lines.front().starts_with("#BOS") || !lines.back().starts_with("#EOS"))
    invariant_failed("export frame missing");
  for (size_t k = 1; k + 1 < lines.size(); ++k) {
    const std::string_view line = lines[k];
    const size_t last_tab = line.rfind('\t');
    if (last_tab == std::string_view::npos) invariant_failed("export row without columns");
    const long parent = std::strtol(std::string(line.substr(last_tab + 1)).c_str(), nullptr, 10);
    parents.push_back(parent);
    if (rows++ >= word_count) {
      if (line.front() != '#') invariant_failed("phrase row without #");
      phrases.insert(std::strtol(std::string(line.substr(1, line.find('\t') - 1)).c_str(), nullptr, 10));
    }
  }
  if (rows < word_count) invariant_failed("export word rows missing");
  for (long parent : parents)
    if (parent != 0 && !phrases.count(parent)) invariant_failed("parent " + std::to_string(parent) + " not a phrase");
}

void check_chunk_tags(std::string_view out, const std::vector<std::string> &words) {
  const auto lines = lines_of(out);
  for (size_t i = 0; i < words.size(); ++i)
    if (i >= lines.size() || lines[i].substr(0, lines[i].find('\t')) != words[i])
      invariant_failed("chunk-tag line of a word missing");
}
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
  chunkio_t *record = vornik_reader_record();
  if (size == 0) return 0;
  allow_unary_bool = data[0] & 1;
  std::string_view text(reinterpret_cast<const char *>(data) + 1, size - 1);
  const size_t nl = text.find('\n');
  std::vector<std::string> words;
  {
    std::string_view first = text.substr(0, nl);
    std::string current;
    for (char c : first) {
      if (c == ' ' || c == '\t' || c == '\r' || c == '\v' || c == '\f' || c == '\0') {
        if (!current.empty()) words.push_back(current), current.clear();
      } else {
        current += c;
      }
    }
    if (!current.empty()) words.push_back(current);
  }
  if (words.empty() || words.size() > 600) return 0;
  const std::string_view reply = nl == std::string_view::npos ? "" : text.substr(nl + 1);
  wordbuf_zero(word_buffer);
  record->sentence_length = 0;
  std::vector<char *> word_ptrs;
  for (const std::string &w : words) {
    char *copy = wordbuf_new_word(word_buffer, w.c_str());
    word_ptrs.push_back(copy);
    chunkio_next_line(record, copy, "T", nullptr, nullptr);
  }
  std::vector<int> chosen(words.size());
  fix_tagged_sentence(record->word, record->pos_tag, record->sentence_length, chosen.data());
  std::FILE *in = memory_stream(reply);
  // A reply that breaks the protocol (a row echoing another tag) ends the run.
  const bool read = runs_to_end([&] { read_chunktag_sequence(in, record, chosen.data()); });
  std::fclose(in);
  if (!read) return 0;
  words.resize(static_cast<size_t>(record->sentence_length));
  struct Mode {
    int chunktags, lisp, negra, conll, json;
  };
  // One memory stream for all modes; each mode's output starts where the last ended.
  char *buffer = nullptr;
  size_t length = 0;
  std::FILE *out = open_memstream(&buffer, &length);
  for (const Mode mode : {Mode{1, 0, 0, 0, 0}, Mode{0, 0, 0, 0, 0}, Mode{0, 1, 0, 0, 0},
                          Mode{0, 0, 1, 0, 0}, Mode{0, 0, 0, 1, 0}, Mode{0, 0, 0, 0, 1}}) {
    chunktag_output_bool = mode.chunktags;
    lisp_output_bool = mode.lisp;
    negra_output_bool = mode.negra;
    conll_output_bool = mode.conll;
    json_output_bool = mode.json;
    const size_t start = length;
    print_result(out, record);
    std::fflush(out);
    const std::string_view printed(buffer + start, length - start);
    if (mode.chunktags) check_chunk_tags(printed, words);
    if (!mode.chunktags && !mode.negra && !mode.conll && !mode.json)
      check_bracketing(printed, words, mode.lisp);
    if (mode.negra) check_export(printed, words.size());
  }
  std::fclose(out);
  std::free(buffer);
  return 0;
}
