// Column splitting and the markup-line test, on the edge cases the end-to-end tests
// do not reach.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "driver/ws_inout.h"

namespace {
TEST(Nspalten, SplitsAtAsciiWhitespaceAndKeepsTheRestAsOneColumn) {
  struct Case {
    std::string line;
    int max;
    std::vector<std::string> columns;
  };
  const Case cases[] = {
      {"", 2, {}},
      {" \t\r\n", 2, {}},
      {"  the DET\n", 2, {"the", "DET"}},
      {"a b c d\n", 2, {"a", "b", "c d"}},
      {"a\tb \t c  d \r\n", 1, {"a", "b \t c  d"}},
      {"a\vb\fc", 3, {"a", "b", "c"}},
      {"x\xa0y z", 1, {"x\xa0y", "z"}},  // only the six ASCII whitespace bytes split
  };
  for (Case c : cases) {
    std::vector<char *> column(c.max + 2);
    const int n = nspalten(c.line.data(), column.data(), c.max);
    EXPECT_EQ(column[n], nullptr);
    EXPECT_EQ(std::vector<std::string>(column.begin(), column.begin() + n), c.columns) << c.line;
  }
}

TEST(IsSgml, RecognisesLoneTags) {
  const std::pair<const char *, int> cases[] = {
      {"<s>\n", 1}, {"  <s id=4>  \n", 1}, {"</s>", 1}, {"<>\n", 1}, {"<a> \t\r\n", 1},
      {"<a>b</a>\n", 0}, {"x <s>\n", 0}, {"<s\n", 0}, {"", 0}, {"a\n", 0}, {nullptr, 0},
  };
  for (const auto &[line, expected] : cases) EXPECT_EQ(is_sgml(line), expected) << (line ? line : "null");
}
}  // namespace
