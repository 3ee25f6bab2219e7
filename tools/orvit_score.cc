// orvit-score: compares orvit's output with a gold-tagged file. Reports token
// accuracy, split into words known and unknown to a model (-m), and chunk
// precision/recall/F1 when the tags hold chunk tags (-c).
#include <cstdio>
#include <set>
#include <string>
#include <string_view>
#include <tuple>
#include <vector>

#include "cli_args.h"
#include "error.h"
#include "model.h"
#include "model_loader.h"
#include "tagged_corpus.h"

namespace {

const char kUsage[] = "usage: orvit-score [-m MODEL] [-g COL] [-c] GOLD TAGGED\n";
const char kHelp[] =
    "usage: orvit-score [-m MODEL] [-g COL] [-c] GOLD TAGGED\n"
    "Compares TAGGED (orvit output: token, tag) with GOLD (token in column 1,\n"
    "gold tag in column COL, default 2). \"$lim$\" rows are not counted.\n"
    "  -m MODEL  also report accuracy on tokens known and unknown to MODEL\n"
    "  -c        tags are chunk tags (IOB2 before the first \"/\"): report chunk F1\n";

using Chunk = std::tuple<size_t, size_t, std::string>;  // first token, end, category

std::string_view iob(std::string_view tag) { return tag.substr(0, tag.find('/')); }

// Chunks of one sentence's IOB2 tags, read the way conlleval reads them.
void add_chunks(const std::vector<std::string>& tags, size_t begin, size_t end,
                std::set<Chunk>& out) {
  size_t start = 0;
  std::string open;
  for (size_t i = begin; i <= end; ++i) {
    std::string_view t = i < end ? iob(tags[i]) : std::string_view("O");
    // Only B-X and I-X are in a chunk; anything else ("O", "$lim$") is outside.
    bool chunked = t.size() > 2 && (t[0] == 'B' || t[0] == 'I') && t[1] == '-';
    std::string_view cat = chunked ? t.substr(2) : std::string_view();
    bool inside = chunked && t[0] == 'I' && cat == open;
    if (!open.empty() && !inside) {
      out.emplace(start, i, open);
      open.clear();
    }
    if (chunked && !inside) {
      start = i;
      open = std::string(cat);
    }
  }
}

double percent(size_t a, size_t b) { return b ? 100.0 * static_cast<double>(a) / static_cast<double>(b) : 0.0; }

}  // namespace

int main(int argc, char** argv) {
  std::string model_path;
  int gold_column = 2;
  bool chunks = false;
  std::vector<std::string> files;
  for (int i = 1; i < argc; ++i) {
    std::string_view arg = argv[i];
    if (arg == "-h") {
      std::fputs(kHelp, stdout);
      return 0;
    } else if (arg == "-c") {
      chunks = true;
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
    if (chunks) {
      if (gold.starts != test.starts)
        throw orvit::Error("the sentences of " + files[0] + " and " + files[1] + " differ");
      size_t g = 0, t = 0, both = 0;
      for (size_t k = 0; k + 1 < gold.starts.size(); ++k) {
        std::set<Chunk> gc, tc;
        add_chunks(gold.tags, gold.starts[k], gold.starts[k + 1], gc);
        add_chunks(test.tags, test.starts[k], test.starts[k + 1], tc);
        g += gc.size();
        t += tc.size();
        for (const auto& c : tc) both += gc.count(c);
      }
      double p = percent(both, t), r = percent(both, g);
      std::printf("chunks gold %zu found %zu correct %zu precision %.2f%% recall %.2f%% F1 %.2f\n",
                  g, t, both, p, r, p + r > 0 ? 2 * p * r / (p + r) : 0.0);
    }
  } catch (const orvit::Error& e) {
    std::fprintf(stderr, "orvit-score: %s\n", e.what());
    return 1;
  }
  return 0;
}
