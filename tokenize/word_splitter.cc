// Penn Treebank splitting of one line: UTF-8 punctuation is first mapped to its ASCII
// corpus form, then every blank-separated chunk loses its leading and trailing
// punctuation, is cut at inner dashes, ellipses and quotes, and has its clitic split off.
#include "tokenize/word_splitter.h"

#include <cstring>

#include "tokenize/abbreviations.h"

namespace vornik {
namespace {

bool is_blank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\v' || c == '\f'; }
bool is_alpha(char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); }
bool is_digit(char c) { return c >= '0' && c <= '9'; }
bool is_alnum(char c) { return is_alpha(c) || is_digit(c); }
char lower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c + 32) : c; }

// Whether `text` ends with `suffix` (lower case), ignoring the case of ASCII letters.
bool ends_with_nocase(std::string_view text, std::string_view suffix) {
  if (text.size() < suffix.size()) return false;
  text.remove_prefix(text.size() - suffix.size());
  for (std::size_t i = 0; i < suffix.size(); ++i)
    if (lower(text[i]) != suffix[i]) return false;
  return true;
}

// Whether an apostrophe at the start of `chunk` belongs to the word: a clitic standing
// alone ("'s", "'re", "'em") or a shortened year ("'80s", "'89").
bool attached_apostrophe(std::string_view chunk) {
  std::string_view rest = chunk.substr(1);
  for (std::string_view clitic : {"s", "d", "m", "re", "ve", "ll", "em"}) {
    if (rest.size() >= clitic.size() && ends_with_nocase(rest.substr(0, clitic.size()), clitic) &&
        (rest.size() == clitic.size() || !is_alpha(rest[clitic.size()])))
      return true;
  }
  return rest.size() >= 2 && is_digit(rest[0]) && is_digit(rest[1]) &&
         (rest.size() == 2 || !is_digit(rest[2]));
}

// The ASCII replacement of the UTF-8 punctuation character starting at `s` (n bytes
// available), and its length in bytes; {nullptr, 0} for anything else. Quotes and
// dashes get blanks around them so they become tokens of their own.
struct Mapping {
  const char *ascii;
  std::size_t length;
};
Mapping map_utf8(const unsigned char *s, std::size_t n, bool joined_dash) {
  if (n >= 2 && s[0] == 0xC2) {
    if (s[1] == 0xA0) return {" ", 2};     // no-break space
    if (s[1] == 0xAB) return {" `` ", 2};  // «
    if (s[1] == 0xBB) return {" '' ", 2};  // »
  }
  if (n >= 3 && s[0] == 0xEF && s[1] == 0xBB && s[2] == 0xBF) return {"", 3};  // BOM
  if (n < 3 || s[0] != 0xE2 || s[1] != 0x80) return {nullptr, 0};
  if (s[2] <= 0x8A || s[2] == 0xAF) return {" ", 3};  // the typographic spaces
  switch (s[2]) {
    case 0x8B:
      return {"", 3};  // zero-width space
    case 0x93:
      return {joined_dash ? "-" : " -- ", 3};  // en dash
    case 0x94:
    case 0x95:
      return {" -- ", 3};  // em dash, bar
    case 0x98:
      return {" ` ", 3};  // ‘
    case 0x99:
      return {"'", 3};  // ’ (apostrophe)
    case 0x9C:
    case 0x9E:
      return {" `` ", 3};  // “ „
    case 0x9D:
      return {" '' ", 3};  // ”
    case 0xA6:
      return {" ... ", 3};  // …
    default:
      return {nullptr, 0};
  }
}

}  // namespace

Token WordSplitter::bracket(char c) const {
  static constexpr std::string_view kPlain = "()[]{}";
  static constexpr std::string_view kCorpus[] = {"-LRB-", "-RRB-", "-LSB-",
                                                 "-RSB-", "-LCB-", "-RCB-"};
  std::size_t i = kPlain.find(c);
  TokenKind kind = i % 2 == 0 ? TokenKind::opener : TokenKind::closer;
  return {plain_brackets_ ? kPlain.substr(i, 1) : kCorpus[i], kind};
}

Token WordSplitter::double_quote(bool opening) {
  double_quote_open_ = opening;
  return opening ? Token{"``", TokenKind::opener} : Token{"''", TokenKind::closer};
}

void WordSplitter::split(std::string_view line, std::vector<Token> &tokens) {
  // Map UTF-8 punctuation only when the line has a byte that could start it.
  bool plain_ascii = true;
  for (char c : line)
    if (static_cast<unsigned char>(c) >= 0xC2) {
      plain_ascii = false;
      break;
    }
  if (!plain_ascii) {
    normalised_.clear();
    const auto *s = reinterpret_cast<const unsigned char *>(line.data());
    for (std::size_t i = 0; i < line.size();) {
      bool joined =
          i > 0 && !is_blank(line[i - 1]) && i + 3 < line.size() && !is_blank(line[i + 3]);
      Mapping m = map_utf8(s + i, line.size() - i, joined);
      if (m.ascii) {
        normalised_ += m.ascii;
        i += m.length;
      } else {
        normalised_ += line[i++];
      }
    }
    line = normalised_;
  }
  for (std::size_t i = 0; i < line.size();) {
    while (i < line.size() && is_blank(line[i])) ++i;
    std::size_t start = i;
    while (i < line.size() && !is_blank(line[i])) ++i;
    if (i > start) split_chunk(line.substr(start, i - start), tokens);
  }
}

void WordSplitter::split_chunk(std::string_view c, std::vector<Token> &tokens) {
  if (c == "\"") {
    tokens.push_back(double_quote(!double_quote_open_));
    return;
  }
  // Leading punctuation, in text order.
  while (!c.empty()) {
    std::size_t cut = 1;
    if (is_alnum(c[0])) {
      // Only a currency sign after one to three capitals before a number is split off a
      // word's start: "US$3" -> "US$ 3".
      std::size_t n = 0;
      while (n < c.size() && n < 3 && c[n] >= 'A' && c[n] <= 'Z') ++n;
      if (n == 0 || n + 1 >= c.size() || c[n] != '$' || !(is_digit(c[n + 1]) || c[n + 1] == '.'))
        break;
      cut = n + 1;
      tokens.push_back({c.substr(0, cut), TokenKind::word});
    } else if (c.starts_with("``")) {
      tokens.push_back(double_quote(true));
      cut = 2;
    } else if (c.starts_with("''")) {
      tokens.push_back(double_quote(false));
      cut = 2;
    } else if (c[0] == '"') {
      tokens.push_back(double_quote(true));
    } else if (c[0] == '`' || (c[0] == '\'' && c.size() > 1 && !attached_apostrophe(c))) {
      tokens.push_back({"`", TokenKind::opener});
    } else if (c[0] == '(' || c[0] == '[' || c[0] == '{') {
      tokens.push_back(bracket(c[0]));
    } else if (c.starts_with("...") || c.starts_with("--")) {
      cut = c[0] == '.' ? 3 : 2;
      tokens.push_back({c.substr(0, cut), TokenKind::word});
    } else if ((c[0] == '$' || c[0] == '#' || c[0] == '%' || c[0] == '<') && c.size() > 1) {
      // "%" and "<" too, so that no token line reads as a comment ("%%...") or a
      // markup line ("<...>") to vornik.
      tokens.push_back({c.substr(0, 1), TokenKind::word});
    } else {
      break;
    }
    c.remove_prefix(cut);
  }
  // Trailing punctuation, last first, onto back_ (a stack shared with nested calls).
  std::size_t base = back_.size();
  while (!c.empty()) {
    char last = c.back();
    if (is_alnum(last)) break;
    std::size_t cut = 1;
    if (c.ends_with("''")) {
      back_.push_back(double_quote(false));
      cut = 2;
    } else if (last == '"') {
      back_.push_back(double_quote(false));
    } else if (last == ')' || last == ']' || last == '}') {
      back_.push_back(bracket(last));
    } else if (c.ends_with("...") && !c.ends_with("....")) {
      back_.push_back({c.substr(c.size() - 3), TokenKind::word});
      cut = 3;
    } else if (c.ends_with("--")) {
      back_.push_back({c.substr(c.size() - 2), TokenKind::word});
      cut = 2;
    } else if (last == ',' || last == ';' || last == ':' || last == '%' || last == '>') {
      back_.push_back({c.substr(c.size() - 1), TokenKind::word});
    } else if (last == '?' || last == '!') {
      back_.push_back({c.substr(c.size() - 1), TokenKind::stop});
    } else if (last == '\'') {
      back_.push_back({c.substr(c.size() - 1), TokenKind::closer});
    } else if (last == '.') {
      Abbreviation kind = c.size() == 1 ? Abbreviation::none : abbreviation_kind(c);
      if (kind != Abbreviation::none) {
        back_.push_back({c, kind == Abbreviation::title      ? TokenKind::word
                            : kind == Abbreviation::name_end ? TokenKind::name_end
                                                             : TokenKind::abbreviation});
        cut = c.size();
      } else {
        back_.push_back({c.substr(c.size() - 1), TokenKind::stop});
      }
    } else {
      break;
    }
    c.remove_suffix(cut);
  }
  if (!c.empty()) split_core(c, tokens);
  while (back_.size() > base) {
    tokens.push_back(back_.back());
    back_.pop_back();
  }
}

void WordSplitter::split_core(std::string_view core, std::vector<Token> &tokens) {
  // Inner dashes, ellipses and double quotes cut the chunk in two.
  for (std::size_t p = 1; p < core.size(); ++p) {
    char ch = core[p];
    std::size_t rest = core.size() - p;
    std::size_t length = ch == '"'                                              ? 1
                         : ch == '-' && rest >= 2 && core[p + 1] == '-'         ? 2
                         : ch == '.' && rest >= 3 && core.substr(p, 3) == "..." ? 3
                                                                                : 0;
    if (length == 0) continue;
    split_chunk(core.substr(0, p), tokens);
    if (length == 1) {
      bool letter_before = is_alnum(core[p - 1]);
      bool letter_after = p + 1 < core.size() && is_alnum(core[p + 1]);
      tokens.push_back(
          double_quote(letter_before == letter_after ? !double_quote_open_ : letter_after));
    } else {
      tokens.push_back({core.substr(p, length), TokenKind::word});
    }
    split_chunk(core.substr(p + length), tokens);
    return;
  }
  // Clitics: "don't" -> "do n't", "it's" -> "it 's", "cannot" -> "can not".
  std::size_t cut = 0;
  std::size_t n = core.size();
  if (core[0] != '\'') {
    if (n > 3 && ends_with_nocase(core, "n't") && is_alpha(core[n - 4])) {
      cut = n - 3;
    } else if (n > 2 && core[n - 2] == '\'' && std::strchr("sdmSDM", core[n - 1])) {
      cut = n - 2;
    } else if (n > 3 && core[n - 3] == '\'' &&
               (ends_with_nocase(core, "re") || ends_with_nocase(core, "ve") ||
                ends_with_nocase(core, "ll"))) {
      cut = n - 3;
    } else if ((n == 6 && ends_with_nocase(core, "cannot")) ||
               (n == 5 && (ends_with_nocase(core, "gonna") || ends_with_nocase(core, "gotta") ||
                           ends_with_nocase(core, "wanna")))) {
      cut = 3;
    }
  }
  if (cut > 0) {
    tokens.push_back({core.substr(0, cut), TokenKind::word});
    tokens.push_back({core.substr(cut), TokenKind::word});
  } else {
    tokens.push_back({core, TokenKind::word});
  }
}

}  // namespace vornik
