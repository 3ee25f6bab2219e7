// The tag-fix pass: which tag each word hands to the chunk tagger, for rules that
// exercise paths, rule order, conjunctions, negation marks and patterns.
#include <gtest/gtest.h>

#include <string>

#include "tagfix_test_util.h"

namespace {
struct Case {
  const char *name;
  const char *rules;
  const char *sentence;  // word/TAG ...
  const char *expected;  // tags written, in order
};

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
        Case{"NeighbourKeepsItsUncorrectedTag", "fix # =A -> B\nfix # =C #l =B -> D\n",
             "a/A c/C", "B C"},
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
        Case{"PatternIgnoresCase", "fix # =A=^der$ -> X\n", "der/A Der/A DER/A oder/A",
             "X X X A"},
        Case{"PatternIsUnanchored", "fix # =A=der -> X\n", "Der/A oder/A LEDER/A dx/A",
             "X X X A"},
        Case{"PatternOnNeighbour", "fix # =IN #r ==^[0-9]+$ -> CD\n", "in/IN 1999/CD in/IN x/NN",
             "CD CD IN NN"},
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

TEST(FixApply, FramesTheSentenceForTheChunkTagger) {
  load_rules("fix # =DT #r =NN -> X\n");
  EXPECT_EQ(tagger_input("the/DT dog/NN"), "$lim$\n$lim$\nX\nNN\n$lim$\n\n");
}

TEST(FixApply, SentencesLongerThanAThousandWordsFit) {
  load_rules("fix # =B #l =A -> X\nfix # =A #r =B #rr =END -> Y\n");
  std::string sentence;
  std::string expected;
  for (int i = 0; i < 2600; ++i) {
    sentence += i % 2 ? "b/B " : "a/A ";
    expected += i % 2 ? "X " : "A ";
  }
  sentence += "a/A b/B e/END";
  expected += "Y X END";
  EXPECT_EQ(fixed_tags(sentence), expected);
  // Shorter sentences after a long one see no leftovers of it.
  EXPECT_EQ(fixed_tags("a/A"), "A");
  EXPECT_EQ(fixed_tags("a/A b/B"), "A X");
}

// The pass itself only builds flat chains; the tree steps are checked on a small
// hand-made tree: NP over the/DT dog/NN.
TEST(MatchCondition, TreeStepsFollowTheLinks) {
  mobile_t *phrase = newmobile(500, nullptr, tagtoint("NP"), nullptr, 0, nullptr);
  mobile_t *the = newmobile(0, "the", tagtoint("DT"), phrase, tagtoint("NK"), nullptr);
  mobile_t *dog = newmobile(1, "dog", tagtoint("NN"), phrase, tagtoint("HD"), nullptr);
  phrase->child = the;
  the->sister = dog;
  phrase->next = the;
  the->next = dog;
  mobile_t *leaf_list[] = {the, dog, nullptr};
  struct Step {
    const char *rule;  // its last condition is tested
    mobile_t *from;
    int position;
    int holds;
  };
  for (const Step &s : {Step{"fix # =NN #u =NP -> X", dog, 1, 1},
                        Step{"fix # =NN #L NK=DT -> X", dog, 1, 1},
                        Step{"fix # =DT #R HD=NN=^DOG$ -> X", the, 0, 1},
                        Step{"fix # =DT #L =DT -> X", the, 0, 0},
                        Step{"fix # =NN #uL =NP -> X", dog, 1, 0},
                        // l and r count from the word position, not from the node reached
                        Step{"fix # =NN #Ll =DT -> X", dog, 1, 1},
                        Step{"fix # =DT #Rr =NN -> X", the, 0, 1},
                        Step{"fix # =DT #Rrr =NN -> X", the, 0, 0},
                        Step{"fix # =NN #u ==x -> X", dog, 1, 1},    // a phrase has no word to test
                        Step{"fix # =NN #u ==~x -> X", dog, 1, 0},   // a marked pattern needs a word
                        Step{"fix # =NN #u ~HD=NP -> X", dog, 1, 1},
                        Step{"fix # =NN # ~HD= -> X", dog, 1, 0}}) {
    load_rules(std::string(s.rule) + "\n");
    auto *rule = static_cast<fix_descr *>(bitrecall(fix_idtrie, static_cast<uint32_t>(s.from->tag)));
    ASSERT_NE(rule, nullptr) << s.rule;
    node_descr *last = rule->conditions ? rule->conditions : rule->self;
    while (last->next) last = last->next;
    EXPECT_EQ(match_condition(s.from, leaf_list, s.position, last), s.holds) << s.rule;
  }
  mobile_free(phrase);
}

TEST(FixApply, StepsBeyondTheLastWordNeverReachAnEarlierSentence) {
  load_rules("fix # =A #rrr =B -> X\nfix # =C #lll =B -> Y\n");
  EXPECT_EQ(fixed_tags("b/B b/B b/B b/B b/B b/B"), "B B B B B B");
  EXPECT_EQ(fixed_tags("a/A c/C"), "A C");
  EXPECT_EQ(fixed_tags("a/A c/C b/B"), "A C B");
  EXPECT_EQ(fixed_tags("a/A c/C d/D b/B"), "X C D B");
}

TEST(FixApply, WordNodesFormAFlatChainInSentenceOrder) {
  char w0[] = "the", w1[] = "dog";
  char *words[] = {w0, w1};
  const int tags[] = {tagtoint("DT"), tagtoint("NN")};
  mobile_t *head = words_to_mobiles(words, tags, 2);
  EXPECT_EQ(head->id, 0);
  EXPECT_EQ(head->string, nullptr);
  EXPECT_EQ(head->tag, 0);
  int position = 0;
  for (mobile_t *m = head->next; m; m = m->next, ++position) {
    ASSERT_LT(position, 2);
    EXPECT_EQ(m->id, position);
    EXPECT_STREQ(m->string, words[position]);
    EXPECT_EQ(m->tag, tags[position]);
    EXPECT_EQ(m->parent, nullptr);
    EXPECT_EQ(m->sister, nullptr);
    EXPECT_EQ(m->edgelabel, 0);
  }
  EXPECT_EQ(position, 2);
  mobile_free(head);
}
}  // namespace
