// A chunk-annotated corpus in the CoNLL-2000 layout (word, POS tag, IOB2 chunk tag
// per row, a blank row after each sentence), read whole for training and scoring.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace vornik {

struct ConllToken {
  std::string word;
  std::string pos;
  std::string chunk;  // "B-NP", "I-NP", "O", ...
};

struct ConllSentence {
  std::vector<ConllToken> tokens;
  long first_line = 0;  // line number of the first row, for messages
};

// The sentences of `text`, in order; `name` stands for the file in messages. Throws
// orvit::Error "NAME:LINE: what" for a row that is not "word POS chunk" or whose chunk
// tag is not B-TYPE, I-TYPE or O (a TYPE without "/", other than "_").
std::vector<ConllSentence> read_conll(std::string_view text, const std::string &name);

}  // namespace vornik
