// End-to-end tests of the tree output through the vornik binary in tags mode, with the
// stand-in tagger replaying chunk tags: bracketing, LISP and export format, with and
// without -u and -c.
#include <gtest/gtest.h>

#include <ctime>
#include <string>

#include "run_vornik.h"

namespace {
// The worked example sentence: words with POS tags, and the chunk tags replayed.
const char kExampleInput[] =
    "<s id=4>\nthe DET\nvorp NOUN\nof PREP\nthe DET\nzub NOUN\nplinks VERB\na DET\nvery ADV\n"
    "<b>\ngrelly\tADJ\ndask NOUN\n. PUNCT\n</s>\n";
const char kExampleTags[] =
    " x/1/c/NP x/0/c/NP x/-/c/PP x/-/c/NP x/0/c/NP x/1/c/VP x/1/c/NP x/-/c/AP x/0/c/AP x/+/c/NP"
    " x/1/c/_";

const char kBracketing[] =
    "(\n<s id=4>\n"
    "\t(NP\n\t\t(DET\tthe\t)\n\t\t(NOUN\tvorp\t)\n\t\t(PP\n\t\t\t(PREP\tof\t)\n"
    "\t\t\t(NP\n\t\t\t\t(DET\tthe\t)\n\t\t\t\t(NOUN\tzub\t)\n\t\t\t)\n\t\t)\n\t)\n"
    "\t(VERB\tplinks\t)\n"
    "\t(NP\n\t\t(DET\ta\t)\n\t\t(AP\n\t\t\t(ADV\tvery\t)\n<b>\n\t\t\t(ADJ\tgrelly\t)\n\t\t)\n"
    "\t\t(NOUN\tdask\t)\n\t)\n"
    "\t(PUNCT\t.\t)\n</s>\n)\n\n\n";

const char kLisp[] =
    "(\n<s id=4>\n"
    "\t(\"NP\"\n\t\t(\"DET\"\t\"the\"\t)\n\t\t(\"NOUN\"\t\"vorp\"\t)\n\t\t(\"PP\"\n"
    "\t\t\t(\"PREP\"\t\"of\"\t)\n\t\t\t(\"NP\"\n\t\t\t\t(\"DET\"\t\"the\"\t)\n"
    "\t\t\t\t(\"NOUN\"\t\"zub\"\t)\n\t\t\t)\n\t\t)\n\t)\n"
    "\t(\"VERB\"\t\"plinks\"\t)\n"
    "\t(\"NP\"\n\t\t(\"DET\"\t\"a\"\t)\n\t\t(\"AP\"\n\t\t\t(\"ADV\"\t\"very\"\t)\n\"<b>\n\""
    "\t\t\t(\"ADJ\"\t\"grelly\"\t)\n\t\t)\n\t\t(\"NOUN\"\t\"dask\"\t)\n\t)\n"
    "\t(\"PUNCT\"\t\".\"\t)\n\"</s>\n\")\n\n\n";

const char kExportBody[] =
    "the\t\t\tDET\t--\t\t--\t500\n"
    "vorp\t\t\tNOUN\t--\t\t--\t500\n"
    "of\t\t\tPREP\t--\t\t--\t501\n"
    "the\t\t\tDET\t--\t\t--\t502\n"
    "zub\t\t\tNOUN\t--\t\t--\t502\n"
    "plinks\t\t\tVERB\t--\t\t--\t0\n"
    "a\t\t\tDET\t--\t\t--\t503\n"
    "very\t\t\tADV\t--\t\t--\t504\n"
    "grelly\t\t\tADJ\t--\t\t--\t504\n"
    "dask\t\t\tNOUN\t--\t\t--\t503\n"
    ".\t\t\tPUNCT\t--\t\t--\t0\n"
    "#500\t\t\tNP\t--\t\t--\t0\n"
    "#501\t\t\tPP\t--\t\t--\t500\n"
    "#502\t\t\tNP\t--\t\t--\t501\n"
    "#503\t\t\tNP\t--\t\t--\t0\n"
    "#504\t\t\tAP\t--\t\t--\t503\n";

const char kExportBodyUnary[] =
    "the\t\t\tDET\t--\t\t--\t500\n"
    "vorp\t\t\tNOUN\t--\t\t--\t500\n"
    "of\t\t\tPREP\t--\t\t--\t501\n"
    "the\t\t\tDET\t--\t\t--\t502\n"
    "zub\t\t\tNOUN\t--\t\t--\t502\n"
    "plinks\t\t\tVERB\t--\t\t--\t503\n"
    "a\t\t\tDET\t--\t\t--\t504\n"
    "very\t\t\tADV\t--\t\t--\t505\n"
    "grelly\t\t\tADJ\t--\t\t--\t505\n"
    "dask\t\t\tNOUN\t--\t\t--\t504\n"
    ".\t\t\tPUNCT\t--\t\t--\t0\n"
    "#500\t\t\tNP\t--\t\t--\t0\n"
    "#501\t\t\tPP\t--\t\t--\t500\n"
    "#502\t\t\tNP\t--\t\t--\t501\n"
    "#503\t\t\tVP\t--\t\t--\t0\n"
    "#504\t\t\tNP\t--\t\t--\t0\n"
    "#505\t\t\tAP\t--\t\t--\t504\n";

std::string replace_all(std::string text, const std::string &from, const std::string &to) {
  for (std::size_t at = 0; (at = text.find(from, at)) != std::string::npos; at += to.size())
    text.replace(at, from.size(), to);
  return text;
}

// The -u output of the example: "plinks" under its own VP node.
std::string with_unary_vp(const std::string &text, bool lisp) {
  const std::string q = lisp ? "\"" : "";
  return replace_all(text, "\t(" + q + "VERB" + q + "\t" + q + "plinks" + q + "\t)\n",
                     "\t(" + q + "VP" + q + "\n\t\t(" + q + "VERB" + q + "\t" + q + "plinks" + q +
                         "\t)\n\t)\n");
}

class TreeOutput : public ::testing::Test {
 protected:
  RunResult run(std::vector<std::string> options, const std::string &tags,
                const std::string &input) {
    const std::string script = dir.write("chunks", "seq" + tags + "\n");
    options.insert(options.begin(), {"-v0", "-Itags"});
    options.push_back(script);
    options.push_back("-");
    return run_vornik(options, input);
  }
  ScratchDir dir;
};

TEST_F(TreeOutput, BracketingWithMarkup) {
  RunResult r = run({"-c"}, kExampleTags, kExampleInput);
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.err, "");
  EXPECT_EQ(r.out, kBracketing);
}

TEST_F(TreeOutput, BracketingWithMarkupUnary) {
  RunResult r = run({"-c", "-u"}, kExampleTags, kExampleInput);
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.out, with_unary_vp(kBracketing, false));
}

TEST_F(TreeOutput, LispWithMarkup) {
  RunResult r = run({"-c", "-Olisp"}, kExampleTags, kExampleInput);
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.out, kLisp);
  r = run({"-c", "-Olisp", "-u"}, kExampleTags, kExampleInput);
  EXPECT_EQ(r.out, with_unary_vp(kLisp, true));
}

TEST_F(TreeOutput, MarkupDroppedWithoutC) {
  RunResult r = run({}, kExampleTags, kExampleInput);
  std::string expected = replace_all(kBracketing, "<s id=4>\n", "");
  expected = replace_all(expected, "<b>\n", "");
  expected = replace_all(expected, "</s>\n", "");
  EXPECT_EQ(r.out, expected);
}

// Seven one-word sentences first, so that the example is sentence number 7.
std::string export_run_input() {
  std::string input;
  for (int i = 0; i < 7; ++i) input.append("w").append(std::to_string(i)).append(" X\n\n");
  return input + kExampleInput;
}
std::string export_run_tags() {
  std::string tags;
  for (int i = 0; i < 7; ++i) tags += " x/1/c/_";
  return tags + kExampleTags;
}

void expect_export(const RunResult &r, const std::string &body, long before, long after) {
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.err, "");
  // Sentences 0 to 6: one word each, then the example as sentence 7.
  std::size_t at = 0;
  for (int i = 0; i <= 7; ++i) {
    const std::string head = std::string("#BOS ").append(std::to_string(i)).append(" -4 ");
    ASSERT_EQ(r.out.compare(at, head.size(), head), 0) << r.out.substr(at);
    at += head.size();
    const std::size_t end = r.out.find(" 0\n", at);
    ASSERT_NE(end, std::string::npos);
    const long date = std::stol(r.out.substr(at, end - at));
    EXPECT_GE(date, before);
    EXPECT_LE(date, after);
    at = end + 3;
    std::string rest = i < 7 ? std::string("w").append(std::to_string(i)).append("\t\t\tX\t--\t\t--\t0\n") : body;
    rest.append("#EOS ").append(std::to_string(i)).append("\n\n");
    ASSERT_EQ(r.out.compare(at, rest.size(), rest), 0) << r.out.substr(at);
    at += rest.size();
  }
  EXPECT_EQ(at, r.out.size());
}

TEST_F(TreeOutput, ExportFormat) {
  const long before = std::time(nullptr);
  RunResult r = run({"-Onegra", "-c"}, export_run_tags(), export_run_input());
  expect_export(r, kExportBody, before, std::time(nullptr));
}

TEST_F(TreeOutput, ExportFormatUnary) {
  const long before = std::time(nullptr);
  RunResult r = run({"-Onegra", "-u"}, export_run_tags(), export_run_input());
  expect_export(r, kExportBodyUnary, before, std::time(nullptr));
}

TEST_F(TreeOutput, MissingChunkTagDecodesAsUnattachedWord) {
  // The second reply row has a chunk tag without depth piece: stored as "?".
  RunResult r = run({}, " x/1/c/NP x x/0/c/NP", "a D\nb N\nc N\n");
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.out, "(\n\t(D\ta\t)\n\t(NP\n\t\t(N\tb\t)\n\t\t(N\tc\t)\n\t)\n)\n\n\n");
  r = run({"-Ochunktags"}, " x/1/c/NP x x/0/c/NP", "a D\nb N\nc N\n");
  EXPECT_EQ(r.out, "a\tD\t1\tNP\nb\tN\t?\t_\nc\tN\t0\tNP\n\n");
}

TEST_F(TreeOutput, LastWordAloneAtTopLevel) {
  RunResult r = run({}, " x/1/c/NP x/0/c/NP x/1/c/VP", "a D\nb N\nc V\n");
  EXPECT_EQ(r.out, "(\n\t(NP\n\t\t(D\ta\t)\n\t\t(N\tb\t)\n\t)\n\t(V\tc\t)\n)\n\n\n");
}

TEST_F(TreeOutput, VeryLongSentenceExportKeepsNumbersUnique) {
  // 1200 words; the first two form a phrase, every later one opens a phrase of its own
  // under the previous one: phrase numbers 1201 up.
  std::string input, tags = " x/1/c/S x/0/c/S";
  for (int i = 0; i < 1200; ++i) input += "w X\n";
  for (int i = 2; i < 1200; ++i) tags += " x/-/c/S";
  RunResult r = run({"-Onegra"}, tags, input);
  EXPECT_EQ(r.status, 0);
  // Twelve progress dots (one per 100 lines), then the warning.
  EXPECT_EQ(r.err, std::string(12, '.') +
                       "vornik: warning: sentence 0 has node numbers of 1000 or more; they are "
                       "written in full in the export format\n");
  EXPECT_NE(r.out.find("\n#1201\t\t\tS\t--\t\t--\t0\n#1202\t\t\tS\t--\t\t--\t1201\n"),
            std::string::npos);
  EXPECT_NE(r.out.find("\n#2399\t\t\tS\t--\t\t--\t2398\n#EOS 0\n\n"), std::string::npos);
  EXPECT_EQ(r.out.find("\t201\n"), std::string::npos);  // nothing reduced modulo 1000
}
}  // namespace
