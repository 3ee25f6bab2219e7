// vornik-train: trains the models vornik uses from a CoNLL-2000 corpus: the POS model
// (words -> POS tags), the tag-fix file with word-specific tags, and the chunk model
// (the chunk tagger's tokens -> relative-depth chunk tags).
#include <sys/wait.h>
#include <unistd.h>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <limits>
#include <string>
#include <string_view>
#include <vector>

#include "driver/vornik.h"
#include "orvit/cli_args.h"
#include "orvit/error.h"
#include "orvit/file_io.h"
#include "orvit/model_image.h"
#include "orvit/model_writer.h"
#include "orvit/perceptron_train.h"
#include "orvit/pos_train.h"
#include "orvit/training_counts.h"
#include "symtab/lexicon.h"
#include "tagfix/fixrules.h"
#include "train/chunk_training.h"
#include "train/conll_corpus.h"
#include "train/jackknife.h"
#include "train/lexical_rules.h"

namespace vornik {
namespace {

const char kUsage[] =
    "usage: vornik-train [-k KIND] [-P KIND] [-f FIXFILE] [-t COUNT] [-l SCORE] [-j WEIGHT]\n"
    "                    [-p PREFIX] TRAIN OUTDIR\n";

const char kHelp[] =
    "usage: vornik-train [-k KIND] [-P KIND] [-f FIXFILE] [-t COUNT] [-l SCORE] [-j WEIGHT]\n"
    "                    [-p PREFIX] TRAIN OUTDIR\n"
    "Trains vornik's models on TRAIN (CoNLL-2000 rows: word, POS tag, IOB2 chunk tag;\n"
    "a blank row after each sentence) and writes, in OUTDIR (made if missing; the\n"
    "names start with PREFIX instead of en with -p):\n"
    "  en-pos        the POS model (words -> POS tags)\n"
    "  en-chunk.fix  tag-fix rules giving frequent words a tag of their own for the\n"
    "                chunk tagger: \"NN@company\" (a token of their own) and, for the\n"
    "                hmm kind only, \"IN-that\" (states of their own) for words whose\n"
    "                chunk behaviour differs most from their POS class's\n"
    "  en-chunk      the chunk model, trained on exactly the tags vornik sends the\n"
    "                chunk tagger when run with -f en-chunk.fix: the corpus's own POS\n"
    "                tags, WEIGHT times, and once the POS tags orvit gives each\n"
    "                sentence when trained on the other nine tenths of TRAIN\n"
    "  en-pos.bin    the models' images, which orvit maps instead of parsing the\n"
    "  en-chunk.bin  text (docs/orvit-model-format.md); en-pos.bin only for -P hmm\n"
    "  -k KIND     the chunk model's kind: perceptron (the default; an averaged\n"
    "              perceptron over a window of tokens) or hmm (a trigram HMM)\n"
    "  -P KIND     the POS model's kind: perceptron (the default; an averaged\n"
    "              perceptron over words, affixes and shapes) or hmm (a trigram HMM)\n"
    "  -f FIXFILE  hand-written tag-fix rules, copied to the front of en-chunk.fix\n"
    "  -t COUNT    least count of a word (with its POS tag) for a token of its own\n"
    "              (default 5 for perceptron, 12 for hmm)\n"
    "  -l SCORE    hmm: least score of a word with states of its own (default 50)\n"
    "  -j WEIGHT   copies of the corpus's POS tags per copy of orvit's (default 2 for\n"
    "              perceptron, 3 for hmm);\n"
    "              0 trains the chunk model on the corpus's POS tags alone\n"
    "  -p PREFIX   start of the three file names (default en)\n"
    "  -h          show this help (also --help)\n"
    "  --version   show the version\n";

// Word-specific states back off to their POS class's transitions with this weight
// (chosen on a held-out tenth of train.txt, as the other defaults were).
constexpr double kClassWeight = 0.9;
// orvit's POS tags for the chunk model's training come from a 10-fold jackknife.
constexpr int kFolds = 10;
// The perceptron chunk model: passes over the training corpus, the least count of a
// (word, POS) pair for a token of its own, and copies of the corpus's POS tags per copy
// of orvit's.
constexpr int kEpochs = 4;
// Features whose weights all stay below 1 are left out: half the features, a third
// less tagging time, and 0.04 / 0.09 F1 (tags / words mode) on the held-out tenth.
constexpr double kMinWeight = 1.0;
constexpr long kPerceptronTokenCount = 5;
constexpr int kPerceptronWeight = 2;
constexpr int kHmmWeight = 3;

struct Settings {
  std::string fix_path;
  LexicalChoice choice;
  // The chunk model learns from the corpus's POS tags this many times per copy with
  // orvit's tags: it then still fits the corpus tags (-Itags) and has seen the POS
  // tagger's typical errors (words mode).
  int weight = -1;            // -j; -1: the kind's default
  std::string prefix = "en";  // the files are PREFIX-pos, PREFIX-chunk.fix, PREFIX-chunk
  bool perceptron = true;
  bool pos_perceptron = true;  // -P
  long token_count = 0;  // -t; 0: the kind's default
  std::string train, outdir;
};

// The POS model: an averaged perceptron over word, neighbour, affix and shape features
// (the default), or with -P hmm the trigram HMM.
std::string pos_model_text(const orvit::TaggedCorpus &corpus, bool perceptron) {
  if (!perceptron)
    return orvit::write_model_text(orvit::count_corpus(corpus, orvit::TrainOptions()));
  orvit::PosModel model;
  orvit::train_pos_perceptron(corpus, orvit::PosTrainOptions(), model);
  return orvit::write_pos_model_text(model);
}

std::string chunk_model_text(const orvit::TaggedCorpus &corpus,
                             const std::vector<LexicalPair> &pairs) {
  orvit::TrainOptions options;
  options.known_guess_max = 0;  // chunk tokens are POS tags: no suffixes to guess from
  orvit::TrainingCounts counts = orvit::count_corpus(corpus, options);
  counts.tag_class = state_classes(counts.tags, pairs);
  counts.class_weight = kClassWeight;
  return orvit::write_model_text(counts);
}

// The perceptron chunk model's labels: the chunk tags without their token piece
// (vornik reads only the depth and the category), "*/1/B-NP/NP".
orvit::TaggedCorpus perceptron_labels(orvit::TaggedCorpus rows) {
  for (std::string &tag : rows.tags) {
    const size_t slash = tag.find('/');
    if (slash != std::string::npos)
      tag = std::string(1, '*').append(std::string_view(tag).substr(slash));
  }
  return rows;
}

std::string perceptron_model_text(const orvit::TaggedCorpus &corpus) {
  orvit::PerceptronOptions options;
  options.epochs = kEpochs;
  options.min_weight = kMinWeight;
  orvit::PerceptronModel model;
  orvit::train_perceptron(perceptron_labels(corpus), options, model);
  return orvit::write_perceptron_model_text(model);
}

// `choice.min_score` is infinite when no word gets states of its own.
std::string fix_file_text(const std::string &hand_rules, const std::vector<LexicalPair> &pairs,
                          const LexicalChoice &choice) {
  std::string text = "%% Tag-fix rules for vornik's chunk tagger, written by vornik-train.\n";
  if (!hand_rules.empty()) {
    text += "%% Hand-written rules first: for a word, the first rule that holds wins.\n";
    text += hand_rules;
    if (text.back() != '\n') text += '\n';
  }
  long states = 0;
  for (const LexicalPair &p : pairs) states += p.own_state;
  if (std::isinf(choice.min_score))
    return text + "%% Word-specific tags: " + std::to_string(pairs.size()) +
           " words seen at least " + std::to_string(choice.min_token_count) +
           " times with their POS tag\n%% get a token of their own (TAG@word).\n" +
           lexical_rules_text(pairs);
  text += "%% Word-specific tags: " + std::to_string(states) +
          " words whose chunk behaviour differs most from their\n"
          "%% POS class's (score at least " +
          std::to_string(static_cast<long>(choice.min_score)) +
          ") get states of their own (TAG-word); " + std::to_string(pairs.size() - states) +
          " other\n%% frequent words get a token of their own (TAG@word).\n";
  return text + lexical_rules_text(pairs);
}

// Appends the sentences of `from` to `to`, `times` times.
void append(orvit::TaggedCorpus &to, const orvit::TaggedCorpus &from, int times) {
  for (int copy = 0; copy < times; ++copy) {
    const size_t offset = to.words.size();
    to.words.insert(to.words.end(), from.words.begin(), from.words.end());
    to.tags.insert(to.tags.end(), from.tags.begin(), from.tags.end());
    for (size_t k = 1; k < from.starts.size(); ++k) to.starts.push_back(offset + from.starts[k]);
  }
}

// The training corpus for the chunk model: the corpus `weight` times, then once
// with orvit's POS tags (or the corpus alone for weight 0). The copies of the corpus
// are the same rows, so they go through the tag-fix pass once.
orvit::TaggedCorpus chunk_corpus(const std::vector<ConllSentence> &corpus, int weight,
                                 const std::string &name) {
  const orvit::TaggedCorpus own = chunk_training_corpus(corpus, name);
  if (weight == 0) return own;
  orvit::TaggedCorpus rows;
  append(rows, own, weight);
  append(rows, chunk_training_corpus(jackknife_pos_tags(corpus, kFolds), name), 1);
  return rows;
}

// Reads the user's tag-fix file as vornik reads it, in a child process (a bad rule
// ends the reader), before anything is written; throws orvit::Error naming the file
// and the line ("bad.fix: Tagfix error in line 4") when it is refused.
void check_rule_file(const std::string &path) {
  int fds[2];
  if (pipe(fds) != 0)
    throw orvit::Error(std::string("cannot create a pipe: ") + std::strerror(errno));
  std::fflush(nullptr);
  const pid_t pid = fork();
  if (pid == 0) {
    dup2(fds[1], STDERR_FILENO);
    close(fds[0]);
    close(fds[1]);
    progname = "vornik-train";
    init_tries();
    lexicon_init();
    read_fixes(path.c_str());
    _exit(0);
  }
  close(fds[1]);
  std::string message;
  char buffer[4096];
  for (ssize_t n; (n = read(fds[0], buffer, sizeof buffer)) != 0;) {
    if (n > 0)
      message.append(buffer, static_cast<size_t>(n));
    else if (errno != EINTR)
      break;
  }
  close(fds[0]);
  int status = 0;
  while (pid > 0 && waitpid(pid, &status, 0) < 0 && errno == EINTR) {
  }
  if (pid > 0 && WIFEXITED(status) && WEXITSTATUS(status) == 0) return;
  // The reader's first line, and the reason when it gives one before the syntax summary.
  std::string reason = message.substr(0, message.find('\n'));
  if (reason.starts_with("vornik-train: ")) reason.erase(0, 14);
  const size_t second = message.find('\n') + 1;
  if (second > 0 && second < message.size() && message.compare(second, 13, "Tagfix syntax") != 0)
    reason += ": " + message.substr(second, message.find('\n', second) - second);
  throw orvit::Error(path + ": " + reason);
}

// Writes the three files; throws orvit::Error naming the file at fault.
void train_models(const Settings &settings) {
  const std::string name = settings.train == "-" ? "<stdin>" : settings.train;
  const std::string dir = settings.outdir + "/";
  const std::string pos_file = dir + settings.prefix + "-pos";
  const std::string fix_file = dir + settings.prefix + "-chunk.fix";
  const std::string chunk_file = dir + settings.prefix + "-chunk";
  if (!settings.fix_path.empty()) check_rule_file(settings.fix_path);
  const std::vector<ConllSentence> corpus = read_conll(orvit::read_file(settings.train), name);
  if (corpus.empty()) throw orvit::Error(name + ": no sentences");
  const int weight = settings.weight >= 0  ? settings.weight
                     : settings.perceptron ? kPerceptronWeight
                                           : kHmmWeight;
  std::vector<size_t> all(corpus.size());
  for (size_t s = 0; s < all.size(); ++s) all[s] = s;
  std::error_code error;
  std::filesystem::create_directories(settings.outdir, error);
  if (error) throw orvit::Error(settings.outdir + ": cannot create the folder: " + error.message());
  // Every output is written under a temporary name and renamed only once all three
  // were written: a failure leaves the folder as it was.
  const std::string suffix = ".new";
  struct Cleanup {
    std::vector<std::string> paths;
    ~Cleanup() {
      std::error_code ignored;
      for (const std::string &path : paths) std::filesystem::remove(path, ignored);
    }
  } cleanup{{pos_file + suffix, pos_file + suffix + ".bin", fix_file + suffix, chunk_file + suffix,
             chunk_file + suffix + ".bin"}};
  orvit::write_model_files(pos_file + suffix,
                           pos_model_text(pos_training_corpus(corpus, all), settings.pos_perceptron));

  // The perceptron sees a word's token through features of its own: no word gets
  // states of its own.
  LexicalChoice choice = settings.choice;
  if (settings.perceptron) {
    choice.min_score = std::numeric_limits<double>::infinity();
    choice.min_token_count = kPerceptronTokenCount;
  }
  if (settings.token_count > 0) choice.min_token_count = settings.token_count;
  const std::vector<LexicalPair> pairs = select_lexical_pairs(corpus, choice);
  const std::string hand_rules =
      settings.fix_path.empty() ? "" : orvit::read_file(settings.fix_path, false);
  orvit::write_file(fix_file + suffix, fix_file_text(hand_rules, pairs, choice));

  // The rules are read back from the file written, exactly as vornik reads them.
  progname = "vornik-train";
  init_tries();
  lexicon_init();
  read_fixes((fix_file + suffix).c_str());
  if (settings.perceptron)
    orvit::write_model_files(chunk_file + suffix,
                             perceptron_model_text(chunk_corpus(corpus, weight, name)));
  else
    orvit::write_model_files(chunk_file + suffix,
                             chunk_model_text(chunk_corpus(corpus, weight, name), pairs));
  for (const std::string &file : {pos_file, fix_file, chunk_file}) {
    std::error_code error;
    // A model without an image of its own (the POS perceptron) must not keep an older
    // one beside it.
    if (std::filesystem::exists(file + suffix + ".bin"))
      std::filesystem::rename(file + suffix + ".bin", orvit::image_path(file), error);
    else if (file != fix_file)
      std::filesystem::remove(orvit::image_path(file), error);
    if (!error) std::filesystem::rename(file + suffix, file, error);
    if (error) throw orvit::Error(file + ": " + error.message());
  }
  std::printf("vornik-train: %zu sentences; %zu word-specific tags; wrote %s, %s, %s\n",
              corpus.size(), pairs.size(), pos_file.c_str(), fix_file.c_str(), chunk_file.c_str());
}

int train_main(int argc, char **argv) {
  Settings settings;
  const auto option = [&](char letter, std::string_view value) -> std::string {
    int number = 0;
    if (letter == 'f') {
      settings.fix_path = value;
    } else if (letter == 'p') {
      if (value.empty() || value.find('/') != std::string_view::npos)
        return "option -p needs a name without \"/\"";
      settings.prefix = value;
    } else if (letter == 'k') {
      if (value != "perceptron" && value != "hmm") return "option -k needs perceptron or hmm";
      settings.perceptron = value == "perceptron";
    } else if (letter == 'P') {
      if (value != "perceptron" && value != "hmm") return "option -P needs perceptron or hmm";
      settings.pos_perceptron = value == "perceptron";
    } else if (letter == 'j' && value == "0") {
      settings.weight = 0;
    } else if (!orvit::parse_positive_int(value, number)) {
      return std::string("option -") + letter + " needs a positive number";
    } else if (letter == 'l') {
      settings.choice.min_score = number;
    } else if (letter == 't') {
      settings.token_count = number;
    } else {
      settings.weight = number;
    }
    return "";
  };
  const orvit::TrainerArgs line{"vornik-train", kHelp, kUsage, "fljpkPt",
                                "TRAIN and OUTDIR are required"};
  std::string positional[2];
  if (const int status = orvit::parse_trainer_args(argc, argv, line, option, positional);
      status >= 0)
    return status;
  settings.train = positional[0];
  settings.outdir = positional[1];
  return orvit::run_reporting_errors("vornik-train", [&] { train_models(settings); });
}

}  // namespace
}  // namespace vornik

int main(int argc, char **argv) { return vornik::train_main(argc, argv); }
