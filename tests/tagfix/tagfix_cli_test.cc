// Tag-fix files through the real binary: error code 6 with line numbers and the
// syntax summary, several -f files, CHUNKPATH, and the tags the chunk tagger gets.
#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

#include "run_vornik.h"

namespace {
const std::string kSyntax =
    "Tagfix syntax: \n"
    "<tagfix-line> ::= <fix-description> | <skip/nostr/ignore-description> | <noatt-description>\n"
    "<fix-description> ::= <tagfix-command> <condition>+ -> <tag>\n"
    "<noatt-description> ::= <tagfix-command> <condition>+\n"
    "<tagfix-command> ::= fix\n"
    "<condition> ::= #<path> <node-description>\n"
    "<path> ::= (l|r)*(L|R|u)*\n"
    "<node-decription> ::= <function>(=(<category>)(=(<string-regexp>)))\n"
    "<skip/nostr/ignore-description> ::= skip|nostr|ignore (<tag>)*\n";

std::string tagfix_error(int line, const std::string &detail = "") {
  return "vornik: Tagfix error in line " + std::to_string(line) + "\n" + detail + kSyntax;
}

struct BadLine {
  const char *name;
  const char *line;
  const char *detail;  // extra line before the summary, "" if none
};

class BadFixLine : public testing::TestWithParam<BadLine> {};

TEST_P(BadFixLine, EndsWithCodeSixAndItsLineNumber) {
  ScratchDir dir;
  const std::string path = dir.write(
      "bad.fix", std::string("%% comment\n\nfix # =A -> B\n \t \n") + GetParam().line + "fix # =C -> D\n");
  const RunResult r = run_vornik({"-v0", "-f", path, "-Itags", "chunk", "-"});
  EXPECT_EQ(r.status, 6);
  EXPECT_EQ(r.err, tagfix_error(5, GetParam().detail));
  EXPECT_EQ(r.out, "");
}

INSTANTIATE_TEST_SUITE_P(
    Lines, BadFixLine,
    testing::Values(
        BadLine{"PathRunsIntoDescription", "fix #=ADJA -> ADJD\n", ""},
        BadLine{"NoArrow", "fix # =ADJA\n", ""},
        BadLine{"NoNewTag", "fix # =ADJA -> \n", ""},
        BadLine{"NoNewTagAtLineEnd", "fix # =ADJA ->\n", ""},
        BadLine{"SelfWithoutCategory", "fix # ADJA -> ADJD\n", ""},
        BadLine{"SelfWithEmptyCategory", "fix # HD==x -> ADJD\n", ""},
        BadLine{"CommandCase", "Fix # =ADJA -> ADJD\n", ""},
        BadLine{"UnknownCommand", "frob ADJA\n", ""},
        BadLine{"CommentNotInFirstColumn", " %% note\n", ""},
        BadLine{"NoHash", "fix =ADJA -> X\n", ""},
        BadLine{"NoattWithoutHash", "noatt =NN\n", ""},
        BadLine{"NoattAlone", "noatt\n", ""},
        BadLine{"EmptyDescription", "fix # =A #l -> X\n", ""},
        BadLine{"NoBlankAfterPath", "fix # =A #r-> X\n", ""},
        BadLine{"CrlfAfterCommand", "skip\r\n", ""},
        BadLine{"CrlfNoArrow", "fix # =ADJA\r\n", ""},
        BadLine{"BadSelfPattern", "fix # =A=( -> X\n", "bad pattern \"(\": Unmatched ( or \\(\n"},
        BadLine{"BadNegatedPattern", "fix # =A=~a( -> X\n", "bad pattern \"a(\": Unmatched ( or \\(\n"},
        BadLine{"BadNeighbourPattern", "noatt # =A #r ==x{2 -> X\n",
                "bad pattern \"x{2\": Unmatched \\{\n"}),
    [](const testing::TestParamInfo<BadLine> &info) { return std::string(info.param.name); });

// Writes each entry as a tag-fix file (entries starting with "/" are paths used as
// they are) and returns the -f options naming them.
std::vector<std::string> fix_options(const ScratchDir &dir, const std::vector<std::string> &files) {
  std::vector<std::string> options;
  for (std::size_t i = 0; i < files.size(); ++i) {
    options.push_back("-f");
    options.push_back(files[i].starts_with("/") ? files[i] : dir.write(std::to_string(i) + ".fix", files[i]));
  }
  return options;
}

TEST(FixFile, ErrorsEndTheRunWithTheLineNumberInTheirOwnFile) {
  struct Case {
    const char *name;
    std::vector<std::string> files;
    int status;
    std::string err;
  };
  const Case cases[] = {
      {"LongLineReadInPiecesCountedAsLines", {"%%" + std::string(1200, 'x') + "\n"}, 6, tagfix_error(2)},
      {"Unopenable", {"/nonexistent/rules.fix"}, 2,
       "vornik: file '/nonexistent/rules.fix': No such file or directory\n"},
      {"ErrorInSecondFile", {"%% one\n%% two\nfix # =A -> B\n\n\n", "skip KON\nfix # =A -> \n"}, 6, tagfix_error(2)},
      {"ErrorInFirstFileStopsBeforeTheSecond", {"fix # =A -> B\nfix -> B\n", "/nonexistent/second.fix"}, 6,
       tagfix_error(2)},
  };
  for (const Case &c : cases) {
    ScratchDir dir;
    std::vector<std::string> args = fix_options(dir, c.files);
    for (const char *a : {"-v0", "-Itags", "chunk", "-"}) args.push_back(a);
    const RunResult r = run_vornik(args);
    EXPECT_EQ(r.status, c.status) << c.name;
    EXPECT_EQ(r.err, c.err) << c.name;
  }
}

TEST(FixFile, IsReadWhenItsOptionIsRead) {
  ScratchDir dir;
  const std::string bad = dir.write("bad.fix", "fix\n");
  EXPECT_EQ(run_vornik({"-v0", "-f", bad, "-Ofoo", "chunk", "-"}).status, 6);
  EXPECT_EQ(run_vornik({"-v0", "-Ofoo", "-f", bad, "chunk", "-"}).status, 7);
}

TEST(FixFile, EvenAnAbsoluteNameIsPutBehindChunkpath) {
  ScratchDir dir;
  const std::string path = dir.write("rules.fix", "fix # =A -> B\n");
  const RunResult r = run_vornik({"-v0", "-f", path, "-Itags", "chunk", "-"}, "", {{"CHUNKPATH", dir.path()}});
  EXPECT_EQ(r.status, 2);
  EXPECT_EQ(r.err, "vornik: file '" + dir.path() + "/" + path + "': No such file or directory\n");
}

struct TaggerCase {
  const char *name;
  std::vector<std::string> files;
  bool chunkpath;     // name the files and the chunk model relative to CHUNKPATH
  std::string input;  // "word TAG" lines
  std::string tags;   // the tags the chunk tagger receives, one line each
};

// The tags go to the chunk tagger framed by "$lim$" rows; the tags printed stay the
// tagger's own. Marker lines (skip, noatt, ...) load but change no tag.
const TaggerCase kTaggerCases[] = {
    {"WorkedExample",
     {"%% adjectives before nouns\nfix # =ADJD #r =NN -> ADJA\nfix # =ADJD #l =VAFIN -> ADV\n"
      "fix # =VVFIN=^ist$ -> VAFIN\nfix # =PDS=^das$ #r =ADJD #rr =NN -> ART\nfix # =NN #u =NP -> NE\nskip KON\n"},
     false, "Das PDS\nschnelle ADJD\nAuto NN\nist VVFIN\nrot ADJD\n",
     "$lim$\n$lim$\nART\nADJA\nNN\nVAFIN\nADJD\n$lim$\n\n"},
    {"RulesOfEarlierFilesAreTriedFirst", {"fix # =A #r =Z -> X\nfix # =A -> B\n", "fix # =A -> C\nnoatt # =D #u =X\nignore ART\nnostr NE\nwordfix W\nfix # =D -> E\n"},
     false, "a A\nd D\n", "$lim$\n$lim$\nB\nE\n$lim$\n\n"},
    {"NameIsPrefixedWithChunkpath", {"fix # =A -> B\n"}, true, "a A\n", "$lim$\n$lim$\nB\n$lim$\n\n"},
    {"EverySentenceIsFixedOnItsOwn", {"fix # =IN=^that$ #r =NN -> DT\n"}, false,
     "that IN\nman NN\n\nthat IN\n\nman NN\nthat IN\n",
     "$lim$\n$lim$\nDT\nNN\n$lim$\n\n$lim$\n$lim$\nIN\n$lim$\n\n$lim$\n$lim$\nNN\nIN\n$lim$\n\n"},
    {"EnglishExampleFileCorrectsTypicalTaggerErrors", {VORNIK_EXAMPLES "/english.fix"}, false,
     "the DT\nproposed VBN\nmerger NN\nthat IN\ncompany NN\nhas VBZ\nrisen VBD\nto IN\nbuy VB\nthe DT\n"
     "meeting VBG\nended VBD\nwere VBD\nalso RB\nsold VBD\nthe DT\nrunning VBG\nshoes NNS\n",
     "$lim$\n$lim$\nDT\nJJ\nNN\nDT\nNN\nVBZ\nVBN\nTO\nVB\nDT\nNN\nVBD\nVBD\nRB\nVBN\nDT\nVBG\nNNS\n$lim$\n\n"},
};

void PrintTo(const TaggerCase &c, std::ostream *os) { *os << c.name; }

class ChunkTaggerInput : public testing::TestWithParam<TaggerCase> {};

TEST_P(ChunkTaggerInput, HasTheFixedTags) {
  const TaggerCase &c = GetParam();
  ScratchDir dir;
  std::vector<std::string> args = fix_options(dir, c.files);
  Env env{{"FAKE_ORVIT_LOG", dir.path() + "/log"}};
  if (c.chunkpath) {
    for (std::size_t i = 1; i < args.size(); i += 2) args[i] = args[i].substr(dir.path().size() + 1);
    env["CHUNKPATH"] = dir.path();
  }
  const std::string chunk = dir.write("chunk", "default x/0/c/NP\n");
  for (const char *a : {"-v0", "-Itags", "-Ochunktags", c.chunkpath ? "chunk" : chunk.c_str(), "-"}) args.push_back(a);
  const RunResult r = run_vornik(args, c.input, env);
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.err, "");
  std::string received, printed, word, tag;
  const std::string log = dir.read("log.chunk");
  std::istringstream lines(log.substr(log.find('\n') + 1)), input(c.input);
  for (std::string line; std::getline(lines, line);) received += line.substr(2) + "\n";
  EXPECT_EQ(received, c.tags);
  for (std::string line; std::getline(input, line);)
    printed += std::istringstream(line) >> word >> tag ? word + "\t" + tag + "\t0\tNP\n" : "\n";
  EXPECT_EQ(r.out, printed + "\n");
}

INSTANTIATE_TEST_SUITE_P(Runs, ChunkTaggerInput, testing::ValuesIn(kTaggerCases),
                         [](const auto &info) { return std::string(info.param.name); });
}  // namespace
