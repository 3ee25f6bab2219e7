// vornik-tokenize's work: raw text in, vornik's input format out (one token per line,
// an empty line after each sentence), in the Penn Treebank conventions of the bundled
// models. Streams in bounded memory.
#pragma once

#include <istream>
#include <ostream>

namespace vornik {

struct TokenizeOptions {
  bool plain_brackets = false;  // ( ) [ ] { } as they are, not -LRB- -RRB- ...
};

// Reads `in` to its end and writes its tokens to `out`. A sentence ends at ".", "?" or
// "!" (with the closing quotes and brackets after it) at the end of a line or before a
// capital, digit or opening quote or bracket; after an abbreviation only before a word
// that usually starts a sentence (for company, place and date abbreviations such as
// "Inc.", "Calif.", "Oct.": before a capital), and then its "." becomes a token of its
// own as in the corpus ("Inc ."); at an empty line and at the end of the input; and after a markup line that is an end tag
// ("</s>"). A markup line (only an XML/SGML tag, blanks around it allowed) is written
// alone on its line, without the blanks, at its place. A UTF-8 byte-order mark at the
// start is dropped. Returns false if reading `in` failed (the text read before the
// failure is written); failures to write are left in the state of `out`.
bool tokenize(std::istream &in, std::ostream &out, const TokenizeOptions &options = {});

}  // namespace vornik
