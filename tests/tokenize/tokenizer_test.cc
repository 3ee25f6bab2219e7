// vornik-tokenize on hard cases: every row is raw text and the exact output, tokens
// joined by "|" and sentence ends shown as "||" for readability.
#include <gtest/gtest.h>

#include <sstream>
#include <string>

#include "tokenize/command.h"
#include "tokenize/line_reader.h"
#include "tokenize/tokenizer.h"

namespace {

using vornik::tokenize;
using vornik::tokenize_command;

std::string run(const std::string &text, bool plain_brackets = false) {
  std::istringstream in(text);
  std::ostringstream out;
  EXPECT_TRUE(tokenize(in, out, {.plain_brackets = plain_brackets}));
  std::string result = out.str();
  for (char &c : result)
    if (c == '\n') c = '|';
  return result;
}

struct Case {
  const char *text;
  const char *tokens;
};

const Case kCases[] = {
    // Punctuation, clitics, quotes by position.
    {"He said, \"I don't know.\"\n", "He|said|,|``|I|do|n't|know|.|''||"},
    {"It's they're I'm we'll he'd you've can't won't cannot\n",
     "It|'s|they|'re|I|'m|we|'ll|he|'d|you|'ve|ca|n't|wo|n't|can|not||"},
    {"The investors' funds rose in the '80s, 'tis said.\n",
     "The|investors|'|funds|rose|in|the|'80s|,|`|tis|said|.||"},
    {"She said \" yes \" and \"no\"-ish.\n", "She|said|``|yes|''|and|``|no|''|-ish|.||"},
    {"said,\"Well\n", "said|,|``|Well||"},
    // Curly quotes, apostrophes, dashes and the ellipsis character (UTF-8).
    {"\xE2\x80\x9CIt\xE2\x80\x99s\xE2\x80\x9D "
     "\xE2\x80\x98odd\xE2\x80\x99\xE2\x80\x94really\xE2\x80\xA6\n",
     "``|It|'s|''|`|odd|'|--|really|...||"},
    {"1990\xE2\x80\x93"
     "91 up \xE2\x80\x93 down\n",
     "1990-91|up|--|down||"},
    // Money, percentages, numbers kept whole.
    {"$3.5 billion, US$3 and #2 at 3:30 on 10/15, 1,000.5 or 5%.\n",
     "$|3.5|billion|,|US$|3|and|#|2|at|3:30|on|10/15|,|1,000.5|or|5|%|.||"},
    // Abbreviations stay whole; one ends a sentence only before a sentence start (a name
    // end: before a capital not continuing the name), giving its "." to a token.
    {"Mr. Smith of Acme Inc. said the U.S. Treasury rose.\n",
     "Mr.|Smith|of|Acme|Inc.|said|the|U.S.|Treasury|rose|.||"},
    {"He works at Acme Inc. The firm, e.g. in Calif., grew.\n",
     "He|works|at|Acme|Inc|.||The|firm|,|e.g.|in|Calif.|,|grew|.||"},
    {"Acme Co. Chairman Al Ray quit Oct. 3 in N.Y. Shares fell.\n",
     "Acme|Co.|Chairman|Al|Ray|quit|Oct.|3|in|N.Y|.||Shares|fell|.||"},
    {"It opened at 9 a.m.\nIt closed in the U.S.\n",
     "It|opened|at|9|a.m|.||It|closed|in|the|U.S|.||"},
    {"J. P. Morgan sued the non-U.S. unit of INC. Corp. (Ltd.) at No. 5.\n",
     "J.|P.|Morgan|sued|the|non-U.S.|unit|of|INC.|Corp.|-LRB-|Ltd.|-RRB-|at|No.|5|.||"},
    // Sentence ends: before capitals, digits and openers, with closers kept; not inside
    // numbers or before lower case; at line ends; wrapped lines do not end sentences.
    {"\"Go!\" he said. \"Why?\" (She left.) 3 came... Then the end\nof the line.\n",
     "``|Go|!|''|he|said|.||``|Why|?|''||-LRB-|She|left|.|-RRB-||3|came|...|Then|the|end|"
     "of|the|line|.||"},
    {"Corp.'s U.S.-based Ph.D. unit ended. \xC3\x89lan rose?! (Yes.) No!\n",
     "Corp.|'s|U.S.-based|Ph.D.|unit|ended|.||\xC3\x89lan|rose|?|!||-LRB-|Yes|.|-RRB-||No|!||"},
    {"Rates fell 2.5 points. it is\nodd -- very odd...\n",
     "Rates|fell|2.5|points|.|it|is|odd|--|very|odd|...||"},
    {"Wait....  Now\n", "Wait|...|.||Now||"},
    // Brackets, in the corpus's forms or as they are.
    {"(a) [b] {c}\n", "-LRB-|a|-RRB-|-LSB-|b|-RSB-|-LCB-|c|-RCB-||"},
    // Paragraphs, markup lines, byte-order mark, Latin-1 bytes and CR LF line ends.
    {"\xEF\xBB\xBFNo stop here\n\n  <p id=2>  \nCaf\xE9 na\xEFve\r\n</s>\nnext\n",
     "No|stop|here||<p id=2>|Caf\xE9|na\xEFve|</s>||next||"},
    {"An abbreviation at the end, Ltd.\n\nA", "An|abbreviation|at|the|end|,|Ltd|.||A||"},
    {"%%not a comment, see <http://x.org> or <b>this</b>\n",
     "%|%|not|a|comment|,|see|<|http://x.org|>|or|<|b>this</b|>||"},
    {"\n\n  \n", ""},
};

TEST(Tokenizer, HardCasesGiveExactTokens) {
  for (const Case &c : kCases) EXPECT_EQ(run(c.text), c.tokens) << "input: " << c.text;
  EXPECT_EQ(run("(a) [b] {c}\n", true), "(|a|)|[|b|]|{|c|}||");
  // A line longer than the line reader's buffer is cut at a blank, no token split.
  std::string text;
  for (int i = 0; i < 30000; ++i) text += "word, ";
  std::string expected;
  for (int i = 0; i < 30000; ++i) expected += "word|,|";
  EXPECT_EQ(run(text + "end.\n"), expected + "end|.||");
}

// Pieces of lines longer than the limit: cut after the last blank, else at the limit but
// never inside a UTF-8 character; "+" marks a piece that the next one continues.
TEST(LineReader, LongLinesComeInPiecesCutAtBlanksOrWholeCharacters) {
  const struct {
    const char *text;
    const char *pieces;
  } cases[] = {
      {"short\n\nlast", "short|(empty)|last|"},
      {"aaaa bbbb cccc dddd eeee\nx\n", "aaaa bbbb cccc +dddd eeee|x|"},
      {"0123456789abcde\xC3\xA9"
       "fgh ij\n",
       "0123456789abcde+\xC3\xA9"
       "fgh ij|"},
  };
  for (const auto &c : cases) {
    std::istringstream in(c.text);
    vornik::LineReader reader(in, 16);
    std::string pieces;
    std::string_view line;
    bool ended = false;
    while (reader.next(&line, &ended))
      pieces += (line.empty() ? "(empty)" : std::string(line)) + (ended ? "|" : "+");
    EXPECT_EQ(pieces, c.pieces) << c.text;
  }
}

struct CommandCase {
  std::vector<std::string> args;
  int status;
  const char *out_start;  // the beginning of standard output
  const char *err;        // standard error, whole
};

TEST(TokenizeCommand, OptionsFilesAndMessages) {
  const std::string usage = vornik::kUsage;
  const CommandCase cases[] = {
      {{}, 0, "Hi|.||", ""},
      {{"-"}, 0, "Hi|.||", ""},
      {{"--help"}, 0, "usage: vornik-tokenize [options] [FILE]", ""},
      {{"--version"}, 0, "vornik-tokenize 1.", ""},
      {{"/nonexistent/x"},
       2,
       "",
       "vornik-tokenize: file '/nonexistent/x': No such file or directory\n"},
      {{"/"}, 2, "", "vornik-tokenize: file '/': Is a directory\n"},
      {{"-q"}, 100, "", "vornik-tokenize: unknown option '-q'\n"},
      {{"a", "b"}, 100, "", "vornik-tokenize: one input file at most, got 'a' and 'b'\n"},
  };
  for (const CommandCase &c : cases) {
    std::istringstream in("Hi.\n");
    std::ostringstream out, err;
    EXPECT_EQ(tokenize_command(c.args, in, out, err), c.status) << c.err;
    std::string got = out.str();
    for (char &ch : got)
      if (ch == '\n') ch = '|';
    EXPECT_TRUE(got.starts_with(c.out_start)) << got;
    std::string expected_err = c.err;
    if (c.status == 100) expected_err += usage;
    EXPECT_EQ(err.str(), expected_err);
  }
}

}  // namespace
