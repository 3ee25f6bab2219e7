// Pairs gold and output sentences; any difference in the words means the output is not
// the run over this gold file, so scoring stops with both places named.
#include "eval/evaluation.h"

#include <algorithm>
#include <vector>

#include "eval/chunk_score.h"
#include "eval/gold_chunks.h"
#include "eval/output_reader.h"
#include "orvit/error.h"

namespace vornik {
namespace {

// The number of the text's last line, counted as the readers count lines.
long last_line(std::string_view text) {
  return static_cast<long>(std::ranges::count(text, '\n')) +
         (!text.empty() && !text.ends_with('\n'));
}

// Sentence `index` of one file, beyond the last sentence of the other.
[[noreturn]] void unmatched(const std::string &name, const std::vector<Sentence> &sentences,
                            std::size_t index, const std::string &other_name,
                            std::string_view other_text) {
  throw orvit::Error(orvit::where(
      name, sentences[index].line,
      "sentence " + std::to_string(index + 1) + " has no counterpart in " + other_name +
          ", which ends at line " + std::to_string(last_line(other_text))));
}

}  // namespace

std::string evaluate(const std::string &gold_name, std::string_view gold_text,
                     const std::string &output_name, std::string_view output_text) {
  const std::vector<Sentence> gold = gold_sentences(read_conll(gold_text, gold_name));
  const std::vector<Sentence> output = read_output(output_name, output_text);
  ChunkScore score;
  for (std::size_t s = 0; s < std::min(gold.size(), output.size()); ++s) {
    const Sentence &g = gold[s], &o = output[s];
    const std::string sentence = "sentence " + std::to_string(s + 1);
    if (o.words.size() != g.words.size())
      throw orvit::Error(orvit::where(output_name, o.line,
                                      sentence + " has a different number of words (" +
                                          std::to_string(o.words.size()) + ") than " + gold_name +
                                          ":" + std::to_string(g.line) + " (" +
                                          std::to_string(g.words.size()) + ")"));
    for (std::size_t w = 0; w < g.words.size(); ++w)
      if (o.words[w] != g.words[w])
        throw orvit::Error(orvit::where(output_name, o.word_lines[w],
                                        "word " + std::to_string(w + 1) + " of " + sentence +
                                            " is " + orvit::quote_row(o.words[w]) + ", but " +
                                            gold_name + ":" + std::to_string(g.word_lines[w]) +
                                            " has " + orvit::quote_row(g.words[w])));
    score.add(g, o);
  }
  if (output.size() > gold.size())
    unmatched(output_name, output, gold.size(), gold_name, gold_text);
  if (gold.size() > output.size())
    unmatched(gold_name, gold, output.size(), output_name, output_text);
  return score.report();
}

}  // namespace vornik
