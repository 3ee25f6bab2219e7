// Scoring of a whole vornik run against its gold file: pairs the sentences of the two
// texts one to one and makes sure each pair has the same words before counting it.
#pragma once

#include <string>
#include <string_view>

namespace vornik {

// The ChunkScore report for vornik's output `output_text` against the CoNLL-2000 text
// `gold_text`. The names are the files' names for messages. Throws orvit::Error
// "NAME:LINE: what" for malformed text, and for sentences that differ in number, word
// count or words (naming the place in both files).
std::string evaluate(const std::string &gold_name, std::string_view gold_text,
                     const std::string &output_name, std::string_view output_text);

}  // namespace vornik
