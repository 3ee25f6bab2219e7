// Reading CoNLL-2000 rows into sentences; columns are split the way orvit splits them,
// so training sees the same tokens the tagger reads.
#include "train/conll_corpus.h"

#include "orvit/error.h"
#include "orvit/file_io.h"
#include "orvit/text_scan.h"

namespace vornik {

std::vector<ConllSentence> read_conll(std::string_view text, const std::string &name) {
  std::vector<ConllSentence> sentences;
  ConllSentence current;
  orvit::for_each_line(text, [&](std::string_view line, long number) {
    size_t pos = 0;
    std::string_view word = orvit::next_column(line, pos);
    std::string_view tag = orvit::next_column(line, pos);
    std::string_view chunk = orvit::next_column(line, pos);
    if (word.empty()) {
      if (!current.tokens.empty()) sentences.push_back(std::move(current));
      current = ConllSentence();
      return;
    }
    if (chunk.empty() || !orvit::next_column(line, pos).empty())
      throw orvit::Error(
          orvit::where(name, number, "expected \"word POS chunk\", got " + orvit::quote_row(line)));
    // The type must survive as a "/"-piece of a chunk tag, where "_" means no type.
    bool typed = chunk.size() > 2 && (chunk[0] == 'B' || chunk[0] == 'I') && chunk[1] == '-' &&
                 chunk.find('/') == std::string_view::npos && chunk.substr(2) != "_";
    if (!typed && chunk != "O")
      throw orvit::Error(orvit::where(
          name, number,
          "bad chunk tag \"" + std::string(chunk) + "\" (expected B-TYPE, I-TYPE or O)"));
    if (current.tokens.empty()) current.first_line = number;
    current.tokens.push_back({std::string(word), std::string(tag), std::string(chunk)});
  });
  if (!current.tokens.empty()) sentences.push_back(std::move(current));
  return sentences;
}

}  // namespace vornik
