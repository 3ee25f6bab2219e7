// Column splitting, the markup-line test, the word buffer and the sentence record.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "driver/chunkio.h"
#include "driver/word_buffer.h"
#include "driver/ws_inout.h"
#include "symtab/lexicon.h"

namespace {
std::vector<std::string> split(std::string line, int max) {
  std::vector<char *> column(max + 2);
  const int n = nspalten(line.data(), column.data(), max);
  EXPECT_EQ(column[n], nullptr);
  return std::vector<std::string>(column.begin(), column.begin() + n);
}

TEST(Nspalten, SplitsColumnsAndKeepsTheRestAsOneColumn) {
  struct Case {
    const char *line;
    int max;
    std::vector<std::string> columns;
  };
  const Case cases[] = {
      {"", 2, {}},
      {" \t\r\n", 2, {}},
      {"word\n", 2, {"word"}},
      {"  the DET\n", 2, {"the", "DET"}},
      {"a b c d\n", 2, {"a", "b", "c d"}},
      {"a\tb \t c  d \r\n", 1, {"a", "b \t c  d"}},
      {"a\vb\fc", 3, {"a", "b", "c"}},
      {"x\xa0y z", 1, {"x\xa0y", "z"}},  // only the six ASCII whitespace bytes split
  };
  for (const Case &c : cases) EXPECT_EQ(split(c.line, c.max), c.columns) << c.line;
}

TEST(NextCol, SplitsOffTheFirstColumnOnly) {
  struct Case {
    const char *text, *column, *rest;
  };
  const Case cases[] = {
      {"  =NN rest", "=NN", "rest"},
      {"=NN  two", "=NN", " two"},
      {"=NN", "=NN", ""},
      {"   ", "", ""},
  };
  for (const Case &c : cases) {
    std::string text = c.text;
    char *rest = nullptr;
    EXPECT_STREQ(next_col(text.data(), &rest), c.column) << c.text;
    EXPECT_STREQ(rest, c.rest) << c.text;
  }
}

TEST(IsSgml, RecognisesLoneTags) {
  const std::pair<const char *, int> cases[] = {
      {"<s>\n", 1},       {"  <s id=4>  \n", 1}, {"</s>", 1},  {"<a>b</a>\n", 0},
      {"x <s>\n", 0},     {"<s\n", 0},           {"", 0},      {"<>\n", 1},
      {"<a> \t\r\n", 1},  {"a\n", 0},
  };
  for (const auto &[line, expected] : cases) EXPECT_EQ(is_sgml(line), expected) << line;
  EXPECT_EQ(is_sgml(nullptr), 0);
}

TEST(WordBuffer, CopiesSurviveUntilZeroedAndBlocksChain) {
  t_wordbuf *buffer = wordbuf_init();
  std::vector<char *> copies;
  const std::string word(99, 'w');
  for (int i = 0; i < 300; ++i) copies.push_back(wordbuf_new_word(buffer, (word + std::to_string(i)).c_str()));
  for (int i = 0; i < 300; ++i) ASSERT_EQ(copies[i], word + std::to_string(i));
  ASSERT_NE(buffer->next, nullptr);  // 300 * 103 bytes need more than one block
  t_wordbuf *second = buffer->next;
  wordbuf_zero(buffer);
  EXPECT_EQ(buffer->position, buffer->buf_begin);
  EXPECT_EQ(second->position, second->buf_begin);
  EXPECT_EQ(wordbuf_new_word(buffer, "x"), buffer->buf_begin + 1);  // byte 0 is never used
}

TEST(Chunkio, AppendsEntriesAndGrowsBy2000) {
  chunkio_t *record = chunkio_init();
  EXPECT_EQ(record->buf_size, 500);
  char word[] = "w";
  for (int i = 0; i < 499; ++i) chunkio_next_line(record, word, "NN", nullptr, nullptr);
  EXPECT_EQ(record->buf_size, 500);
  chunkio_next_line(record, word, "NN", nullptr, nullptr);  // the 500th word
  EXPECT_EQ(record->buf_size, 2500);
  while (record->sentence_length < 2500) chunkio_next_line(record, word, "NN", nullptr, nullptr);
  EXPECT_EQ(record->buf_size, 4500);
  EXPECT_EQ(record->pos_tag[2499], tagtoint("NN"));
  EXPECT_EQ(record->word[2499], word);
}

TEST(Chunkio, MotherCategoryUnderscoreOrMissingIsZero) {
  chunkio_t *record = chunkio_init();
  chunkio_next_line(record, nullptr, nullptr, "-x", "NP");
  chunkio_next_line(record, nullptr, nullptr, "0", "_");
  chunkio_next_line(record, nullptr, nullptr, "+", nullptr);
  EXPECT_EQ(record->rel_depth[0], '-');
  EXPECT_EQ(record->mother_category[0], tagtoint("NP"));
  EXPECT_EQ(record->mother_category[1], 0);
  EXPECT_EQ(record->mother_category[2], 0);
}
}  // namespace
