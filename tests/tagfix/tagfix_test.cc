// Tag-fix rules: which tag each word hands to the chunk tagger, through the real file
// reader; through the real binary, status 6 naming the line with the syntax summary,
// several -f files, CHUNKPATH, and the tags the chunk tagger gets.
#include <gtest/gtest.h>

#include <regex.h>

#include <cstdio>
#include <cstdlib>
#include <sstream>
#include <string>
#include <vector>

#include "driver/error.h"
#include "driver/parser.h"
#include "support/run_vornik.h"
#include "symtab/lexicon.h"
#include "tagfix/fixapply.h"
#include "tagfix/fixrules.h"

namespace {
void load_rules(const std::string &text) {
  init_tries();
  ScratchDir dir;
  read_fixes(dir.write("rules.fix", text).c_str());
}

// The tags the chunk tagger gets for "word/TAG word/TAG ...", joined by blanks; the
// framing ("$lim$" rows, blank line) is checked end to end.
std::string fixed_tags(const std::string &sentence) {
  std::vector<std::string> words;
  std::vector<int> tags;
  std::istringstream in(sentence);
  for (std::string item; in >> item;) {
    words.push_back(item.substr(0, item.rfind('/')));
    tags.push_back(tagtoint(item.substr(item.rfind('/') + 1).c_str()));
  }
  std::vector<char *> word_ptrs;
  for (std::string &w : words) word_ptrs.push_back(w.data());
  std::vector<int> chosen(words.size() + 1);
  fix_tagged_sentence(word_ptrs.data(), tags.data(), static_cast<int>(words.size()), chosen.data());
  std::istringstream written(capture([&](FILE *out) {
    tags_to_chunk_tagger(out, chosen.data(), static_cast<int>(words.size()));
  }));
  std::string joined;
  for (std::string line; std::getline(written, line);)
    if (line != "$lim$" && !line.empty()) joined += (joined.empty() ? "" : " ") + line;
  return joined;
}

TEST(FixApply, WritesTheChosenTags) {
  std::string ninety_nine = "fix # =A";
  for (int i = 1; i < 99; ++i) ninety_nine += " # =A";
  const struct {
    std::string rules;
    const char *sentence, *expected;
  } cases[] = {
      {"", "a/A b/B", "A B"},
      {"fix # =Z -> Y\n", "a/A b/B", "A B"},
      // Each path row: a step beyond the sentence fails, the same step inside holds.
      {"fix # =B #l =A -> X\n", "b/B a/A b/B", "B A X"},
      {"fix # =B #r =A -> X\n", "b/B a/A b/B", "X A B"},
      {"fix # =B #ll =A -> X\n", "a/A b/B b/B", "A B X"},
      {"fix # =B #lr =B -> X\n", "a/A b/B", "A X"},
      {"fix # =A #x9r- =B -> X\n", "a/A b/B", "X B"},
      {"fix #l =ART -> X\n", "the/ART the/ART a/ART", "ART X X"},
      {"fix # =A -> X\nfix # =A -> Y\n", "a/A", "X"},              // first rule wins
      {"fix # =A #r =Z -> X\nfix # =A -> Y\n", "a/A b/B", "Y B"},  // a failed rule gives way
      {"fix # =B #l =A #r =C -> X\n", "a/A b/B d/D a/A b/B c/C", "A B D A X C"},  // all must hold
      // A neighbour keeps its uncorrected tag.
      {"fix # =A -> B\nfix # =C #l =B -> D\nfix # =E #l =A -> F\n", "a/A c/C a/A e/E", "B C B F"},
      {"fix # =A -> B\nfix # =B -> C\n", "a/A", "B"},  // chosen tag not examined again
      // Words have no mothers, sisters or functions in this pass.
      {"fix # =A #u =A -> X\nfix # =A #L =A -> X\nfix # =A #R =A -> X\n"
       "fix # =A #lu =A -> X\n",
       "a/A a/A", "A A"},
      {"fix # HD=A -> X\nfix # =A #r HD= -> X\n", "a/A b/B", "A B"},
      {"fix # ~HD=A -> X\n", "a/A", "X"},  // a negated function holds
      {"fix # =A #r =~A -> X\n", "a/A b/B a/A a/A", "X B A A"},
      {"fix # =A=~^the$ -> X\n", "the/A cat/A THE/A", "A X A"},
      {"fix # =A=^der$ -> X\n", "der/A Der/A DER/A oder/A", "X X X A"},  // case ignored
      {"fix # =A=der -> X\n", "Der/A oder/A LEDER/A dx/A", "X X X A"},   // unanchored
      {"fix # =A=a=b -> X\n", "a/A b/A", "X A"},                         // third component only
      {"fix # =IN #r ==^[0-9]+$ -> CD\n", "in/IN 1999/CD in/IN x/NN", "CD CD IN NN"},
      {"fix # =A=^(a|b)+$ -> X\n", "abba/A abc/A", "X A"},  // extended syntax
      // Word rules are looked up by the word (the oracle below checks them against trying
      // each rule in turn); words with digits and apostrophes, negated word rules.
      {"fix # =A=^n't$ -> N\nfix # =A=^x-1$ -> H\n", "N'T/A x-1/A x-10/A", "N H A"},
      {"fix # =A=~^a$ -> X\nfix # =A=^b$ -> Y\nfix # =A=^c$ -> Z\n", "a/A b/A", "A X"},
      // How lines are read: blanks and tabs anywhere, text behind the new tag and between
      // conditions ignored, "->" without blanks, no final newline.
      {"  \tfix\t# =A #r ~SB=~B=~^x -> Y  behind the tag\n", "a/A c/C a/A b/B a/A xc/C",
       "Y C A B A C"},
      {"fix # =B x #l\t=A\t-> X\n", "a/A b/B", "A X"},
      {"fix # =A->Y\nfix # =B ->Z", "a/A b/B", "Y Z"},
      {"%% fix # =A -> B\n\n \t \nfix # =A -> B C\n", "a/A", "B"},
      // CRLF: the carriage return ends a node description, but stays in the new tag.
      {"fix # =A -> B\r\nfix # =C\r#r =B -> X\r\n", "a/A c/C b/B", "B\r X\r B"},
      // All of a hundred conditions count (a 101st is an error of its line).
      {ninety_nine + " # =NEVER -> X\n", "a/A", "A"},
      {ninety_nine + " # =A -> X\n", "a/A", "X"}};
  for (const auto &c : cases) {
    load_rules(c.rules);
    EXPECT_EQ(fixed_tags(c.sentence), c.expected) << c.rules << c.sentence;
  }
}

// Oracle for the word-rule lookup: random chains mixing word rules, other patterns and
// rules with a neighbour condition, checked against trying every rule in turn with
// regexec, as the rules read.
TEST(FixApply, WordRuleLookupAgreesWithTryingEveryRule) {
  struct Rule {
    std::string pattern, right, tag;  // right: required tag of the right neighbour, or ""
  };
  const std::vector<std::string> words = {"a", "b", "ab", "Ab", "ba", "bb", "a-b", "x"};
  std::srand(7);
  for (int round = 0; round < 200; ++round) {
    std::vector<Rule> rules;
    std::string text;
    for (int k = std::rand() % 8; k >= 0; --k) {
      Rule r;
      const int kind = std::rand() % 4;
      const std::string &w = words[std::rand() % words.size()];
      r.pattern = kind == 0 ? "a." : "^" + w + "$";  // kind 0: not a word rule
      if (kind == 1) r.right = "B";
      r.tag = "N" + std::to_string(k);
      rules.push_back(r);
      text += "fix # =A=" + r.pattern + (r.right.empty() ? "" : " #r =" + r.right) + " -> " +
              r.tag + "\n";
    }
    load_rules(text);
    std::string sentence, expected;
    const int length = 1 + std::rand() % 6;
    std::vector<std::string> tags;
    for (int i = 0; i < length; ++i) tags.push_back(std::rand() % 3 ? "A" : "B");
    for (int i = 0; i < length; ++i) {
      const std::string &w = words[std::rand() % words.size()];
      sentence += w + "/" + tags[i] + " ";
      std::string chosen = tags[i];
      for (const Rule &r : rules) {
        if (tags[i] != "A") break;
        if (!r.right.empty() && (i + 1 == length || tags[i + 1] != r.right)) continue;
        regex_t re;
        ASSERT_EQ(regcomp(&re, r.pattern.c_str(), REG_EXTENDED | REG_ICASE | REG_NOSUB), 0);
        const bool match = regexec(&re, w.c_str(), 0, nullptr, 0) == 0;
        regfree(&re);
        if (match) {
          chosen = r.tag;
          break;
        }
      }
      expected += (expected.empty() ? "" : " ") + chosen;
    }
    EXPECT_EQ(fixed_tags(sentence), expected) << text << sentence;
  }
}

TEST(FixApply, SentencesLongerThanAThousandWordsFitAndLeaveNothingBehind) {
  load_rules("fix # =B #l =A -> X\nfix # =A #r =B #rr =END -> Y\nfix # =C #lll =B -> Z\n");
  std::string sentence, expected;
  for (int i = 0; i < 2600; ++i) {
    sentence += i % 2 ? "b/B " : "a/A ";
    expected += i % 2 ? "X " : "A ";
  }
  EXPECT_EQ(fixed_tags(sentence + "a/A b/B e/END"), expected + "Y X END");
  // Shorter sentences after a long one: steps beyond their ends find nothing of it.
  EXPECT_EQ(fixed_tags("a/A"), "A");
  EXPECT_EQ(fixed_tags("a/A b/B"), "A X");
  EXPECT_EQ(fixed_tags("a/A c/C"), "A C");
  EXPECT_EQ(fixed_tags("b/B a/A c/C"), "B A C");
  EXPECT_EQ(fixed_tags("b/B a/A d/D c/C"), "B A D Z");
}
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

// Writes each entry as a tag-fix file (entries starting with "/" are paths used as
// they are) and returns the -f options naming them.
std::vector<std::string> fix_options(const ScratchDir &dir, const std::vector<std::string> &files) {
  std::vector<std::string> options;
  for (std::size_t i = 0; i < files.size(); ++i) {
    options.push_back("-f");
    options.push_back(files[i].starts_with("/") ? files[i]
                                                : dir.write(std::to_string(i) + ".fix", files[i]));
  }
  return options;
}

TEST(FixFile, ErrorsEndTheRunWithTheLineNumberInTheirOwnFile) {
  struct Case {
    const char *name;
    std::vector<std::string> files;
    int status;
    std::string err;
    std::vector<std::string> args = {"-v0", "-Itags", "chunk", "-"};  // after the -f options
    Env env = {};
  };
  ScratchDir dir;
  std::string hundred_and_one = "fix # =A";
  for (int i = 1; i < 100; ++i) hundred_and_one += " #r =B";
  hundred_and_one += " -> C\n" + hundred_and_one + " #l =D -> C\n";
  std::string many_stars;  // a*a*...: 100 repetition operators
  for (int i = 0; i < 100; ++i) many_stars += "a*";
  const Case cases[] = {
      // clang-format off
      {"LongCommentSkippedLongRuleRefused", {"%%" + std::string(1200, 'x') + "\nfix # =A -> " +
       std::string(987, 'B') + "\n" + "fix # =A -> " + std::string(988, 'B') + "\n"},
       6, tagfix_error(3, "a rule line is longer than 999 bytes\n")},
      {"ManyStars", {"%% x\nfix # =A=" + many_stars + " -> B\n"}, 6,
       tagfix_error(2, "bad pattern \"" + many_stars.substr(0, 80) +
                       "\": more than 32 repetition operators\n")},
      {"LongPattern", {"fix # =A=" + std::string(257, 'a') + " -> B\n"}, 6,
       tagfix_error(1, "bad pattern \"" + std::string(80, 'a') + "\": longer than 256 bytes\n")},
      {"HundredConditionsAndOneMore", {hundred_and_one}, 6,
       tagfix_error(2, "a rule has more than 100 conditions\n")},
      {"NulByte", {std::string("fix # =A -> B\nfix # =A\0 -> B\n", 29)}, 6,
       tagfix_error(2, "a rule line holds a NUL byte\n")},
      {"Unopenable", {"/nonexistent/rules.fix"}, 2,
       "vornik: file '/nonexistent/rules.fix': No such file or directory\n"},
      {"ErrorInSecondFile", {"%% one\n%% two\nfix # =A -> B\n\n\n", "skip KON\nfix # =A -> \n"}, 6,
       tagfix_error(2)},
      {"ErrorInFirstFileStopsBeforeTheSecond",
       {"fix # =A -> B\nfix -> B\n", "/nonexistent/second.fix"}, 6, tagfix_error(2)},
      // A file is read when its option is read, before the options after it.
      {"ReadBeforeALaterOption", {"fix\n"}, 6, tagfix_error(1), {"-v0", "-Ofoo", "chunk", "-"}},
      {"ReadAfterAnEarlierOption", {}, 7,
       "vornik: ERROR: wrong I/O option\n" + std::string(usage_text),
       {"-v0", "-Ofoo", "-f", "/nonexistent/rules.fix", "chunk", "-"}},
      // Even an absolute name is put behind CHUNKPATH.
      {"AbsoluteNameBehindChunkpath", {"fix # =A -> B\n"}, 2, "vornik: file '" + dir.path() + "/" +
       dir.path() + "/0.fix': No such file or directory\n", {"-v0", "-Itags", "chunk", "-"},
       {{"CHUNKPATH", dir.path()}}},
  };  // clang-format on
  // A bad line 5, after a comment, a CRLF blank line, a rule and a blank line; "" or the
  // line before the syntax summary.
  const char kBefore5[] = "%% comment\n\r\nfix # =A -> B\n \t \n";
  const std::pair<const char *, const char *> bad_lines[] = {
      // clang-format off
      {"fix #=ADJA -> ADJD\n", ""}, {"fix # =ADJA\n", ""}, {"fix # =ADJA -> \n", ""},
      {"fix # =ADJA ->\n", ""}, {"fix # ADJA -> ADJD\n", ""}, {"fix # HD==x -> ADJD\n", ""},
      {"Fix # =ADJA -> ADJD\n", ""}, {"frob ADJA\n", ""}, {" %% note\n", ""},
      {"fix =ADJA -> X\n", ""}, {"noatt =NN\n", ""}, {"noatt\n", ""}, {"fix # =A #l -> X\n", ""},
      {"fix # =A #r-> X\n", ""}, {"skip\r\n", ""}, {"fix # =ADJA\r\n", ""},
      {"fix # =A=( -> X\n", "bad pattern \"(\": Unmatched ( or \\(\n"},
      {"fix # =A=~a( -> X\n", "bad pattern \"a(\": Unmatched ( or \\(\n"},
      {"noatt # =A #r ==x{2 -> X\n", "bad pattern \"x{2\": Unmatched \\{\n"},
      // Patterns that would stall matching or take gigabytes to compile.
      {"fix # =A=^(.*)(.*)\\2\\1x$ -> X\n",
       "bad pattern \"^(.*)(.*)\\2\\1x$\": back-references (\\1 to \\9) are not allowed\n"},
      {"fix # =A #r ==((a{1,1000}){1,1000}){1,1000} -> X\n",
       "bad pattern \"((a{1,1000}){1,1000}){1,1000}\": a repetition count above 100\n"},
      {"fix # =A=(ab{1,20}){2,13} -> X\n",
       "bad pattern \"(ab{1,20}){2,13}\": more than 256 atoms once its repetition counts are "
       "written out\n"},
      {"fix # =A=(abcd){64,} -> X\n",
       "bad pattern \"(abcd){64,}\": more than 256 atoms once its repetition counts are "
       "written out\n"},
      // Found by fuzzing: stacked "+" double the pattern each (regcomp copies x+ as xx*).
      {"fix # =A=ab+++++++++ -> X\n",
       "bad pattern \"ab+++++++++\": more than 256 atoms once its repetition counts are "
       "written out\n"},
      // Found by fuzzing: a loop over a part that can match nothing, made optional and
      // repeated, takes regcomp time exponential in the count.
      {"fix # =A=(a|b)?*?{0,90} -> X\n",
       "bad pattern \"(a|b)?*?{0,90}\": repeats a part that can match the empty string\n"},
      // A self category marked "~" names the tag the rule is stored under.
      {"fix # =~DT -> QQ\n",
       "the category of the first condition cannot be negated: the rule could never apply\n"},
  };  // clang-format on
  std::vector<Case> all(std::begin(cases), std::end(cases));
  for (const auto &[line, detail] : bad_lines)
    all.push_back(
        {line, {std::string(kBefore5) + line + "fix # =C -> D\n"}, 6, tagfix_error(5, detail)});
  for (const Case &c : all) {
    std::vector<std::string> args = fix_options(dir, c.files);
    args.insert(args.end(), c.args.begin(), c.args.end());
    const RunResult r = run_vornik(args, "", c.env);
    EXPECT_EQ(r.status, c.status) << c.name;
    EXPECT_EQ(r.err, c.err) << c.name;
    EXPECT_EQ(r.out, "") << c.name;
  }
}

struct TaggerCase {
  const char *name;
  std::vector<std::string> files;
  std::string input;  // "word TAG" lines
  std::string tags;   // the tags the chunk tagger receives, one line each
};

// The tags go to the chunk tagger framed by "$lim$" rows; the tags printed stay the
// tagger's own. Marker lines (skip, noatt, ...) load but change no tag.
// clang-format off
const TaggerCase kTaggerCases[] = {
    {"RulesOfEarlierFilesAreTriedFirst", {"fix # =A #r =Z -> X\nfix # =A -> B\n",
      "fix # =A -> C\nnoatt # =D #u =X\nignore ART\nnostr NE\nwordfix W\nskip KON\n"
      "fix # =D -> E\n"},
     "a A\nd D\n", "$lim$\n$lim$\nB\nE\n$lim$\n\n"},
    // A new tag that begins like a comment is sent behind a blank, and its echo in the
    // reply is taken as the answer for its word, not skipped as a comment.
    {"NewTagLikeACommentIsStillAnswered", {"fix # =A -> %%X\n"}, "a A\nb B\n",
     "$lim$\n$lim$\n %%X\nB\n$lim$\n\n"},
    {"EverySentenceIsFixedOnItsOwn", {"fix # =IN=^that$ #r =NN -> DT\n"},
     "that IN\nman NN\n\nthat IN\n\nman NN\nthat IN\n",
     "$lim$\n$lim$\nDT\nNN\n$lim$\n\n$lim$\n$lim$\nIN\n$lim$\n\n$lim$\n$lim$\nNN\nIN\n$lim$\n\n"},
    {"EnglishExampleFileCorrectsTypicalTaggerErrors", {VORNIK_EXAMPLES "/english.fix"},
     "the DT\nproposed VBN\nmerger NN\nthat IN\ncompany NN\nhas VBZ\nrisen VBD\nto IN\n"
     "buy VB\nthe DT\nmeeting VBG\nended VBD\nwere VBD\nalso RB\nsold VBD\nthe DT\n"
     "running VBG\nshoes NNS\n",
     "$lim$\n$lim$\nDT\nJJ\nNN\nDT\nNN\nVBZ\nVBN\nTO\nVB\nDT\nNN\nVBD\nVBD\nRB\nVBN\nDT\n"
     "VBG\nNNS\n$lim$\n\n"},
};
// clang-format on

TEST(ChunkTaggerInput, HasTheFixedTags) {
  for (const TaggerCase &c : kTaggerCases) {
    ScratchDir dir;
    std::vector<std::string> args = fix_options(dir, c.files);
    const Env env{{"FAKE_ORVIT_LOG", dir.path() + "/log"}};
    const std::string chunk = dir.write("chunk", "default x/0/c/NP\n");
    args.insert(args.end(), {"-v0", "-Itags", "-Ochunktags", chunk, "-"});
    const RunResult r = run_vornik(args, c.input, env);
    EXPECT_EQ(r.status, 0) << c.name;
    EXPECT_EQ(r.err, "") << c.name;
    std::string received, printed, word, tag;
    const std::string log = dir.read("log.chunk");
    std::istringstream lines(log.substr(log.find('\n') + 1)), input(c.input);
    for (std::string line; std::getline(lines, line);) received += line.substr(2) + "\n";
    EXPECT_EQ(received, c.tags) << c.name;
    for (std::string line; std::getline(input, line);)
      printed += std::istringstream(line) >> word >> tag ? word + "\t" + tag + "\t0\tNP\n" : "\n";
    EXPECT_EQ(r.out, printed + "\n") << c.name;
  }
}
}  // namespace
