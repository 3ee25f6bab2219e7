// Tag-fix rules read through the real file reader: what each line stores, and which
// tag each word of a sentence hands to the chunk tagger.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <sstream>
#include <string>
#include <vector>

#include "run_vornik.h"
#include "symtab/lexicon.h"
#include "tagfix/fixapply.h"
#include "tagfix/fixrules.h"

namespace {
// Empties the rule stores and reads `text` as a tag-fix file.
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
  char *buffer = nullptr;
  std::size_t size = 0;
  FILE *out = open_memstream(&buffer, &size);
  fix_tagged_sentence(out, word_ptrs.data(), tags.data(), static_cast<int>(words.size()));
  std::fclose(out);
  std::istringstream written(std::string(buffer, size));
  std::free(buffer);
  std::string joined;
  for (std::string line; std::getline(written, line);)
    if (line != "$lim$" && !line.empty()) joined += (joined.empty() ? "" : " ") + line;
  return joined;
}

std::string label(int id) { return id ? inttotag(id) : ""; }

// "#<path> <function>=<category>/<negbits>" per condition, then " -> <newtag>"; rules of
// one chain joined by " ; ".
std::string describe_chain(t_bitnode *store, const char *oldtag) {
  std::string text;
  for (auto *rule = static_cast<fix_descr *>(bitrecall(store, tagtoint(oldtag))); rule; rule = rule->next) {
    if (!text.empty()) text += " ; ";
    EXPECT_EQ(rule->oldtag, rule->self->tag);
    for (node_descr *c = rule->self; c; c = c == rule->self ? rule->conditions : c->next)
      text.append("#").append(c->path).append(" ").append(label(c->edgelabel)).append("=")
          .append(label(c->tag)).append("/").append(std::to_string(c->negbits)).append(" ");
    text.append("-> ").append(label(rule->newtag));
  }
  return text;
}

struct GoodLine {
  const char *line, *oldtag, *rules;  // rules: describe_chain of fix_idtrie under oldtag
};

class GoodFixLine : public testing::TestWithParam<GoodLine> {};

TEST_P(GoodFixLine, IsStoredUnderItsSelfCategory) {
  load_rules(GetParam().line);
  EXPECT_EQ(describe_chain(fix_idtrie, GetParam().oldtag), GetParam().rules);
}

INSTANTIATE_TEST_SUITE_P(
    Lines, GoodFixLine,
    testing::Values(
        GoodLine{"fix # =ADJA -> ADJD\n", "ADJA", "# =ADJA/0 -> ADJD"},
        GoodLine{"fix # =NN x #l =ART -> NE\n", "NN", "# =NN/0 #l =ART/0 -> NE"},
        GoodLine{"fix #ll =ART #l =ART -> X\n", "ART", "#ll =ART/0 #l =ART/0 -> X"},
        GoodLine{"fix # =ADJA=a=b -> X\n", "ADJA", "# =ADJA/0 -> X"},
        GoodLine{"  \tfix\t#lr SB=~NN=~^x -> Y  behind the tag\n", "NN", "#lr SB=NN/6 -> Y"},
        GoodLine{"fix # ~HD=NN -> B\n", "NN", "# HD=NN/1 -> B"},
        GoodLine{"fix #l\t=ART\t-> X\n", "ART", "#l =ART/0 -> X"},
        GoodLine{"fix # =X->Y\n", "X", "# =X/0 -> Y"},
        GoodLine{"fix #xLz9 =A ->B\n", "A", "#xLz9 =A/0 -> B"},
        GoodLine{"fix # =A -> B C\n", "A", "# =A/0 -> B"},
        GoodLine{"fix # =A #r SB -> X\n", "A", "# =A/0 #r SB=/0 -> X"},
        GoodLine{"%% fix # =A -> B\n\n \t \nfix # =A -> B\nfix # =A #r =C -> D\nfix # =A -> B\n", "A",
                 "# =A/0 -> B ; # =A/0 #r =C/0 -> D ; # =A/0 -> B"},
        // Without a final newline the last line is read all the same.
        GoodLine{"fix # =A -> B", "A", "# =A/0 -> B"},
        // CRLF: the carriage return ends a node description, but stays in the new tag.
        GoodLine{"fix # =ADJA -> ADJD\r\n", "ADJA", "# =ADJA/0 -> ADJD\r"},
        GoodLine{"fix #l =ART\r#r =NN -> X\r\n", "ART", "#l =ART/0 #r =NN/0 -> X\r"}));

struct Case {
  const char *name, *rules;
  const char *sentence;  // word/TAG ...
  const char *expected;  // tags written, in order
};

void PrintTo(const Case &c, std::ostream *os) { *os << c.rules; }

class FixApply : public testing::TestWithParam<Case> {};

TEST_P(FixApply, WritesTheChosenTags) {
  load_rules(GetParam().rules);
  EXPECT_EQ(fixed_tags(GetParam().sentence), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Rules, FixApply,
    testing::Values(
        Case{"NoRules", "", "a/A b/B", "A B"},
        Case{"TagsWithoutRules", "fix # =Z -> Y\n", "a/A b/B", "A B"},
        Case{"LeftOfFirstWordFails", "fix # =B #l =A -> X\n", "b/B a/A", "B A"},
        Case{"LeftNeighbour", "fix # =B #l =A -> X\n", "a/A b/B", "A X"},
        Case{"RightOfLastWordFails", "fix # =B #r =A -> X\n", "a/A b/B", "A B"},
        Case{"RightNeighbour", "fix # =B #r =A -> X\n", "b/B a/A", "X A"},
        Case{"TwoLeftFromSecondWordFails", "fix # =B #ll =A -> X\n", "a/A b/B", "A B"},
        Case{"TwoLeft", "fix # =B #ll =A -> X\n", "a/A c/C b/B", "A C X"},
        Case{"LeftThenRightIsTheWordItself", "fix # =B #lr =B -> X\n", "a/A b/B", "A X"},
        Case{"OtherPathCharactersAreSkipped", "fix # =A #x9r- =B -> X\n", "a/A b/B", "X B"},
        Case{"SelfConditionWithPath", "fix #l =ART -> X\n", "the/ART the/ART a/ART", "ART X X"},
        Case{"FirstRuleWins", "fix # =A -> X\nfix # =A -> Y\n", "a/A", "X"},
        Case{"FailedRuleGivesWayToNext", "fix # =A #r =Z -> X\nfix # =A -> Y\n", "a/A b/B", "Y B"},
        Case{"AllConditionsMustHold", "fix # =B #l =A #r =C -> X\n", "a/A b/B d/D", "A B D"},
        Case{"ConjunctionHolds", "fix # =B #l =A #r =C -> X\n", "a/A b/B c/C", "A X C"},
        Case{"NeighbourKeepsItsUncorrectedTag", "fix # =A -> B\nfix # =C #l =B -> D\n", "a/A c/C", "B C"},
        Case{"NeighbourSeenWithOwnTag", "fix # =A -> B\nfix # =C #l =A -> D\n", "a/A c/C", "B D"},
        Case{"ChosenTagIsNotExaminedAgain", "fix # =A -> B\nfix # =B -> C\n", "a/A", "B"},
        Case{"UpNeverFires", "fix # =A #u =A -> X\n", "a/A a/A", "A A"},
        Case{"LeftSisterNeverFires", "fix # =A #L =A -> X\n", "a/A a/A", "A A"},
        Case{"RightSisterNeverFires", "fix # =A #R =A -> X\n", "a/A a/A", "A A"},
        Case{"TreeStepAfterWordStepNeverFires", "fix # =A #lu =A -> X\n", "a/A a/A", "A A"},
        Case{"FunctionNeverFires", "fix # HD=A -> X\n", "a/A", "A"},
        Case{"FunctionOnNeighbourNeverFires", "fix # =A #r HD= -> X\n", "a/A b/B", "A B"},
        Case{"NegatedFunctionHolds", "fix # ~HD=A -> X\n", "a/A", "X"},
        Case{"NegatedCategory", "fix # =A #r =~A -> X\n", "a/A b/B a/A a/A", "X B A A"},
        Case{"NegatedSelfCategoryNeverFires", "fix # =~A -> X\n", "a/A", "A"},
        Case{"NegatedPattern", "fix # =A=~^the$ -> X\n", "the/A cat/A THE/A", "A X A"},
        Case{"PatternIgnoresCase", "fix # =A=^der$ -> X\n", "der/A Der/A DER/A oder/A", "X X X A"},
        Case{"PatternIsUnanchored", "fix # =A=der -> X\n", "Der/A oder/A LEDER/A dx/A", "X X X A"},
        Case{"PatternIsTheThirdComponentOnly", "fix # =A=a=b -> X\n", "a/A b/A", "X A"},
        Case{"PatternOnNeighbour", "fix # =IN #r ==^[0-9]+$ -> CD\n", "in/IN 1999/CD in/IN x/NN", "CD CD IN NN"},
        Case{"ExtendedSyntax", "fix # =A=^(a|b)+$ -> X\n", "abba/A abc/A", "X A"}),
    [](const testing::TestParamInfo<Case> &info) { return std::string(info.param.name); });

TEST(FixApply, OnlyTheFirstHundredConditionsCount) {
  std::string hundred = "fix # =A";
  for (int i = 1; i < 99; ++i) hundred += " # =A";
  // The 100th condition fails: the rule must not fire.
  load_rules(hundred + " # =NEVER -> X\n");
  EXPECT_EQ(fixed_tags("a/A"), "A");
  // A failing 101st condition is part of the 100th one's ignored text.
  load_rules(hundred + " # =A # =NEVER -> X\n");
  EXPECT_EQ(fixed_tags("a/A"), "X");
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
}  // namespace
