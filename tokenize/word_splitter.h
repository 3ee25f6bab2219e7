// Splitting one line of raw text into Penn Treebank tokens: punctuation, quotes,
// brackets, clitics and currency signs split off, numbers and abbreviations kept whole.
#pragma once

#include <string>
#include <string_view>
#include <vector>

// Sentence boundaries are not decided here; each token carries what the sentence splitter
// needs to know about it.

namespace vornik {

enum class TokenKind : unsigned char {
  word,          // anything not below
  stop,          // ".", "?" or "!": may end a sentence
  abbreviation,  // kept whole with its "."; ends a sentence only before a sentence start
  name_end,      // an abbreviation ending a name; ends a sentence before most capitals
  opener,        // an opening quote or bracket
  closer,        // a closing quote or bracket: stays with the sentence before it
};

struct Token {
  std::string_view text;
  TokenKind kind;
};

// Splits lines into tokens. One object serves a whole text: it remembers whether a
// straight double quote is open, which decides the direction of a quote that stands
// between blanks or between letters.
class WordSplitter {
 public:
  // `plain_brackets`: write ( ) [ ] { } as they are instead of the corpus forms
  // -LRB- -RRB- -LSB- -RSB- -LCB- -RCB-.
  explicit WordSplitter(bool plain_brackets) : plain_brackets_(plain_brackets) {}

  // Appends the tokens of `line` (no newline in it) to `tokens`. Their texts point into
  // `line`, into static storage or into this object's own buffer; they stay valid until
  // the next call of split. Curly quotes, dashes and the ellipsis character (UTF-8) are
  // mapped to their ASCII corpus forms; every other byte, UTF-8 or Latin-1, is kept.
  void split(std::string_view line, std::vector<Token> &tokens);

  // Forgets an open double quote: called at a paragraph break.
  void end_paragraph() { double_quote_open_ = false; }

 private:
  void split_chunk(std::string_view chunk, std::vector<Token> &tokens);
  void split_core(std::string_view core, std::vector<Token> &tokens);
  Token bracket(char c) const;
  Token double_quote(bool opening);

  bool plain_brackets_;
  bool double_quote_open_ = false;
  std::string normalised_;   // the current line with its UTF-8 punctuation mapped
  std::vector<Token> back_;  // tokens split off a chunk's end, last first
};

}  // namespace vornik
