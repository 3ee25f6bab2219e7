// CoNLL-2000 rows to sentences; chunk boundaries follow conlleval's reading of IOB
// tags so that scores agree with the ones published for the corpus.
#include "conll_reader.h"

#include "error.h"
#include "file_io.h"
#include "text_scan.h"

namespace vornik_eval {

std::vector<Sentence> read_conll(const std::string& name, std::string_view text) {
  std::vector<Sentence> sentences;
  Sentence sentence;
  std::string open;        // type of the chunk the previous word is in, or empty
  std::size_t begin = 0;   // its first word
  auto close_chunk = [&] {
    if (!open.empty()) sentence.chunks.push_back({begin, sentence.words.size(), open});
    open.clear();
  };
  auto end_sentence = [&] {
    close_chunk();
    if (!sentence.words.empty()) sentences.push_back(std::move(sentence));
    sentence = {};
  };
  orvit::for_each_line(text, [&](std::string_view line, long number) {
    std::size_t pos = 0;
    const std::string_view word = orvit::next_column(line, pos);
    const std::string_view tag = orvit::next_column(line, pos);
    const std::string_view chunk = orvit::next_column(line, pos);
    if (word.empty()) return end_sentence();
    if (chunk.empty() || !orvit::next_column(line, pos).empty())
      throw orvit::Error(orvit::where(name, number, "expected \"word POS chunk\", got " +
                                                        orvit::quote_row(line)));
    const bool chunked = chunk.size() > 2 && (chunk[0] == 'B' || chunk[0] == 'I') && chunk[1] == '-';
    if (!chunked && chunk != "O")
      throw orvit::Error(orvit::where(name, number, "bad chunk tag \"" + std::string(chunk) +
                                                        "\" (expected B-TYPE, I-TYPE or O)"));
    if (sentence.words.empty()) sentence.line = number;
    const std::string_view type = chunked ? chunk.substr(2) : std::string_view();
    if (!(chunk[0] == 'I' && type == open)) {
      close_chunk();
      open = type;
      begin = sentence.words.size();
    }
    sentence.words.emplace_back(word);
    sentence.tags.emplace_back(tag);
    sentence.word_lines.push_back(number);
  });
  end_sentence();
  return sentences;
}

}  // namespace vornik_eval
