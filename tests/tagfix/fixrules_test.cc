// Reading tag-fix files: which rules and markers land in which store, split into
// which conditions, in which order. Lines with errors are tested end to end.
#include <gtest/gtest.h>

#include <string>

#include "tagfix_test_util.h"

namespace {
std::string label(int id) { return id ? inttotag(id) : ""; }

// "#<path> <function>=<category>/<negbits>" per condition, then " -> <newtag>";
// rules of one chain joined by " ; ".
std::string describe_chain(t_bitnode *store, const char *oldtag) {
  auto *rule = static_cast<fix_descr *>(bitrecall(store, tagtoint(oldtag)));
  std::string text;
  for (; rule; rule = rule->next) {
    if (!text.empty()) text += " ; ";
    EXPECT_EQ(rule->oldtag, rule->self->tag);
    for (node_descr *c = rule->self; c; c = c == rule->self ? rule->conditions : c->next) {
      text += '#';
      text += c->path;
      text += ' ';
      text += label(c->edgelabel);
      text += '=';
      text += label(c->tag);
      text += '/';
      text += std::to_string(c->negbits);
      text += ' ';
    }
    text += "-> ";
    text += label(rule->newtag);
  }
  return text;
}

bool matches(const node_descr *condition, const char *word) {
  return regexec(condition->string, word, 0, nullptr, 0) == 0;
}

struct GoodLine {
  const char *line;
  const char *oldtag;
  const char *rules;  // describe_chain of fix_idtrie under oldtag
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
        GoodLine{"fix # =A -> B\nfix # =A #r =C -> D\nfix # =A -> B\n", "A",
                 "# =A/0 -> B ; # =A/0 #r =C/0 -> D ; # =A/0 -> B"},
        // Without a final newline the last line is read all the same.
        GoodLine{"fix # =A -> B", "A", "# =A/0 -> B"},
        // CRLF: the carriage return ends a node description, but stays in the new tag.
        GoodLine{"fix # =ADJA -> ADJD\r\n", "ADJA", "# =ADJA/0 -> ADJD\r"},
        GoodLine{"fix #l =ART\r#r =NN -> X\r\n", "ART", "#l =ART/0 #r =NN/0 -> X\r"}));

TEST(FixLine, ThePatternIsTheThirdComponentOnly) {
  load_rules("fix # =ADJA=a=b -> X\n");
  auto *rule = static_cast<fix_descr *>(bitrecall(fix_idtrie, tagtoint("ADJA")));
  ASSERT_NE(rule, nullptr);
  EXPECT_TRUE(matches(rule->self, "a"));
  EXPECT_FALSE(matches(rule->self, "b"));
}

TEST(FixLine, AMissingPatternMatchesEveryWord) {
  load_rules("fix # =A #r SB -> X\n");
  auto *rule = static_cast<fix_descr *>(bitrecall(fix_idtrie, tagtoint("A")));
  ASSERT_NE(rule, nullptr);
  for (const node_descr *c : {rule->self, rule->conditions}) {
    EXPECT_TRUE(matches(c, "anything"));
    EXPECT_TRUE(matches(c, ""));
  }
  EXPECT_EQ(rule->conditions->tag, 0);
  EXPECT_EQ(rule->conditions->edgelabel, tagtoint("SB"));
}

TEST(FixLine, OnlyTheFirstHundredHashesStartConditions) {
  std::string line = "fix # =A";
  for (int i = 1; i < 100; ++i) line += " #r" + std::to_string(i) + " =B" + std::to_string(i);
  line += " #r =LAST #xx -> X\n";
  load_rules(line);
  auto *rule = static_cast<fix_descr *>(bitrecall(fix_idtrie, tagtoint("A")));
  ASSERT_NE(rule, nullptr);
  int count = 1;
  const node_descr *last = rule->self;
  for (const node_descr *c = rule->conditions; c; c = c->next, ++count) last = c;
  EXPECT_EQ(count, 100);
  EXPECT_EQ(std::string(last->path), "r99");
  EXPECT_EQ(label(last->tag), "B99");
}

TEST(NoattLine, IsChainedInItsOwnStoreOnly) {
  load_rules("noatt # =NN #u =NP\nnoatt # =NN\r\n");
  EXPECT_EQ(describe_chain(noatt_idtrie, "NN"), "# =NN/0 #u =NP/0 ->  ; # =NN/0 -> ");
  EXPECT_EQ(bitrecall(fix_idtrie, tagtoint("NN")), nullptr);
}

TEST(MarkerLines, EnterEachTagOnceInTheirStores) {
  load_rules("skip\nskip KON KON\tADV\nignore ART ART\nnostr NE\nwordfix W\r\n");
  EXPECT_EQ(skip_idtrie->n, 3);  // KON, ADV, and ART through ignore
  EXPECT_EQ(ignore_idtrie->n, 1);
  EXPECT_EQ(nostr_idtrie->n, 1);
  EXPECT_EQ(word_idtrie->n, 1);
  for (const char *tag : {"KON", "ADV", "ART"}) {
    ASSERT_NE(bitrecall(skip_idtrie, tagtoint(tag)), nullptr) << tag;
    EXPECT_STREQ(static_cast<const char *>(bitrecall(skip_idtrie, tagtoint(tag))), "y");
  }
  EXPECT_NE(bitrecall(ignore_idtrie, tagtoint("ART")), nullptr);
  EXPECT_NE(bitrecall(nostr_idtrie, tagtoint("NE")), nullptr);
  EXPECT_NE(bitrecall(word_idtrie, tagtoint("W\r")), nullptr);  // CR is no separator here
  EXPECT_EQ(fix_idtrie->n, 0);
}

TEST(FixFile, CommentsAndBlankLinesAreSkipped) {
  load_rules("%% fix # =A -> B\n\n \t \nfix # =C -> D\n");
  EXPECT_EQ(fix_idtrie->n, 1);
  EXPECT_EQ(describe_chain(fix_idtrie, "C"), "# =C/0 -> D");
}

TEST(SplitAtOneSeparator, AdjacentSeparatorsGiveEmptyPieces) {
  struct Case {
    const char *text;
    const char *pieces[3];
  };
  for (const Case &c : {Case{"HD", {"HD", "", ""}}, Case{"=NN", {"", "NN", ""}},
                        Case{"==^der$", {"", "", "^der$"}}, Case{"SB=NN=a=b", {"SB", "NN", "a"}},
                        Case{"", {"", "", ""}}}) {
    std::string text = c.text;
    char *piece[3];
    one_separator_strtok(text.data(), '=', piece, 3);
    for (int i = 0; i < 3; ++i) EXPECT_STREQ(piece[i], c.pieces[i]) << c.text << " piece " << i;
  }
}
}  // namespace
