// The training side of the bundled models: relative-depth chunk tags, the choice
// of word-specific tags, the chunk tagger's training tokens, and the vornik-train program
// (messages, outputs, the bundled models regenerated exactly).
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "orvit/error.h"
#include "support/run_vornik.h"
#include "symtab/lexicon.h"
#include "tagfix/fixrules.h"
#include "train/chunk_encoding.h"
#include "train/chunk_training.h"
#include "train/conll_corpus.h"
#include "train/lexical_rules.h"

namespace vornik {
namespace {

std::vector<std::string> pos_tags(const ConllSentence &s) {
  std::vector<std::string> tags;
  for (const ConllToken &t : s.tokens) tags.push_back(t.pos);
  return tags;
}

std::string joined(const std::vector<std::string> &items) {
  std::string out;
  for (const std::string &item : items) out += item + " ";
  return out;
}

TEST(ChunkEncoding, RelativeDepthTags) {
  struct Case {
    const char *name, *rows;
    std::vector<std::string> tokens;  // empty: the POS tags
    std::string tags;
  } cases[] = {
      // clang-format off
      {"begin, inside, outside", "He PRP B-NP\nsaw VBD B-VP\nthe DT B-NP\ncat NN I-NP\n. . O\n", {},
       "PRP/1/B-NP/NP VBD/1/B-VP/VP DT/1/B-NP/NP NN/0/I-NP/NP ./1/O/_ "},
      {"I after O or another type opens a chunk", "a DT I-NP\nb IN O\nc NN I-NP\nd VB I-VP\n", {},
       "DT/1/B-NP/NP IN/1/O/_ NN/1/B-NP/NP VB/1/B-VP/VP "},
      {"odd POS tags", "( ( O\n$ $ B-NP\n5 CD I-NP\nhis PRP$ B-NP\n", {},
       "(/1/O/_ $/1/B-NP/NP CD/0/I-NP/NP PRP$/1/B-NP/NP "},
      {"word tokens: own states, and the POS state for TAG@word", "that IN B-SBAR\ndog NN B-NP\n",
       {"IN-that", "NN@dog"}, "IN-that/1/B-SBAR/SBAR NN/1/B-NP/NP "},
  };  // clang-format on
  for (const Case &c : cases) {
    ConllSentence s = read_conll(c.rows, "t").at(0);
    EXPECT_EQ(joined(encode_chunk_tags(s, c.tokens.empty() ? pos_tags(s) : c.tokens, "t")), c.tags)
        << c.name;
  }
}

TEST(ChunkEncoding, FaultsNameFileAndLine) {
  struct Case {
    const char *rows, *message;
  } cases[] = {
      {"a DT B-NP\nb NN X-NP\n", "f:2: bad chunk tag \"X-NP\" (expected B-TYPE, I-TYPE or O)"},
      {"a DT B-\n", "f:1: bad chunk tag \"B-\" (expected B-TYPE, I-TYPE or O)"},
      {"a DT B-N/P\n", "f:1: bad chunk tag \"B-N/P\" (expected B-TYPE, I-TYPE or O)"},
      {"a DT B-_\n", "f:1: bad chunk tag \"B-_\" (expected B-TYPE, I-TYPE or O)"},
      {"a DT B-NP\nb NN\n", "f:2: expected \"word POS chunk\", got \"b NN\""},
      {"a DT B-NP x\n", "f:1: expected \"word POS chunk\", got \"a DT B-NP x\""},
      {"\n\na D/T B-NP\n", "f:3: tag \"D/T\" holds a \"/\""},
  };
  for (const Case &c : cases) {
    try {
      ConllSentence s = read_conll(c.rows, "f").at(0);
      encode_chunk_tags(s, pos_tags(s), "f");
      ADD_FAILURE() << "no error for " << c.rows;
    } catch (const orvit::Error &e) {
      EXPECT_STREQ(e.what(), c.message);
    }
  }
}

// "that" and "in" split the IN class evenly (B-SBAR against B-PP), so each diverges by
// ln 2 from it: score 12 ln 2 = 8.3. "dog" and "cat" behave like all NN (divergence 0).
std::string toy_corpus() {
  std::string text;
  for (int i = 0; i < 6; ++i)
    text +=
        "That IN B-SBAR\nthat IN B-SBAR\nin IN B-PP\nIn IN B-PP\ndog NN B-NP\ncat NN B-NP\n"
        "dog NN B-NP\ncat NN B-NP\nx1 NN B-NP\nrare JJ B-ADJP\n\n";
  return text;
}

TEST(LexicalRules, ChoosesStatesByDivergenceAndTokensByCount) {
  const std::vector<ConllSentence> corpus = read_conll(toy_corpus(), "toy");
  struct Case {
    const char *name;
    LexicalChoice choice;
    std::string rules;
  } cases[] = {
      // clang-format off
      {"score 8 reaches own states", {8, 10, 12},
       "fix # =IN=^in$ -> IN-in\nfix # =IN=^that$ -> IN-that\n"
       "fix # =NN=^cat$ -> NN@cat\nfix # =NN=^dog$ -> NN@dog\n"},
      {"score 9 does not", {9, 10, 12},
       "fix # =IN=^in$ -> IN@in\nfix # =IN=^that$ -> IN@that\n"
       "fix # =NN=^cat$ -> NN@cat\nfix # =NN=^dog$ -> NN@dog\n"},
      {"too rare for anything", {1, 13, 13}, ""},
      {"a lower count admits rarer words", {1, 6, 6},
       "fix # =IN=^in$ -> IN-in\nfix # =IN=^that$ -> IN-that\nfix # =JJ=^rare$ -> JJ@rare\n"
       "fix # =NN=^cat$ -> NN@cat\nfix # =NN=^dog$ -> NN@dog\n"},
  };  // clang-format on
  for (const Case &c : cases)
    EXPECT_EQ(lexical_rules_text(select_lexical_pairs(corpus, c.choice)), c.rules) << c.name;
}

TEST(ChunkTraining, TokensComeThroughTheTagFixPass) {
  ScratchDir dir;
  init_tries();
  lexicon_init();
  read_fixes(dir.write("w.fix",
                       "fix # =IN=^that$ -> IN-that\nfix # =NN=^dog$ -> NN@dog\n"
                       "fix # =VBD #l =NN -> VBN\n")
                 .c_str());
  const ConllSentence s =
      read_conll("THAT IN B-SBAR\nDog NN B-NP\nran VBD B-VP\nin IN B-PP\n", "t")[0];
  EXPECT_EQ(joined(chunk_tagger_tokens(s)), "$lim$ $lim$ IN-that NN@dog VBN IN $lim$ ");
  const orvit::TaggedCorpus corpus = chunk_training_corpus({s}, "t");
  EXPECT_EQ(joined(corpus.tags),
            "$lim$ $lim$ IN-that/1/B-SBAR/SBAR NN/1/B-NP/NP VBN/1/B-VP/VP IN/1/B-PP/PP $lim$ ");
}

TEST(ChunkTraining, WordStatesBackOffToTheirPosClassWhenItExists) {
  const std::vector<LexicalPair> pairs = {{"that", "IN", 12, 8.3, true},
                                          {"dog", "NN", 12, 0, false}};
  const std::vector<std::string> tags = {
      "IN-that/1/B-PP/PP", "IN/1/B-PP/PP", "IN-that/1/B-SBAR/SBAR",
      "NN/1/B-NP/NP",      "./1/O/_",      "$lim$"};
  EXPECT_EQ(state_classes(tags, pairs), (std::vector<int>{1, 1, 2, 3, 4, 5}));
}

TEST(VornikTrain, WritesTheThreeFilesTheSameWayEveryTime) {
  ScratchDir dir;
  const std::string corpus = dir.write("train.txt", toy_corpus());
  const std::string hand = dir.write("hand.fix", "fix # =VB #l =DT -> NN");
  std::filesystem::create_directory(dir.path() + "/a");
  // "b/new" does not exist yet and is made; -p changes the start of the file names.
  for (const auto &[out, prefix] : {std::pair{"/a", "en"}, std::pair{"/b/new", "xx"}}) {
    RunResult r = run_program({VORNIK_TRAIN_PATH, "-k", "hmm", "-f", hand, "-l", "8", "-p", prefix,
                               corpus, dir.path() + out});
    EXPECT_EQ(r.status, 0) << r.err;
    const std::string files = dir.path() + out + "/" + prefix;
    EXPECT_EQ(r.out, "vornik-train: 6 sentences; 4 word-specific tags; wrote " + files + "-pos, " +
                         files + "-chunk.fix, " + files + "-chunk\n");
  }
  EXPECT_EQ(dir.read("a/en-chunk.fix"),
            "%% Tag-fix rules for vornik's chunk tagger, written by vornik-train.\n"
            "%% Hand-written rules first: for a word, the first rule that holds wins.\n"
            "fix # =VB #l =DT -> NN\n"
            "%% Word-specific tags: 2 words whose chunk behaviour differs most from their\n"
            "%% POS class's (score at least 8) get states of their own (TAG-word); 2 other\n"
            "%% frequent words get a token of their own (TAG@word).\n"
            "fix # =IN=^in$ -> IN-in\nfix # =IN=^that$ -> IN-that\n"
            "fix # =NN=^cat$ -> NN@cat\nfix # =NN=^dog$ -> NN@dog\n");
  for (const char *file : {"-pos", "-chunk", "-chunk.fix"})
    EXPECT_EQ(dir.read(std::string("a/en") + file), dir.read(std::string("b/new/xx") + file))
        << file;
  EXPECT_NE(dir.read("a/en-chunk").find("IN-that/1/B-SBAR/SBAR"), std::string::npos);

  // -P hmm changes the POS model only (what the default kinds write is pinned by the
  // bundled models' regeneration).
  for (const char *kind : {"perceptron", "hmm"}) {
    std::filesystem::create_directory(dir.path() + "/" + kind);
    const RunResult r =
        run_program({VORNIK_TRAIN_PATH, "-P", kind, corpus, dir.path() + "/" + kind});
    EXPECT_EQ(r.status, 0) << r.err;
  }
  EXPECT_EQ(dir.read("perceptron/en-pos"), dir.read("a/en-pos"));
  EXPECT_EQ(dir.read("perceptron/en-pos").substr(0, 23), "orvit-pos-perceptron 1\n");
  EXPECT_EQ(dir.read("hmm/en-pos").substr(0, 14), "orvit-model 1\n");
  EXPECT_EQ(dir.read("hmm/en-chunk"), dir.read("perceptron/en-chunk"));
}

TEST(VornikTrain, FaultyArgumentsAndInput) {
  ScratchDir dir;
  const std::string usage =
      "usage: vornik-train [-k KIND] [-P KIND] [-f FIXFILE] [-t COUNT] [-l SCORE] [-j WEIGHT]\n"
      "                    [-p PREFIX] TRAIN OUTDIR\n";
  const std::string bad = dir.write("bad.txt", "a DT B-NP\n\nb NN\n");
  struct Case {
    std::vector<std::string> args;
    std::string message;
  } cases[] = {
      {{"x"}, "vornik-train: TRAIN and OUTDIR are required\n" + usage},
      {{"-l", "0", "x", "y"}, "vornik-train: option -l needs a positive number\n" + usage},
      {{"-j"}, "vornik-train: option -j needs a value\n" + usage},
      {{"-k", "crf", "x", "y"}, "vornik-train: option -k needs perceptron or hmm\n" + usage},
      {{"-P", "crf", "x", "y"}, "vornik-train: option -P needs perceptron or hmm\n" + usage},
      {{"-t", "0", "x", "y"}, "vornik-train: option -t needs a positive number\n" + usage},
      {{"-q", "x", "y"}, "vornik-train: unknown option -q\n" + usage},
      {{"-p", "a/b", "x", "y"}, "vornik-train: option -p needs a name without \"/\"\n" + usage},
      {{"/nonexistent/train.txt", dir.path()},
       "vornik-train: /nonexistent/train.txt: No such file or directory\n"},
      {{bad, dir.path()},
       "vornik-train: " + bad + ":3: expected \"word POS chunk\", got \"b NN\"\n"},
      {{dir.write("empty.txt", "\n\n"), dir.path()},
       "vornik-train: " + dir.path() + "/empty.txt: no sentences\n"},
      // The user's rules are checked first: nothing is written for a bad rule.
      {{"-f", dir.write("bad.fix", "%% rules\nfix # =DT -> X\n\nfix DT -> Y\n"), bad,
        dir.path() + "/out"},
       "vornik-train: " + dir.path() + "/bad.fix: Tagfix error in line 4\n"},
      // The chunk model cannot be written: nothing is left behind, the others neither.
      {{dir.write("one.txt", "a DT B-NP\n"), dir.path() + "/blocked"},
       "vornik-train: " + dir.path() + "/blocked/en-chunk.new: Is a directory\n"},
      {{dir.write("ok.txt", "a DT B-NP\n"), "/proc/version/dir"},
       "vornik-train: /proc/version/dir: cannot create the folder: Not a directory\n"},
  };
  std::filesystem::create_directories(dir.path() + "/blocked/en-chunk.new/x");
  for (const Case &c : cases) {
    std::vector<std::string> argv{VORNIK_TRAIN_PATH};
    argv.insert(argv.end(), c.args.begin(), c.args.end());
    RunResult r = run_program(argv);
    EXPECT_NE(r.status, 0) << c.message;
    if (c.args[0] == "-f") {
      EXPECT_EQ(r.status, 1);
    }
    EXPECT_EQ(r.err, c.message);
  }
  EXPECT_FALSE(std::filesystem::exists(dir.path() + "/out"));
  std::vector<std::string> left;
  for (const auto &entry : std::filesystem::directory_iterator(dir.path() + "/blocked"))
    left.push_back(entry.path().filename());
  EXPECT_EQ(left, std::vector<std::string>{"en-chunk.new"});
}

TEST(VornikTrain, RegeneratesTheBundledModelsByteForByte) {
  if (!corpus_missing("train.txt").empty()) GTEST_SKIP() << corpus_missing("train.txt");
  const std::string train = corpus_file("train.txt");
  ScratchDir dir;
  RunResult r = run_program({VORNIK_TRAIN_PATH, train, dir.path()});
  ASSERT_EQ(r.status, 0) << r.err;
  for (const char *file : {"en-pos", "en-chunk", "en-chunk.fix"}) {
    std::ifstream in(std::string(MODELS_DIR) + "/" + file, std::ios::binary);
    const std::string bundled{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    EXPECT_TRUE(bundled == dir.read(file)) << file << " differs from models/" << file;
  }
  // The images the trainer wrote are the bytes orvit writes for the same model.
  ScratchDir again;
  for (const std::string file : {"en-pos", "en-chunk"}) {
    again.write(file, dir.read(file));
    ASSERT_EQ(run_program({ORVIT_PATH, again.path() + "/" + file, "/dev/null"}).err, "") << file;
    EXPECT_TRUE(again.read(file + ".bin") == dir.read(file + ".bin")) << file << ".bin differs";
  }
}

}  // namespace
}  // namespace vornik
