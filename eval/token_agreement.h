// Measuring a tokenizer against a tokenised corpus: tokens, sentence ends and chunks are
// compared by where they stand in the corpus's sentences joined into running text.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "eval/chunked_sentence.h"
#include "train/conll_corpus.h"

// The sentences are joined the way English is written; the tokenizer's output for that
// text is placed back on it character by character.

namespace vornik {

// Characters begin to end - 1 of a text. A token that stands for no text (the "."
// that the corpus adds after an abbreviation ending a sentence) has begin == end.
struct Span {
  std::size_t begin = 0, end = 0;
  bool operator==(const Span &) const = default;
};

// Tokens of a text with their spans, sentence by sentence.
struct PlacedTokens {
  std::vector<std::string> tokens;
  std::vector<Span> spans;                 // one per token
  std::vector<std::size_t> sentence_ends;  // per sentence, the index after its last token
};

// The text a Penn Treebank token stands for: "``" and "''" are '"', "`" is "'",
// -LRB- -RRB- -LSB- -RSB- -LCB- -RCB- are the brackets, "\/" and "\*" are "/" and "*".
// Any other token is its own text.
std::string written_form(std::string_view token);

// Joins `sentences` into running text: one blank between tokens, none before closing
// punctuation, closing quotes and brackets and clitics ("n't", "'s") or after opening
// ones and currency signs; a "." after an abbreviation that ends in "." is not written
// ("U.S. ." becomes "U.S."); sentences follow each other on the same line, and lines
// are wrapped at `width` columns where a blank would be. Fills `gold` with the tokens,
// their spans in the text and the sentence ends.
std::string rebuild_text(const std::vector<std::vector<std::string>> &sentences, PlacedTokens *gold,
                         std::size_t width = 80);

// Places the tokens of `sentences` on `text` in order: each must be found, after
// blanks, as its written_form at the place where the one before ended; a "." that is
// not there stands for no text (an added sentence-final period). Throws orvit::Error
// "NAME: token N ('TOKEN') is not the text at offset K ('...')" otherwise.
PlacedTokens place_tokens(std::string_view text,
                          const std::vector<std::vector<std::string>> &sentences,
                          const std::string &name);

// The sentences of vornik's input format (`tokenized`: one token per line, a blank line
// between sentences; markup lines, comment lines and blank-only lines are skipped).
std::vector<std::vector<std::string>> read_token_lines(std::string_view tokenized);

// Tokens and sentence ends that agree: a found token agrees when a gold token has its
// span and its text ("\/" and "\*" read as "/" and "*"); a sentence end agrees when a
// gold sentence ends at the same character.
struct Agreement {
  std::size_t gold_tokens = 0, found_tokens = 0, agreeing_tokens = 0;
  std::size_t gold_sentences = 0, found_sentences = 0, agreeing_sentences = 0;
};
Agreement compare_tokens(const PlacedTokens &gold, const PlacedTokens &found);

// The words of `corpus`, sentence by sentence.
std::vector<std::vector<std::string>> corpus_words(const std::vector<ConllSentence> &corpus);

// The whole measurement: rebuilds the text of `sentences`, tokenises it with
// vornik-tokenize (default options), places its tokens and compares them with
// `sentences`.
Agreement measure_tokenizer(const std::vector<std::vector<std::string>> &sentences);

// The report, one line each:
//   tokens: gold G  found F  agreeing A  precision P%  recall R%  agreement F1%
//   sentence ends: gold G  found F  agreeing A  precision P%  recall R%  F1 F1%
// with two decimals; F1 = 2PR/(P+R), 0.00 when nothing is found or expected.
std::string agreement_report(const Agreement &agreement);

// Chunks compared across different tokenisations: a found chunk is correct when a gold
// chunk has its type and starts and ends at the same characters. `gold` and `found`
// are sentences whose words are, in order, the tokens of `gold_places` and
// `found_places`. Also counts POS tags on agreeing tokens. Throws orvit::Error when the
// words differ in number from the placed tokens.
struct ChunkAgreement {
  std::size_t gold = 0, found = 0, correct = 0;
  std::size_t tagged = 0, tags_correct = 0;  // agreeing tokens and their equal POS tags
};
ChunkAgreement compare_chunks(const std::vector<Sentence> &gold, const PlacedTokens &gold_places,
                              const std::vector<Sentence> &found, const PlacedTokens &found_places);

// The report: "chunks: gold G  found F  correct C  precision P%  recall R%  F1 F1%" and
// "POS accuracy on agreeing tokens: A% (C of T)", one line each.
std::string chunk_report(const ChunkAgreement &agreement);

}  // namespace vornik
