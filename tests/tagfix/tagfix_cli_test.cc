// Tag-fix files through the real binary: error code 6 with line numbers and the
// syntax summary, several -f files, CHUNKPATH, and the tags the chunk tagger gets.
#include <gtest/gtest.h>

#include <string>

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

// A tags-mode run with the stand-in chunk tagger; the lines it received are logged.
struct TagsRun {
  ScratchDir dir;
  RunResult result;
  RunResult run(std::vector<std::string> fix_args, const std::string &input,
                std::map<std::string, std::string> env = {}) {
    const std::string chunk = dir.write("chunk", "default x/0/c/NP\n");
    std::vector<std::string> args{"-v0"};
    args.insert(args.end(), fix_args.begin(), fix_args.end());
    for (const char *a : {"-Itags", "-Ochunktags"}) args.push_back(a);
    args.push_back(chunk);
    args.push_back("-");
    env["FAKE_ORVIT_LOG"] = dir.path() + "/log";
    result = run_vornik(args, input, env);
    return result;
  }
  std::string chunk_log() const { return dir.read("log.chunk"); }
};

// The tag lines the chunk tagger received after its argument line.
std::string received(const std::string &log) { return log.substr(log.find('\n') + 1); }

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

TEST(FixFile, LongLinesAreReadInPiecesCountedAsLines) {
  ScratchDir dir;
  const std::string path = dir.write("long.fix", "%%" + std::string(1200, 'x') + "\n");
  const RunResult r = run_vornik({"-v0", "-f", path, "-Itags", "chunk", "-"});
  EXPECT_EQ(r.status, 6);
  EXPECT_EQ(r.err, tagfix_error(2));
}

TEST(FixFile, UnopenableFileIsCodeTwo) {
  const RunResult r = run_vornik({"-v0", "-f", "/nonexistent/rules.fix", "-Itags", "chunk", "-"});
  EXPECT_EQ(r.status, 2);
  EXPECT_EQ(r.err, "vornik: file '/nonexistent/rules.fix': No such file or directory\n");
}

TEST(FixFile, IsReadWhenItsOptionIsRead) {
  ScratchDir dir;
  const std::string bad = dir.write("bad.fix", "fix\n");
  EXPECT_EQ(run_vornik({"-v0", "-f", bad, "-Ofoo", "chunk", "-"}).status, 6);
  EXPECT_EQ(run_vornik({"-v0", "-Ofoo", "-f", bad, "chunk", "-"}).status, 7);
}

TEST(FixFile, ErrorInSecondFileCountsItsOwnLines) {
  ScratchDir dir;
  const std::string first = dir.write("first.fix", "%% one\n%% two\nfix # =A -> B\n\n\n");
  const std::string second = dir.write("second.fix", "skip KON\nfix # =A -> \n");
  const RunResult r = run_vornik({"-v0", "-f", first, "-f", second, "-Itags", "chunk", "-"});
  EXPECT_EQ(r.status, 6);
  EXPECT_EQ(r.err, tagfix_error(2));
}

TEST(FixFile, ErrorInFirstFileStopsBeforeTheSecond) {
  ScratchDir dir;
  const std::string first = dir.write("first.fix", "fix # =A -> B\nfix -> B\n");
  const RunResult r =
      run_vornik({"-v0", "-f", first, "-f", "/nonexistent/second.fix", "-Itags", "chunk", "-"});
  EXPECT_EQ(r.status, 6);
  EXPECT_EQ(r.err, tagfix_error(2));
}

TEST(FixFile, RulesOfEarlierFilesAreTriedFirst) {
  TagsRun t;
  const std::string first = t.dir.write("first.fix", "fix # =A #r =Z -> X\nfix # =A -> B\n");
  const std::string second = t.dir.write("second.fix", "fix # =A -> C\nfix # =D -> E\n");
  t.run({"-f", first, "-f", second}, "a A\nd D\n");
  EXPECT_EQ(t.result.status, 0) << t.result.err;
  EXPECT_EQ(received(t.chunk_log()), "< $lim$\n< $lim$\n< B\n< E\n< $lim$\n< \n");
}

TEST(FixFile, NameIsPrefixedWithChunkpath) {
  TagsRun t;
  const std::string path = t.dir.write("rules.fix", "fix # =A -> B\n");
  t.run({"-f", "rules.fix"}, "a A\n", {{"CHUNKPATH", t.dir.path()}});
  EXPECT_EQ(t.result.status, 0) << t.result.err;
  EXPECT_EQ(received(t.chunk_log()), "< $lim$\n< $lim$\n< B\n< $lim$\n< \n");

  // Even an absolute name is put behind the CHUNKPATH directory.
  const RunResult r = run_vornik({"-v0", "-f", path, "-Itags", "chunk", "-"}, "",
                                 {{"CHUNKPATH", t.dir.path()}});
  EXPECT_EQ(r.status, 2);
  EXPECT_EQ(r.err, "vornik: file '" + t.dir.path() + "/" + path + "': No such file or directory\n");
}

TEST(FixApplication, WorkedExampleReachesOnlyTheChunkTagger) {
  TagsRun t;
  const std::string fix = t.dir.write("example.fix",
                                      "%% adjectives before nouns\n"
                                      "fix # =ADJD #r =NN -> ADJA\n"
                                      "fix # =ADJD #l =VAFIN -> ADV\n"
                                      "fix # =VVFIN=^ist$ -> VAFIN\n"
                                      "fix # =PDS=^das$ #r =ADJD #rr =NN -> ART\n"
                                      "fix # =NN #u =NP -> NE\n"
                                      "skip KON\n");
  t.run({"-f", fix}, "Das PDS\nschnelle ADJD\nAuto NN\nist VVFIN\nrot ADJD\n");
  EXPECT_EQ(t.result.status, 0) << t.result.err;
  EXPECT_EQ(t.result.err, "");
  EXPECT_EQ(received(t.chunk_log()),
            "< $lim$\n< $lim$\n< ART\n< ADJA\n< NN\n< VAFIN\n< ADJD\n< $lim$\n< \n");
  EXPECT_EQ(t.result.out,
            "Das\tPDS\t0\tNP\nschnelle\tADJD\t0\tNP\nAuto\tNN\t0\tNP\nist\tVVFIN\t0\tNP\n"
            "rot\tADJD\t0\tNP\n\n");
}

TEST(FixApplication, EverySentenceIsFixedOnItsOwn) {
  TagsRun t;
  const std::string fix = t.dir.write("rules.fix", "fix # =IN=^that$ #r =NN -> DT\n");
  t.run({"-f", fix}, "that IN\nman NN\n\nthat IN\n\nman NN\nthat IN\n");
  EXPECT_EQ(t.result.status, 0) << t.result.err;
  EXPECT_EQ(received(t.chunk_log()),
            "< $lim$\n< $lim$\n< DT\n< NN\n< $lim$\n< \n"
            "< $lim$\n< $lim$\n< IN\n< $lim$\n< \n"
            "< $lim$\n< $lim$\n< NN\n< IN\n< $lim$\n< \n");
}

TEST(FixApplication, FixesTagsFromThePosTagger) {
  ScratchDir dir;
  const std::string pos = dir.write("pos", "map the DT\nmap dog NN\nmap barked VBD\n");
  const std::string chunk = dir.write("chunk", "default x/0/c/NP\n");
  const std::string fix = dir.write("rules.fix", "fix # =VBD #l =NN -> VBX\n");
  const RunResult r = run_vornik({"-v0", "-f", fix, "-Ochunktags", pos, chunk, "-"},
                                 "the\ndog\nbarked\n", {{"FAKE_ORVIT_LOG", dir.path() + "/log"}});
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(received(dir.read("log.chunk")), "< $lim$\n< $lim$\n< DT\n< NN\n< VBX\n< $lim$\n< \n");
  EXPECT_EQ(r.out, "the\tDT\t0\tNP\ndog\tNN\t0\tNP\nbarked\tVBD\t0\tNP\n\n");
}
}  // namespace

namespace {
TEST(FixApplication, EnglishExampleFileCorrectsTypicalTaggerErrors) {
  TagsRun t;
  t.run({"-f", VORNIK_EXAMPLES "/english.fix"},
        "the DT\nproposed VBN\nmerger NN\nthat IN\ncompany NN\nhas VBZ\nrisen VBD\nto IN\n"
        "buy VB\nthe DT\nmeeting VBG\nended VBD\nwere VBD\nalso RB\nsold VBD\nthe DT\n"
        "running VBG\nshoes NNS\n");
  EXPECT_EQ(t.result.status, 0) << t.result.err;
  EXPECT_EQ(received(t.chunk_log()),
            "< $lim$\n< $lim$\n< DT\n< JJ\n< NN\n< DT\n< NN\n< VBZ\n< VBN\n< TO\n< VB\n< DT\n"
            "< NN\n< VBD\n< VBD\n< RB\n< VBN\n< DT\n< VBG\n< NNS\n< $lim$\n< \n");
}
}  // namespace
