// vornik-eval: the gold and output readers on hand-made text of every format, real
// vornik output (stand-in tagger) of a tree with odd words, markup and a word left
// outside the structure, the report's exact bytes, and the program's messages.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "eval/evaluation.h"
#include "eval/gold_chunks.h"
#include "eval/output_reader.h"
#include "orvit/error.h"
#include "support/run_vornik.h"

namespace vornik {
namespace {

// "LINE: [TYPE word/TAG ...] word/TAG ..." per sentence, sentences split by " | ".
std::string render(const std::vector<Sentence> &sentences) {
  std::string out;
  for (const Sentence &s : sentences) {
    out += (out.empty() ? "" : " | ") + std::to_string(s.line) + ":";
    auto chunk = s.chunks.begin();
    for (std::size_t i = 0; i < s.words.size(); ++i) {
      out += " ";
      if (chunk != s.chunks.end() && chunk->begin == i) out += "[" + chunk->type + " ";
      out += s.words[i] + "/" + s.tags[i];
      if (chunk != s.chunks.end() && chunk->end == i + 1) out += "]", ++chunk;
    }
  }
  return out;
}

struct ReadCase {
  const char *name;
  bool gold;  // CoNLL text, else vornik output
  std::string text, expected;
};

const ReadCase kReadCases[] = {
    {"GoldIAfterOStartsAChunk", true, "a D O\nb N I-NP\nc N I-NP\n", "1: a/D [NP b/N c/N]"},
    {"GoldTypeChangeAndBAfterB", true, "a D B-NP\nb N I-VP\nc N B-VP\nd N B-VP\n",
     "1: [NP a/D] [VP b/N] [VP c/N] [VP d/N]"},
    {"GoldChunksEndWithTheSentence", true, "\na D B-NP\nb N I-NP\n\n\n c V B-VP\r\n",
     "2: [NP a/D b/N] | 6: [VP c/V]"},
    {"BracketingPendingWordCountsInside", false,
     "(\n\t(X\n\t\t(T\ta\t)\n\t\t(T\tb\t)\n\t\t(T\tc\t)\n\t)\n)\n\n\n(\n\t(\tx\t)\n)\n",
     "1: [X a/T b/T c/T] | 10: x/"},
    {"LispEscapesAndQuotedMarkup", false,
     "(\n\t(\"NP\"\n\t\t(\"DT\"\t\"the\"\t)\n\"<b>\n\"\"<c>\n\"\t\t(\"NN\"\t\"\\\"\"\t)\n\t)\n"
     "\t(\"\"\n\t\t(\"X\"\t\"a\\\\\"\t)\n\t)\n\"</s>\n\")\n\n\n",
     "1: [NP the/DT \"/NN] a\\/X"},
    {"Indentation", false, "(\n\t\t(NP\n", "f:2: line indented by 2 tabs, expected 1: \"\t\t(NP\""},
    {"BadWordLine", false, "(\n\t(DT\tThe)\n",
     "f:2: expected (TAG<TAB>WORD<TAB>), got \"\t(DT\tThe)\""},
    {"LispUnquotedLabel", false, "(\n\t(\"NP\"\n\t\t(DT\t\"a\"\t)\n",
     "f:3: expected a label in double quotes, got \"DT\""},
    {"UnclosedSentence", false, "%%\n(\n\t(DT\tThe\t)\n",
     "f:2: sentence has no closing \")\" line"},
    {"NegraShortRow", false, "#BOS 0 -4 0 0\nThe\tDT\n#EOS 0\n",
     "f:2: expected a node row (LABEL, TAG, --, --, PARENT) or \"#EOS\", got \"The\tDT\""},
    {"NegraNoTree", false, "#BOS 0 -4 0 0\nThe\t\t\tDT\t--\t\t--\t500\n#EOS 0\n",
     "f:1: the node rows do not form a tree (phrase rows numbered from 500 must follow the word "
     "rows, "
     "and each parent must be 0 or one of them)"},
    {"NegraEndNumber", false, "#BOS 3 -4 0 0\n#EOS 4\n",
     "f:2: \"#EOS\" number differs from \"#BOS 3\" at line 1"},
};

TEST(EvalReaders, SentencesAndChunks) {
  for (const ReadCase &c : kReadCases) {
    std::string got;
    try {
      got = render(c.gold ? gold_sentences(read_conll(c.text, "f")) : read_output("f", c.text));
    } catch (const orvit::Error &e) {
      got = e.what();
    }
    EXPECT_EQ(got, c.expected) << c.name;
  }
}

// Real vornik output in every format for one tree: odd words ("(", "\"", "#500", "#EOS",
// "a\", "%%x"), markup lines inside and between sentences, one-word VP (-u), and a "2"
// word, which bracketing prints inside the phrase open at its place.
TEST(EvalReaders, VornikOutputInEveryFormat) {
  ScratchDir dir;
  const std::string chunks = dir.write(
      "chunks",
      "seq x/1/c/NP x/0/c/NP x/-/c/PP x/-/c/NP x/2/c/_ x/0/c/NP x/1/c/VP x/1/c/NP x/-/c/AP "
      "x/0/c/AP x/+/c/NP x/1/c/_ x/1/c/_ x/1/c/NP\n");
  const std::string input =
      "<s id=4>\nthe DT\n( NN\nof IN\n#500 DT\n\" X\nzub NN\nplinks VBZ\n#EOS DT\na\\ RB\n<b>\n"
      "grelly JJ\ndask NN\n. .\n</s>\n\n<p>\n\n#500 X\n\n %%x NN\n";
  const std::string tree =
      "[NP the/DT (/NN] [PP of/IN] [NP #500/DT \"/X zub/NN] [VP plinks/VBZ] [NP #EOS/DT] "
      "[AP a\\/RB grelly/JJ] [NP dask/NN] ./. | ";
  const std::string top =
      "[NP the/DT (/NN] [PP of/IN] [NP #500/DT] \"/X [NP zub/NN] [VP plinks/VBZ] [NP #EOS/DT] "
      "[AP a\\/RB grelly/JJ] [NP dask/NN] ./. | ";
  const struct {
    const char *format;
    std::string expected;
  } cases[] = {
      {"-Obracketing", "2: " + tree + "34: #500/X | 39: [NP %%x/NN]"},
      {"-Olisp", "2: " + tree + "34: #500/X | 39: [NP %%x/NN]"},
      {"-Onegra", "2: " + top + "24: #500/X | 28: [NP %%x/NN]"},
  };
  for (const auto &c : cases) {
    const RunResult r = run_vornik({"-v1", "-c", "-u", "-Itags", c.format, chunks, "-"}, input);
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(render(read_output("out", r.out)), c.expected) << c.format << "\n" << r.out;
  }
}

const std::string kGold =
    "The DT B-NP\nold JJ I-NP\nman NN I-NP\nsat VBD B-VP\n. . O\n\nHe PRP B-NP\nran VBD B-VP\n";
// NP [The old man] and VP [sat] right, "old" tagged NN; NP [He ran] wrong, VP [ran] missed.
const std::string kOutput =
    "(\n\t(NP\n\t\t(DT\tThe\t)\n\t\t(NN\told\t)\n\t\t(NN\tman\t)\n\t)\n\t(VP\n\t\t(VBD\tsat\t)\n\t)"
    "\n"
    "\t(.\t.\t)\n)\n\n\n(\n\t(NP\n\t\t(PRP\tHe\t)\n\t\t(VBD\tran\t)\n\t)\n)\n\n\n";

TEST(EvalReport, ExactBytes) {
  EXPECT_EQ(evaluate("gold", kGold, "out", kOutput),
            "sentences: 2  tokens: 7\n"
            "POS accuracy: 85.71% (6 of 7)\n"
            "chunks: gold 4  found 3  correct 2\n"
            "type      precision    recall       F1    gold   found\n"
            "NP           50.00%    50.00%    50.00       2       2\n"
            "VP          100.00%    50.00%    66.67       2       1\n"
            "overall      66.67%    50.00%    57.14       4       3\n");
  EXPECT_EQ(evaluate("gold", "", "out", "%% Chunking sentences from stdin\n"),
            "sentences: 0  tokens: 0\n"
            "POS accuracy: 0.00% (0 of 0)\n"
            "chunks: gold 0  found 0  correct 0\n"
            "type      precision    recall       F1    gold   found\n"
            "overall       0.00%     0.00%     0.00       0       0\n");
}

TEST(EvalProgram, StatusesAndMessages) {
  ScratchDir dir;
  const std::string gold = dir.write("gold", kGold), out = dir.write("out", kOutput);
  const std::string usage =
      "usage: vornik-eval GOLD OUTPUT   (either may be - for standard input, not both)\n";
  const std::string one_sentence = kOutput.substr(0, kOutput.find(")\n\n\n") + 4);
  const std::string men = std::string(kOutput).replace(kOutput.find("man"), 3, "men");
  const struct {
    const char *name;
    std::vector<std::string> args;
    std::string input;
    int status;
    std::string out, err;
  } cases[] = {
      // clang-format off
      {"GoldFromStdin", {"-", out}, kGold, 0, evaluate("", kGold, "", kOutput), ""},
      {"NoArguments", {}, "", 2, "", usage},
      {"ThreeArguments", {gold, out, out}, "", 2, "", usage},
      {"UnknownOption", {"-x", gold, out}, "", 2, "", "vornik-eval: unknown option -x\n" + usage},
      {"BothStdin", {"-", "-"}, "", 2, "",
       "vornik-eval: GOLD and OUTPUT cannot both be standard input\n" + usage},
      {"MissingFile", {gold, dir.path() + "/none"}, "", 1, "",
       "vornik-eval: " + dir.path() + "/none: No such file or directory\n"},
      {"OutputMissesASentence", {"-", dir.write("o1", one_sentence)}, kGold, 1, "",
       "vornik-eval: <stdin>:7: sentence 2 has no counterpart in " + dir.path() +
           "/o1, which ends at line 13\n"},
      {"OutputHasAnExtraSentence", {dir.write("g4", kGold.substr(0, kGold.find("\n\n") + 1)), out},
       "", 1, "", "vornik-eval: " + out + ":14: sentence 2 has no counterpart in " + dir.path() +
           "/g4, which ends at line 5\n"},
      {"WordMissing", {gold, dir.write("o2", "(\n\t(DT\tThe\t)\n)\n")}, "", 1, "",
       "vornik-eval: " + dir.path() + "/o2:1: sentence 1 has a different number of words (1) "
           "than " + gold + ":1 (5)\n"},
      {"WordDiffers", {gold, dir.write("o3", men)}, "", 1, "", "vornik-eval: " + dir.path() +
           "/o3:5: word 3 of sentence 1 is \"men\", but " + gold + ":3 has \"man\"\n"},
  };  // clang-format on
  for (const auto &c : cases) {
    std::vector<std::string> argv{VORNIK_EVAL_PATH};
    argv.insert(argv.end(), c.args.begin(), c.args.end());
    const RunResult r = run_program(argv, c.input);
    EXPECT_EQ(r.status, c.status) << c.name;
    EXPECT_EQ(r.out, c.out) << c.name;
    EXPECT_EQ(r.err, c.err) << c.name;
  }
  const RunResult help = run_program({VORNIK_EVAL_PATH, "-h"});
  EXPECT_EQ(help.status, 0);
  EXPECT_TRUE(help.out.starts_with("usage: vornik-eval GOLD OUTPUT\n")) << help.out;
}

}  // namespace
}  // namespace vornik
