// orvit-train: builds a model file from a tagged corpus.
// Usage: orvit-train [-k KIND] [-w COL] [-t COL] [-r N] [-s N] [-n N] CORPUS MODEL
#include <string>
#include <string_view>

#include "orvit/cli_args.h"
#include "orvit/error.h"
#include "orvit/model_image.h"
#include "orvit/model_writer.h"
#include "orvit/pos_train.h"
#include "orvit/tagged_corpus.h"
#include "orvit/training_counts.h"

namespace {

const char kUsage[] =
    "usage: orvit-train [-k KIND] [-w COL] [-t COL] [-r N] [-s N] [-n N] CORPUS MODEL\n";

const char kHelp[] =
    "usage: orvit-train [-k KIND] [-w COL] [-t COL] [-r N] [-s N] [-n N] CORPUS MODEL\n"
    "Trains a tagging model on CORPUS (a file, or - for standard input) and\n"
    "writes it to MODEL (- for standard output), and beside a named MODEL its\n"
    "image MODEL.bin (for the hmm kind), which orvit maps instead of parsing the\n"
    "text. CORPUS has\n"
    "one token per row with whitespace-separated columns; a blank line ends a\n"
    "sentence and rows starting with %% are skipped.\n"
    "  -k KIND hmm (the default: a trigram HMM) or perceptron (an averaged\n"
    "          perceptron over words, affixes and shapes; -r, -s, -n do not apply)\n"
    "  -w COL  column of the token (1-based, default 1)\n"
    "  -t COL  column of the tag (default 2)\n"
    "  -r N    words seen at most N times teach the unknown-word model (default 10)\n"
    "  -s N    longest suffix used for unknown words, in bytes (default 10)\n"
    "  -n N    keep a suffix longer than one byte only if N rare-word tokens\n"
    "          end in it (default 10)\n"
    "  -h      show this help (also --help)\n"
    "  --version\n"
    "          show the version\n";

}  // namespace

int main(int argc, char **argv) {
  int word_column = 1, tag_column = 2;
  orvit::TrainOptions options;
  bool perceptron = false;
  std::string positional[2];
  const auto option = [&](char letter, std::string_view value) -> std::string {
    if (letter == 'k') {
      if (value != "hmm" && value != "perceptron") return "option -k needs hmm or perceptron";
      perceptron = value == "perceptron";
      return "";
    }
    int *target = letter == 'w'   ? &word_column
                  : letter == 't' ? &tag_column
                  : letter == 'r' ? &options.rare_max
                  : letter == 's' ? &options.max_suffix
                                  : &options.suffix_min;
    if (orvit::parse_positive_int(value, *target)) return "";
    return std::string("option -") + letter + " needs a positive number";
  };
  const orvit::TrainerArgs line{"orvit-train", kHelp, kUsage, "kwtrsn",
                                "CORPUS and MODEL are required"};
  if (const int status = orvit::parse_trainer_args(argc, argv, line, option, positional);
      status >= 0)
    return status;
  if (word_column == tag_column)
    return orvit::usage_error("orvit-train", kUsage, "token and tag columns must differ");
  return orvit::run_reporting_errors("orvit-train", [&] {
    orvit::TaggedCorpus corpus = orvit::read_tagged_corpus(positional[0], word_column, tag_column);
    if (corpus.words.empty())
      throw orvit::Error((positional[0] == "-" ? std::string("<stdin>") : positional[0]) +
                         ": no tagged tokens");
    if (perceptron) {
      orvit::PosModel model;
      orvit::train_pos_perceptron(corpus, orvit::PosTrainOptions(), model);
      orvit::write_model_files(positional[1], orvit::write_pos_model_text(model));
    } else {
      orvit::write_model_files(positional[1],
                               orvit::write_model_text(orvit::count_corpus(corpus, options)));
    }
  });
}
