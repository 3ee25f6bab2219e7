// The record output formats end to end with the stand-in tagger: -Oconll rows and -Ojson
// lines with markup (-c), their place among the -O values, the JSON escaper on every kind
// of byte, the words-mode warning for lines of several fields.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "support/run_vornik.h"
#include "tree/json.h"

namespace {
class OutputFormats : public ::testing::Test {
 protected:
  ScratchDir dir;
  std::string pos =
      dir.write("pos", "map The DT\nmap cat NN\nmap sat VBD\nmap on IN\ndefault NN\n");
  std::string chunk = dir.write("chunk",
                                "map DT B-NP/1/c/NP\nmap NN I-NP/0/c/NP\nmap VBD B-VP/1/c/VP\n"
                                "map IN x/1/c/PP\ndefault O/1/c/_\n");
  RunResult run(const std::vector<std::string> &args, const std::string &input) {
    std::vector<std::string> all = {"-v0"};
    all.insert(all.end(), args.begin(), args.end());
    all.insert(all.end(), {pos, chunk, "-"});
    return run_vornik(all, input);
  }
};

TEST_F(OutputFormats, ConllAndJsonWithAndWithoutMarkup) {
  const std::string input = "<doc>\n\n<s>\nThe\ncat\n<b>\nsat\n.\n</s>\n\nThe\n\"x\\\n";
  struct Case {
    std::vector<std::string> args;
    std::string out;
  };
  const std::string sentence0 =
      "{\"sentence\":0,\"tokens\":[{\"word\":\"The\",\"pos\":\"DT\",\"chunk\":\"B-NP\"},"
      "{\"word\":\"cat\",\"pos\":\"NN\",\"chunk\":\"I-NP\"},{\"word\":\"sat\",\"pos\":\"VBD\","
      "\"chunk\":\"B-VP\"},{\"word\":\".\",\"pos\":\"NN\",\"chunk\":\"I-VP\"}],"
      "\"tree\":[{\"category\":\"NP\",\"children\":[0,1]},{\"category\":\"VP\",\"children\":[2,3]}]"
      "}\n";
  const std::string sentence1 =
      "{\"sentence\":1,\"tokens\":[{\"word\":\"The\",\"pos\":\"DT\",\"chunk\":\"B-NP\"},"
      "{\"word\":\"\\\"x\\\\\",\"pos\":\"NN\",\"chunk\":\"I-NP\"}],"
      "\"tree\":[{\"category\":\"NP\",\"children\":[0,1]}]}\n";
  const Case cases[] = {
      {{"-Oconll"},
       "The DT B-NP\ncat NN I-NP\nsat VBD B-VP\n. NN I-VP\n\nThe DT B-NP\n\"x\\ NN I-NP\n\n"},
      {{"-c", "-Oconll"},
       "%% <doc>\n%% <s>\nThe DT B-NP\ncat NN I-NP\n%% <b>\nsat VBD B-VP\n. NN I-VP\n%% </s>\n\n"
       "The DT B-NP\n\"x\\ NN I-NP\n\n"},
      {{"-Ojson"}, sentence0 + sentence1},
      {{"-c", "-Ojson"},
       "{\"markup\":\"<doc>\"}\n{\"markup\":\"<s>\"}\n" + sentence0 +
           "{\"markup\":\"<b>\",\"sentence\":0,\"token\":2}\n"
           "{\"markup\":\"</s>\",\"sentence\":0,\"token\":4}\n" +
           sentence1},
  };
  for (const Case &c : cases) {
    const RunResult r = run(c.args, input);
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, c.out) << ::testing::PrintToString(c.args);
  }
}

TEST_F(OutputFormats, NestedPhrasesAreFlattenedIntoRunsBelowTheSamePhrase) {
  // on/IN opens a PP ("1"), the/DT opens an NP inside it ("-"), cat/NN continues the
  // NP, sat/VBD closes the NP and continues the PP ("+"): three chunks, as vornik-eval
  // reads the same tree.
  const std::string script = dir.write("nested",
                                       "map IN x/1/c/PP\nmap DT x/-/c/NP\nmap NN x/0/c/NP\n"
                                       "map VBD x/+/c/PP\ndefault O/1/c/_\n");
  const std::string input = "on\nThe\ncat\ncat\ncat\nsat\n";
  const RunResult r = run_vornik({"-v0", "-Oconll", pos, script, "-"}, input);
  EXPECT_EQ(r.out,
            "on IN B-PP\nThe DT B-NP\ncat NN I-NP\ncat NN I-NP\ncat NN I-NP\nsat VBD B-PP\n\n");
  const RunResult j = run_vornik({"-v0", "-Ojson", pos, script, "-"}, input);
  EXPECT_NE(j.out.find("\"tree\":[{\"category\":\"PP\",\"children\":[0,{\"category\":\"NP\","
                       "\"children\":[1,2,3,4]},5]}]}\n"),
            std::string::npos)
      << j.out;
}

TEST_F(OutputFormats, NewValuesWinWhenGivenLastAndOldPrecedenceStays) {
  const std::string conll = "The DT B-NP\ncat NN I-NP\n\n", json_start = "{\"sentence\":0,";
  const std::string chunktags = "The\tDT\t1\tNP\n", bracketing = "(\n\t(NP\n";
  struct Case {
    std::vector<std::string> args;
    std::string starts;
  };
  const Case cases[] = {
      {{"-Oconll"}, conll},
      {{"-Ojson", "-Oconll"}, conll},
      {{"-Ochunktags", "-Oconll"}, conll},
      {{"-Oconll", "-Ojson"}, json_start},
      {{"-Oconll", "-Ochunktags"}, chunktags},
      {{"-Ojson", "-Obracketing"}, bracketing},
      {{"-Ochunktags", "-Ojson", "-Onegra"}, chunktags},
      {{"-Oconll", "-Onegra"}, "#BOS 0 "},
  };
  for (const Case &c : cases) {
    const RunResult r = run(c.args, "The\ncat\n");
    EXPECT_EQ(r.out.substr(0, c.starts.size()), c.starts) << ::testing::PrintToString(c.args);
  }
}

TEST_F(OutputFormats, WordsModeWarnsOnceAboutLinesWithMoreThanOneField) {
  const RunResult r = run({"-Oconll"}, "The\ncat sat on\n\nThe cat\n");
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.out, "The DT B-NP\ncat NN I-NP\n\nThe DT O\n\n");
  EXPECT_EQ(r.err,
            "vornik: warning: input line 2 holds more than one field; only the first is read "
            "(one token per line expected: tokenise raw text with vornik-tokenize)\n");
  // In tags mode the second field is the tag: no warning.
  EXPECT_EQ(run_vornik({"-v0", "-Itags", chunk, "-"}, "The DT extra\n").err, "");
}

TEST(JsonString, EveryByteSequenceGivesValidJson) {
  const std::pair<std::string, std::string> cases[] = {
      {"plain", "\"plain\""},
      {"q\"b\\", "\"q\\\"b\\\\\""},
      {std::string("\n\t\r\b\f\x01\x1f\x7f", 8), "\"\\n\\t\\r\\b\\f\\u0001\\u001F\x7f\""},
      {std::string("a\0b", 3), "\"a\\u0000b\""},
      {"na\xc3\xafve \xe2\x82\xac \xf0\x9f\x98\x80",
       "\"na\xc3\xafve \xe2\x82\xac \xf0\x9f\x98\x80\""},
      {"caf\xe9", "\"caf\\u00E9\""},                             // Latin-1
      {"\xc3", "\"\\u00C3\""},                                   // cut short at the end
      {"\xc3(", "\"\\u00C3(\""},                                 // bad continuation byte
      {"\xc0\xaf", "\"\\u00C0\\u00AF\""},                        // overlong "/"
      {"\xe0\x80\xaf", "\"\\u00E0\\u0080\\u00AF\""},             // overlong, three bytes
      {"\xed\xa0\x80", "\"\\u00ED\\u00A0\\u0080\""},             // surrogate U+D800
      {"\xf4\x90\x80\x80", "\"\\u00F4\\u0090\\u0080\\u0080\""},  // above U+10FFFF
      {"\xf4\x8f\xbf\xbf", "\"\xf4\x8f\xbf\xbf\""},              // U+10FFFF itself
  };
  for (const auto &[text, json] : cases)
    EXPECT_EQ(capture([&](FILE *out) { json_string(out, text); }), json)
        << ::testing::PrintToString(text);
}
}  // namespace
