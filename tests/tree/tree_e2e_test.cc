// End-to-end tests of the tree output through the vornik binary in tags mode, with the
// stand-in tagger replaying chunk tags: the worked example in bracketing, LISP and
// export format, with and without -u and -c, byte for byte.
#include <gtest/gtest.h>

#include <ctime>
#include <regex>
#include <sstream>
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

// Export rows of short words and phrase numbers: "word TAG parent, ...".
std::string export_rows(const std::string &rows) {
  std::istringstream in(rows);
  std::string text, word, tag, parent;
  while (in >> word >> tag >> parent) {
    if (parent.back() == ',') parent.pop_back();
    text += word + "\t\t\t" + tag + "\t--\t\t--\t" + parent + "\n";
  }
  return text;
}

const std::string kExportBody = export_rows(
    "the DET 500, vorp NOUN 500, of PREP 501, the DET 502, zub NOUN 502, plinks VERB 0, a DET 503, "
    "very ADV 504, grelly ADJ 504, dask NOUN 503, . PUNCT 0, "
    "#500 NP 0, #501 PP 500, #502 NP 501, #503 NP 0, #504 AP 503");
const std::string kExportBodyUnary = export_rows(
    "the DET 500, vorp NOUN 500, of PREP 501, the DET 502, zub NOUN 502, plinks VERB 503, a DET 504, "
    "very ADV 505, grelly ADJ 505, dask NOUN 504, . PUNCT 0, "
    "#500 NP 0, #501 PP 500, #502 NP 501, #503 VP 0, #504 NP 0, #505 AP 504");

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

std::string export_of(const std::string &body) {
  std::string text;
  for (int i = 0; i < 7; ++i) {
    const std::string n = std::to_string(i);
    text += "#BOS " + n + " -4 DATE 0\nw" + n + "\t\t\tX\t--\t\t--\t0\n#EOS " + n + "\n\n";
  }
  return text + "#BOS 7 -4 DATE 0\n" + body + "#EOS 7\n\n";
}

std::string without_markup(std::string text) {
  for (const char *line : {"<s id=4>\n", "<b>\n", "</s>\n"}) text = replace_all(text, line, "");
  return text;
}

struct TreeCase {
  const char *name;
  std::vector<std::string> options;
  std::string tags, input, expected;
};

// Seven one-word sentences first, so that the example is sentence number 7.
std::string seven(const std::string &each, bool numbered) {
  std::string text;
  for (int i = 0; i < 7; ++i) text.append(numbered ? std::string("w").append(std::to_string(i)) : "").append(each);
  return text;
}
const std::string kExportTags = seven(" x/1/c/_", false) + kExampleTags;
const std::string kExportInput = seven(" X\n\n", true) + kExampleInput;

const TreeCase kTreeCases[] = {
    {"Bracketing", {"-c"}, kExampleTags, kExampleInput, kBracketing},
    {"BracketingUnary", {"-c", "-u"}, kExampleTags, kExampleInput, with_unary_vp(kBracketing, false)},
    {"BracketingWithoutMarkup", {}, kExampleTags, kExampleInput, without_markup(kBracketing)},
    {"Lisp", {"-c", "-Olisp"}, kExampleTags, kExampleInput, kLisp},
    {"LispUnary", {"-c", "-Olisp", "-u"}, kExampleTags, kExampleInput, with_unary_vp(kLisp, true)},
    {"Export", {"-Onegra", "-c"}, kExportTags, kExportInput, export_of(kExportBody)},
    {"ExportUnary", {"-Onegra", "-u"}, kExportTags, kExportInput, export_of(kExportBodyUnary)},
    // A reply row without depth piece is stored as "?" and decodes as an unattached word.
    {"MissingChunkTagUnattached", {}, " x/1/c/NP x x/0/c/NP", "a D\nb N\nc N\n",
     "(\n\t(D\ta\t)\n\t(NP\n\t\t(N\tb\t)\n\t\t(N\tc\t)\n\t)\n)\n\n\n"},
};

void PrintTo(const TreeCase &c, std::ostream *os) { *os << c.name; }

class TreeOutput : public ::testing::TestWithParam<TreeCase> {
 protected:
  RunResult run(std::vector<std::string> options, const std::string &tags, const std::string &input) {
    options.insert(options.begin(), {"-v0", "-Itags"});
    options.push_back(dir.write("chunks", "seq" + tags + "\n"));
    options.push_back("-");
    return run_vornik(options, input);
  }
  ScratchDir dir;
};

TEST_P(TreeOutput, WritesExactBytes) {
  const TreeCase &c = GetParam();
  const long before = std::time(nullptr);
  RunResult r = run(c.options, c.tags, c.input);
  const long after = std::time(nullptr);
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.err, "");
  // The build time in each export header must be the time of the run.
  const std::regex date("(#BOS \\d+ -4 )(\\d+)( 0\n)");
  for (std::sregex_iterator m(r.out.begin(), r.out.end(), date), end; m != end; ++m) {
    EXPECT_GE(std::stol((*m)[2]), before);
    EXPECT_LE(std::stol((*m)[2]), after);
  }
  EXPECT_EQ(std::regex_replace(r.out, date, "$1DATE$3"), c.expected);
}

INSTANTIATE_TEST_SUITE_P(WorkedExample, TreeOutput, ::testing::ValuesIn(kTreeCases),
                         [](const auto &info) { return std::string(info.param.name); });

TEST(TreeOutputLong, VeryLongSentenceExportKeepsNumbersUniqueWithAWarning) {
  // 1200 words; the first two form a phrase, every later one opens a phrase of its own
  // under the previous one: phrase numbers 1201 up.
  ScratchDir dir;
  std::string input, tags = "seq x/1/c/S x/0/c/S";
  for (int i = 0; i < 1200; ++i) input += "w X\n";
  for (int i = 2; i < 1200; ++i) tags += " x/-/c/S";
  RunResult r = run_vornik({"-v0", "-Itags", "-Onegra", dir.write("chunks", tags), "-"}, input);
  EXPECT_EQ(r.status, 0);
  // Twelve progress dots (one per 100 lines), then the warning.
  EXPECT_EQ(r.err, std::string(12, '.') +
                       "vornik: warning: sentence 0 has node numbers of 1000 or more; they are "
                       "written in full in the export format\n");
  EXPECT_NE(r.out.find("\n#1201\t\t\tS\t--\t\t--\t0\n#1202\t\t\tS\t--\t\t--\t1201\n"), std::string::npos);
  EXPECT_NE(r.out.find("\n#2399\t\t\tS\t--\t\t--\t2398\n#EOS 0\n\n"), std::string::npos);
  EXPECT_EQ(r.out.find("\t201\n"), std::string::npos);  // nothing reduced modulo 1000
}
}  // namespace
