// vornik-tokeval: measures vornik-tokenize on a CoNLL-2000 file. The sentences are
// joined into running text, tokenised again, and the tokens, sentence ends and (given
// vornik's output for that text) chunks are compared with the file's by character.
#include <cstdio>
#include <string>
#include <vector>

#include "eval/gold_chunks.h"
#include "eval/output_reader.h"
#include "eval/token_agreement.h"
#include "orvit/cli_args.h"
#include "orvit/file_io.h"
#include "train/conll_corpus.h"

namespace vornik {
namespace {

const char kUsage[] =
    "usage: vornik-tokeval GOLD | vornik-tokeval --text GOLD | vornik-tokeval --chunks GOLD "
    "OUTPUT\n";
const char kHelp[] =
    "usage: vornik-tokeval GOLD\n"
    "       vornik-tokeval --text GOLD\n"
    "       vornik-tokeval --chunks GOLD OUTPUT\n"
    "Measures vornik-tokenize on GOLD, a CoNLL-2000 file. Its sentences are joined into\n"
    "running text the way English is written (no blank before punctuation and clitics,\n"
    "quotes as \", brackets as brackets; lines wrapped at 80 columns), which is tokenised\n"
    "again. GOLD alone: prints token agreement (a token agrees when GOLD has a token with\n"
    "the same text at the same characters) and sentence-end precision, recall and F1.\n"
    "--text: prints the running text instead. --chunks: OUTPUT is vornik's output\n"
    "(bracketing, -Olisp or -Onegra) for vornik-tokenize's tokens of that text; prints\n"
    "chunk precision, recall and F1 (a chunk is correct when GOLD has a chunk of its type\n"
    "over the same characters) and the POS accuracy on agreeing tokens.\n";

// What the arguments ask for (checked by the caller): the report or the text.
std::string measure(const std::vector<std::string> &args) {
  const std::string &gold_path = args.size() == 1 ? args[0] : args[1];
  const std::vector<ConllSentence> corpus = read_conll(orvit::read_file(gold_path), gold_path);
  if (args.size() == 1) return agreement_report(measure_tokenizer(corpus_words(corpus)));
  PlacedTokens gold;
  const std::string text = rebuild_text(corpus_words(corpus), &gold);
  if (args[0] == "--text") return text;
  const std::string &output_path = args[2];
  std::vector<Sentence> found = read_output(output_path, orvit::read_file(output_path));
  std::vector<std::vector<std::string>> words;
  for (const Sentence &sentence : found) words.push_back(sentence.words);
  return chunk_report(
      compare_chunks(gold_sentences(corpus), gold, found, place_tokens(text, words, output_path)));
}

int tokeval_main(const std::vector<std::string> &args) {
  for (const std::string &arg : args) {
    if (arg == "-h" || arg == "--help") {
      std::fputs(kHelp, stdout);
      return 0;
    }
  }
  bool valid = (args.size() == 1 && args[0][0] != '-') ||
               (args.size() == 2 && args[0] == "--text") ||
               (args.size() == 3 && args[0] == "--chunks" && !(args[1] == "-" && args[2] == "-"));
  if (!valid) return orvit::usage_error("vornik-tokeval", kUsage, "wrong arguments");
  return orvit::run_reporting_errors("vornik-tokeval", [&] { orvit::print_all(measure(args)); });
}

}  // namespace
}  // namespace vornik

int main(int argc, char **argv) { return vornik::tokeval_main({argv + 1, argv + argc}); }
