// CoNLL-2000 rows to sentences; chunk boundaries follow conlleval's reading of IOB
// tags so that scores agree with the ones published for the corpus.
#include "eval/gold_chunks.h"

namespace vornik {

std::vector<Sentence> gold_sentences(const std::vector<ConllSentence> &corpus) {
  std::vector<Sentence> sentences;
  for (const ConllSentence &rows : corpus) {
    Sentence sentence;
    sentence.line = rows.first_line;
    std::string open;  // type of the chunk the previous word is in, or empty
    for (const ConllToken &row : rows.tokens) {
      const std::size_t i = sentence.words.size();
      const std::string type = row.chunk == "O" ? "" : row.chunk.substr(2);
      if (!(row.chunk[0] == 'I' && type == open)) {
        if (!type.empty()) sentence.chunks.push_back({i, i, type});
        open = type;
      }
      if (!open.empty()) sentence.chunks.back().end = i + 1;
      sentence.words.push_back(row.word);
      sentence.tags.push_back(row.pos);
      sentence.word_lines.push_back(rows.first_line + static_cast<long>(i));
    }
    sentences.push_back(std::move(sentence));
  }
  return sentences;
}

}  // namespace vornik
