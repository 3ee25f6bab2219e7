// orvit-score: compares orvit's output with a gold-tagged file. Reports token
// accuracy, split into words known and unknown to a model (-m). Chunk scores come
// from vornik-eval, which reads the trees vornik builds.
#include <cstdio>
#include <string>
#include <string_view>
#include <vector>

#include "orvit/cli_args.h"
#include "orvit/error.h"
#include "orvit/model.h"
#include "orvit/model_loader.h"
#include "orvit/tagged_corpus.h"

namespace {

const char kUsage[] = "usage: orvit-score [-m MODEL] [-g COL] GOLD TAGGED\n";
const char kHelp[] =
    "usage: orvit-score [-m MODEL] [-g COL] GOLD TAGGED\n"
    "Compares TAGGED (orvit output: token, tag) with GOLD (token in column 1,\n"
    "gold tag in column COL, default 2). \"$lim$\" rows are not counted.\n"
    "  -m MODEL  also report accuracy on tokens known and unknown to MODEL\n"
    "  -g COL    column of the gold tag in GOLD (default 2)\n"
    "  -h        show this help (also --help)\n"
    "  --version show the version\n";

double percent(size_t a, size_t b) { return b ? 100.0 * static_cast<double>(a) / static_cast<double>(b) : 0.0; }

}  // namespace

int main(int argc, char** argv) {
  std::string model_path;
  int gold_column = 2;
  std::vector<std::string> files;
  for (int i = 1; i < argc; ++i) {
    std::string_view arg = argv[i];
    if (const int status = orvit::help_or_version(arg, "orvit-score", kHelp); status >= 0) {
      return status;
    } else if ((arg == "-m" || arg == "-g") && i + 1 < argc) {
      if (arg == "-m") {
        model_path = argv[++i];
      } else if (!orvit::parse_positive_int(argv[++i], gold_column) || gold_column < 2) {
        std::fprintf(stderr, "orvit-score: bad gold column\n%s", kUsage);
        return 2;
      }
    } else if (arg.size() > 1 && arg[0] == '-') {
      std::fprintf(stderr, "orvit-score: unknown option %s\n%s", argv[i], kUsage);
      return 2;
    } else {
      files.emplace_back(arg);
    }
  }
  if (files.size() != 2) {
    std::fputs(kUsage, stderr);
    return 2;
  }
  try {
    orvit::Model model;
    if (!model_path.empty()) orvit::load_model(model_path, model);
    orvit::TaggedCorpus gold = orvit::read_tagged_corpus(files[0], 1, gold_column);
    orvit::TaggedCorpus test = orvit::read_tagged_corpus(files[1], 1, 2);
    if (gold.words != test.words)
      throw orvit::Error("the tokens of " + files[0] + " and " + files[1] + " differ");
    size_t total = 0, right = 0, known = 0, known_right = 0;
    for (size_t i = 0; i < gold.words.size(); ++i) {
      if (gold.words[i] == "$lim$") continue;
      bool ok = gold.tags[i] == test.tags[i];
      ++total;
      right += ok;
      if (!model_path.empty() && model.find_word(gold.words[i]) >= 0) {
        ++known;
        known_right += ok;
      }
    }
    std::printf("tokens %zu correct %zu accuracy %.2f%%\n", total, right, percent(right, total));
    if (!model_path.empty()) {
      std::printf("known %zu correct %zu accuracy %.2f%%\n", known, known_right,
                  percent(known_right, known));
      std::printf("unknown %zu correct %zu accuracy %.2f%%\n", total - known,
                  right - known_right, percent(right - known_right, total - known));
    }
  } catch (const orvit::Error& e) {
    std::fprintf(stderr, "orvit-score: %s\n", e.what());
    return 1;
  }
  return 0;
}
