// A chunk-annotated corpus in the CoNLL-2000 layout (word, POS tag, IOB2 chunk tag
// per row, a blank row after each sentence), read whole for training and scoring.
#pragma once

#include <string>
#include <vector>

struct ConllToken {
  std::string word;
  std::string pos;
  std::string chunk;  // "B-NP", "I-NP", "O", ...
};

struct ConllSentence {
  std::vector<ConllToken> tokens;
  long first_line = 0;  // line number of the first row, for messages
};

// Reads `path` ("-" is standard input). Throws orvit::Error "FILE:LINE: what" for a
// row that is not "word POS chunk" or whose chunk tag is not B-TYPE, I-TYPE or O (a
// TYPE without "/", other than "_").
std::vector<ConllSentence> read_conll(const std::string &path);
// The same for text already in memory; `name` stands for the file in messages.
std::vector<ConllSentence> parse_conll(const std::string &text, const std::string &name);
