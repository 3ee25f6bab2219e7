// orvit-train: builds a model file from a tagged corpus.
// Usage: orvit-train [-w COL] [-t COL] [-r N] [-s N] [-n N] CORPUS MODEL
#include <cstdio>
#include <cstring>
#include <string>
#include <string_view>

#include "orvit/cli_args.h"
#include "orvit/error.h"
#include "orvit/model_image.h"
#include "orvit/model_writer.h"
#include "orvit/tagged_corpus.h"
#include "orvit/training_counts.h"

namespace {

const char kUsage[] = "usage: orvit-train [-w COL] [-t COL] [-r N] [-s N] [-n N] CORPUS MODEL\n";

const char kHelp[] =
    "usage: orvit-train [-w COL] [-t COL] [-r N] [-s N] [-n N] CORPUS MODEL\n"
    "Trains a tagging model on CORPUS (a file, or - for standard input) and\n"
    "writes it to MODEL (- for standard output), and beside a named MODEL its\n"
    "image MODEL.bin, which orvit maps instead of parsing the text. CORPUS has\n"
    "one token per row with whitespace-separated columns; a blank line ends a\n"
    "sentence and rows starting with %% are skipped.\n"
    "  -w COL  column of the token (1-based, default 1)\n"
    "  -t COL  column of the tag (default 2)\n"
    "  -r N    words seen at most N times teach the unknown-word model (default 10)\n"
    "  -s N    longest suffix used for unknown words, in bytes (default 10)\n"
    "  -n N    keep a suffix longer than one byte only if N rare-word tokens\n"
    "          end in it (default 10)\n"
    "  -h      show this help (also --help)\n"
    "  --version\n"
    "          show the version\n";

int usage_error(const std::string& what) {
  return orvit::usage_error("orvit-train", kUsage, what);
}

}  // namespace

int main(int argc, char** argv) {
  int word_column = 1, tag_column = 2;
  orvit::TrainOptions options;
  std::string positional[2];
  int count = 0;
  for (int i = 1; i < argc; ++i) {
    std::string_view arg = argv[i];
    if (const int status = orvit::help_or_version(arg, "orvit-train", kHelp); status >= 0)
      return status;
    if (arg.size() == 2 && arg[0] == '-' && std::strchr("wtrsn", arg[1])) {
      if (i + 1 == argc) return usage_error("option " + std::string(arg) + " needs a value");
      int* target = arg[1] == 'w'   ? &word_column
                    : arg[1] == 't' ? &tag_column
                    : arg[1] == 'r' ? &options.rare_max
                    : arg[1] == 's' ? &options.max_suffix
                                    : &options.suffix_min;
      if (!orvit::parse_positive_int(argv[++i], *target))
        return usage_error("option " + std::string(arg) + " needs a positive number");
      continue;
    }
    if (arg.size() > 1 && arg[0] == '-') return usage_error("unknown option " + std::string(arg));
    if (count == 2) return usage_error("too many arguments");
    positional[count++] = std::string(arg);
  }
  if (count != 2) return usage_error("CORPUS and MODEL are required");
  if (word_column == tag_column) return usage_error("token and tag columns must differ");

  try {
    orvit::TaggedCorpus corpus = orvit::read_tagged_corpus(positional[0], word_column, tag_column);
    if (corpus.words.empty()) throw orvit::Error((positional[0] == "-" ? std::string("<stdin>") : positional[0]) + ": no tagged tokens");
    orvit::write_model_files(positional[1], orvit::write_model_text(orvit::count_corpus(corpus, options)));
  } catch (const orvit::Error& e) {
    std::fprintf(stderr, "orvit-train: %s\n", e.what());
    return 1;
  }
  return 0;
}
