// The sentence loop end to end with the stand-in tagger: argument vectors, the lines
// each tagger receives, chunk-tag output, markup lines, inputs and failures.
#include <gtest/gtest.h>

#include <unistd.h>
#include <cstdlib>
#include <filesystem>
#include <regex>
#include <string>
#include <vector>

#include "support/run_vornik.h"

namespace {
class Pipeline : public ::testing::Test {
 protected:
  ScratchDir dir;
  std::string pos = dir.write("pos", "map The DT\nmap cat NN\nmap sat VBD\ndefault NN\n");
  std::string chunk =
      dir.write("chunk", "map DT B-NP/1/c/NP\nmap NN I-NP/0/c/NP\ndefault O/1/c/_\n");
  Env env = {{"FAKE_ORVIT_LOG", dir.path() + "/log"}};

  RunResult run(std::vector<std::string> args, const std::string &input) {
    return run_vornik(args, input, env);
  }
  std::string log(const std::string &model) { return dir.read("log." + model); }
};

TEST_F(Pipeline, TaggersGetTheirArgumentVectors) {
  struct Case {
    std::vector<std::string> args;
    Env extra_env;
    std::string pos_argv, chunk_argv;
  };
  const auto argv = [](const std::string &model) { return "argv: [orvit] [" + model + "] [-]\n"; };
  const Env chunkpath = {{"CHUNKPATH", dir.path()}};
  // clang-format off
  const Case cases[] = {
      {{"-v0", "-Z5", "-Z", "1000", pos, chunk, "-"}, {}, argv(pos),
       "argv: [orvit] [-Z1000] [" + chunk + "] [-]\n"},
      {{"-v0", "pos", "chunk", "-"}, chunkpath, argv(pos), argv(chunk)},
      {{"-v0", "-Itags", "/chunk", "-"}, chunkpath, "", argv(dir.path() + "//chunk")},
  };
  // clang-format on
  for (const Case &c : cases) {
    std::filesystem::remove(dir.path() + "/log.pos");
    std::filesystem::remove(dir.path() + "/log.chunk");
    env.insert(c.extra_env.begin(), c.extra_env.end());
    // Some input makes vornik wait for the taggers' replies, so both have logged.
    const RunResult r = run(c.args, "cat NN\n");
    for (const auto &extra : c.extra_env) env.erase(extra.first);
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(log("pos").substr(0, log("pos").find('\n') + 1), c.pos_argv);
    EXPECT_EQ(log("chunk").substr(0, log("chunk").find('\n') + 1), c.chunk_argv);
  }
}

TEST_F(Pipeline, ChunkTagsThroughBothTaggers) {
  const RunResult r =
      run({"-Ochunktags", pos, chunk, "-"}, "\n\n  \t\nThe x\ncat\n%% a comment\nsat\n\n\n  %%\n");
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.out,
            "%% Chunking sentences from stdin\n"
            "The\tDT\t1\tNP\ncat\tNN\t0\tNP\nsat\tVBD\t1\t_\n\n"
            "%%\tNN\t0\tNP\n\n");
  EXPECT_EQ(log("pos"), "argv: [orvit] [" + pos + "] [-]\n< The\n< cat\n< sat\n< \n<  %%\n< \n");
  EXPECT_EQ(log("chunk"), "argv: [orvit] [" + chunk +
                              "] [-]\n< $lim$\n< $lim$\n< DT\n< NN\n< VBD\n< $lim$\n< \n"
                              "< $lim$\n< $lim$\n< NN\n< $lim$\n< \n");
  EXPECT_NE(r.err.find("%% Chunking finished, "), std::string::npos);
  EXPECT_NE(r.err.find("\n%% 2 sentences, 4 tokens.\n%% Bye.\n"), std::string::npos);
}

// A client that waits for each answer before it sends more gets it, even when part of
// the next sentence is already sent: vornik reads ahead only what it need not wait for.
TEST_F(Pipeline, EachAnswerComesBeforeMoreInputIsAwaited) {
  Coprocess vornik([&](int in, int out) {
    return spawn_vornik({"-v0", "-Ochunktags", pos, chunk, "-"}, env, in, out, 2);
  });
  EXPECT_EQ(vornik.exchange("The\ncat\n\n"), "The\tDT\t1\tNP\ncat\tNN\t0\tNP\n\n");
  EXPECT_EQ(vornik.exchange("sat\n \t\nThe\n"), "sat\tVBD\t1\t_\n\n");
  EXPECT_EQ(vornik.exchange("cat\n\n"), "The\tDT\t1\tNP\ncat\tNN\t0\tNP\n\n");
  std::string rest;
  EXPECT_EQ(vornik.finish(rest), 0);
  EXPECT_EQ(rest, "");
}

TEST_F(Pipeline, ChunkTagPiecesAndReplyQuirks) {
  // Pieces: empty ones are dropped; fewer than four give category "_"; a missing
  // chunk tag column gives depth "?". Comment rows are skipped.
  const std::string script = dir.write("seq", "comment\nseq a/b//c/d a/0/c a/+/c/_ lonely\n");
  const RunResult r =
      run({"-v0", "-Ochunktags", "-Itags", script, "-"}, "w1 T1\nw2 T2\nw3 T3\nw4 T4\n");
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.out, "w1\tT1\tb\td\nw2\tT2\t0\t_\nw3\tT3\t+\t_\nw4\tT4\t?\t_\n\n");
}

// A tag equal to the boundary token reaches the chunk tagger as its stand-in, from the
// input or from a tag-fix rule, so no word is taken for a sentence boundary.
TEST_F(Pipeline, BoundaryTokenAsATagIsSentAsItsStandIn) {
  const std::string script = dir.write("lim", "map \\$lim$ s/1/c/LIM\ndefault x/0/c/NP\n");
  const std::string rules = dir.write("rules", "fix # =DT -> $lim$\n");
  struct Case {
    std::vector<std::string> options;
    std::string input, out, sent;
  };
  // clang-format off
  const Case cases[] = {
      {{}, "a DT\nb $lim$\nc NN\n", "a\tDT\t0\tNP\nb\t$lim$\t1\tLIM\nc\tNN\t0\tNP\n\n",
       "DT\n\\$lim$\nNN\n"},
      {{"-f", rules}, "a DT\nb NN\n", "a\tDT\t1\tLIM\nb\tNN\t0\tNP\n\n", "\\$lim$\nNN\n"},
  };
  // clang-format on
  for (const Case &c : cases) {
    std::filesystem::remove(dir.path() + "/log.lim");
    std::vector<std::string> args{"-v0", "-Ochunktags", "-Itags"};
    args.insert(args.end(), c.options.begin(), c.options.end());
    args.insert(args.end(), {script, "-"});
    const RunResult r = run(args, c.input);
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, c.out) << c.input;
    std::string sent = "$lim$\n$lim$\n" + c.sent + "$lim$\n\n";
    sent = std::regex_replace(sent, std::regex("^", std::regex::multiline), "< ");
    EXPECT_EQ(log("lim"), "argv: [orvit] [" + script + "] [-]\n" + sent.substr(0, sent.size() - 2))
        << c.input;
  }
}

TEST_F(Pipeline, MarkupLinesKeepTheirPlaces) {
  const std::string input = "<doc>\n\n<s>\nThe\ncat\n <b> \nsat\n</s>\n\n</doc>\n";
  const RunResult kept = run({"-v0", "-c", "-Ochunktags", pos, chunk, "-"}, input);
  EXPECT_EQ(kept.out,
            "<doc>\n"
            "<s>\nThe\tDT\t1\tNP\ncat\tNN\t0\tNP\n <b> \nsat\tVBD\t1\t_\n</s>\n\n"
            "</doc>\n");
  const RunResult dropped = run({"-v0", "-Ochunktags", pos, chunk, "-"}, input);
  EXPECT_EQ(dropped.out, "The\tDT\t1\tNP\ncat\tNN\t0\tNP\nsat\tVBD\t1\t_\n\n");
  // More markup lines in one sentence than its first record holds.
  std::string many;
  for (int i = 0; i < 700; ++i) many += "<m" + std::to_string(i) + ">\n";
  EXPECT_EQ(run({"-v0", "-c", "-Ochunktags", pos, chunk, "-"}, many + "cat\n").out,
            many + "cat\tNN\t0\tNP\n\n");
}

TEST_F(Pipeline, InputFilesPlainAndCompressed) {
  // Through a shell, this name would create the file "vornik-pwned".
  const std::string gz = dir.path() + "/x;touch vornik-pwned;.gz";
  dir.write("source", "The\ncat\n");
  ASSERT_EQ(std::system(("gzip -c '" + dir.path() + "/source' > '" + gz + "'").c_str()), 0);
  // A name beginning with "-" reaches gzip as a name, not as an option.
  const std::string dashed = "-vornik-test-" + std::to_string(getpid()) + ".gz";
  std::filesystem::copy_file(gz, dashed);
  const std::string plain = dir.write("in.txt", "cat\n"), missing = dir.path() + "/missing.gz";
  // Inputs and tag-fix files that cannot be read to their end fail, naming the file.
  const std::string whole = dir.read(gz.substr(dir.path().size() + 1));
  const std::string truncated = dir.write("cut.gz", whole.substr(0, whole.size() / 2));
  const std::string frozen = dir.write("text.F", "The\n");
  const std::string the_cat = "The\tDT\t1\tNP\ncat\tNN\t0\tNP\n\n";
  struct Case {
    std::vector<std::string> args;  // options, then the input
    int status;
    std::string out, err_end;
  };
  // clang-format off
  const Case cases[] = {
      {{plain}, 0, "cat\tNN\t0\tNP\n\n", ""},
      {{gz}, 0, the_cat, ""},
      {{"--", dashed}, 0, the_cat, ""},
      {{missing}, 2, "", "vornik: file '" + missing + "': No such file or directory\n"},
      {{dir.path()}, 2, "", "vornik: file '" + dir.path() + "': Is a directory\n"},
      {{truncated}, 2, "", "vornik: file '" + truncated + "': gzip ended with exit status 1\n"},
      {{frozen}, 2, "", "vornik: cannot run fcat: No such file or directory\nvornik: file '" +
                        frozen + "': fcat ended with exit status 127\n"},
      {{"-f", truncated, plain}, 2, "",
       "vornik: file '" + truncated + "': gzip ended with exit status 1\n"},
      {{"-f", dir.path(), plain}, 2, "", "vornik: file '" + dir.path() + "': Is a directory\n"},
  };  // clang-format on
  for (const Case &c : cases) {
    std::vector<std::string> args{"-v0", "-Ochunktags"};
    args.insert(args.end(), c.args.begin(), c.args.end() - 1);
    args.insert(args.end(), {pos, chunk, c.args.back()});
    const RunResult r = run(args, "");
    EXPECT_EQ(r.status, c.status) << c.args.back() << r.err;
    EXPECT_EQ(r.out, c.out) << c.args.back();
    EXPECT_TRUE(r.err.ends_with(c.err_end)) << r.err;
  }
  std::filesystem::remove(dashed);
  EXPECT_FALSE(std::filesystem::exists("vornik-pwned"));
  EXPECT_FALSE(std::filesystem::exists(dir.path() + "/vornik-pwned"));
}

// Output that cannot be written is an error naming standard output; a reader that
// goes away (| head) ends vornik quietly by SIGPIPE, as it ends other filters.
TEST_F(Pipeline, OutputErrorsAndAClosedOutput) {
  std::string many;
  for (int i = 0; i < 20000; ++i) many += "cat\n\n";
  const std::string args = " -v0 -Ochunktags " + pos + " " + chunk + " - ";
  RunResult r = run_vornik_script("\"$0\"" + args + "> /dev/full", many, env);
  EXPECT_EQ(r.status, 255);
  EXPECT_EQ(r.err, "vornik: standard output: No space left on device\n");
  r = run_vornik_script("\"$0\"" + args + "| head -c 4; echo \" ${PIPESTATUS[0]}\"", many, env);
  EXPECT_EQ(r.out, "cat\t 141\n");
  std::erase(r.err, '.');  // progress dots, as far as vornik read before the reader left
  EXPECT_EQ(r.err, "");
}

// Lines at and over the 999-byte limit, and NUL bytes: nothing is lost without a
// warning naming the real input line, and no piece of a line ends a sentence.
TEST_F(Pipeline, LongLinesNulBytesAndTagsModeColumns) {
  const std::string a999(999, 'a'), a1200(1200, 'a'), b998(998, 'b'), c999(999, 'c'),
      c2400(2400, 'c');
  const struct {
    const char *name;
    std::vector<std::string> options;
    std::string input, out, err;
    int status = 0;
  } cases[] = {
      // clang-format off
      {"Exactly999BytesIsNotLong", {}, a999 + "\nx\n" + a999 + "\n",
       a999 + "\tNN\t0\tNP\nx\tNN\t0\tNP\n" + a999 + "\tNN\t0\tNP\n\n", ""},
      {"LongLineIsOneLineItsRestIgnored", {}, "x\n" + a1200 + "\ny\n%%\n" + c2400 + "\n",
       "x\tNN\t0\tNP\n" + a999 + "\tNN\t0\tNP\ny\tNN\t0\tNP\n" + c999 + "\tNN\t0\tNP\n\n",
       "vornik: warning: input line 2 is longer than 999 bytes; the rest of it is ignored\n"
       "vornik: warning: input line 5 is longer than 999 bytes; the rest of it is ignored\n"},
      {"LongTagsLineFurtherColumnsAreNoWords", {"-Itags"}, "w T " + b998 + " z Q\nv U\n",
       "w\tT\t1\t_\nv\tU\t1\t_\n\n",
       "vornik: warning: input line 1 is longer than 999 bytes; the rest of it is ignored\n"},
      {"NulBytesAreBlanks", {}, std::string("\0cat\nc\0at\n\0\ndog\n", 16),
       "cat\tNN\t0\tNP\nc\tNN\t0\tNP\n\ndog\tNN\t0\tNP\n\n",
       "vornik: warning: input line 1 holds a NUL byte, read as a blank\n"
       "vornik: warning: input line 2 holds a NUL byte, read as a blank\n"
       "vornik: warning: input line 2 holds more than one field; only the first is read (one "
       "token per line expected: tokenise raw text with vornik-tokenize)\n"
       "vornik: warning: input line 3 holds a NUL byte, read as a blank\n"},
      {"NulInTagsMode", {"-Itags"}, std::string("a\0NN\n", 5), "a\tNN\t0\tNP\n\n",
       "vornik: warning: input line 1 holds a NUL byte, read as a blank\n"},
      // Columns split at the six ASCII whitespace bytes only; a line without tag ends the run.
      {"TagsModeColumnsAndALineWithoutTag", {"-Itags"},
       "%% c\nThe\vDT\r\n<s>\n\nc\xa0t \t NN x y\n\nlonely\n",
       "The\tDT\t1\tNP\n\nc\xa0t\tNN\t0\tNP\n\n",
       "Word or POS tag missing in line 7, exiting\n", 255},
  };  // clang-format on
  for (const auto &c : cases) {
    std::vector<std::string> args = {"-v0", "-Ochunktags"};
    args.insert(args.end(), c.options.begin(), c.options.end());
    if (c.options.empty()) args.push_back(pos);
    args.push_back(chunk);
    args.push_back("-");
    const RunResult r = run(args, c.input);
    EXPECT_EQ(r.status, c.status) << c.name;
    EXPECT_EQ(r.out, c.out) << c.name;
    EXPECT_EQ(r.err, c.err) << c.name;
  }
}

// Every way a tagger can fail ends the run with status 255, nothing printed for the
// sentence it failed on, and messages naming the tagger and the input line.
TEST_F(Pipeline, TaggerFailuresEndTheRunNamingTheTagger) {
  const std::string unreachable =
      "Orvit or client process unreachable. To get more information, run vornik with the -v2 "
      "option.\nExiting.\n";
  struct Case {
    const char *name;
    std::string pos_script, chunk_script;  // "" keeps the working one
    Env extra_env;
    std::string input, out, err;  // "POS" and "CHUNK" in err stand for the taggers' descriptions
  };
  const std::string timeout = "VORNIK_TAGGER_TIMEOUT";
  // clang-format off
  const Case cases[] = {
      {"RowMissing", "", "short 1\ndefault B-NP/1/c/NP\n", {}, "The\n\ncat\nsat\n",
       "The\tDT\t1\tNP\n\n",
       "vornik: protocol error: CHUNK answered '$lim$' where 'VBD' was sent, in the sentence "
       "ending at input line 4\n"},
      {"RowTooMany", "extra\nmap The DT\ndefault NN\n", "", {}, "The\n\ncat\n",
       "The\tDT\t1\tNP\n\n",
       "vornik: protocol error: POS answered 'extra' where 'cat' was sent, in the sentence ending "
       "at input line 3\n"},
      // A blank line where a row is due: an answer without rows, found at once.
      {"BlankOnlyReply", "blank\n", "", {}, "The\n", "",
       "vornik: protocol error: POS ended its reply after 0 of 1 rows, in the sentence ending at "
       "input line 1\n"},
      {"BlankOnlyReplyAfterAnAnswer", "", "blank NN\ndefault B-NP/1/c/NP\n", {}, "The\n\ncat\n",
       "The\tDT\t1\tNP\n\n",
       "vornik: protocol error: CHUNK ended its reply after 0 of 4 rows, in the sentence ending at "
       "input line 3\n"},
      {"Silent", "", "silent\n", {{timeout, "1"}}, "The\n", "",
       "vornik: CHUNK did not answer within 1 s, in the sentence ending at input line 1\n"},
      {"PosTaggerEnded", "exit 3\n", "", {}, "The\n", "",
       unreachable + "vornik: POS ended with exit status 3\n"},
      {"ChunkTaggerKilled", "", "signal 9\n", {}, "The\n", "",
       unreachable + "vornik: CHUNK was ended by signal 9 (Killed)\n"},
      {"NoTaggerProgram", "", "", {{"PATH", "/nonexistent"}}, "The\n", "",
       unreachable + "vornik: POS could not be started: No such file or directory\n"
                     "vornik: CHUNK could not be started: No such file or directory\n"},
  };
  // clang-format on
  for (const Case &c : cases) {
    const std::string p =
        c.pos_script.empty() ? pos : dir.write(std::string(c.name) + "-pos", c.pos_script);
    const std::string k =
        c.chunk_script.empty() ? chunk : dir.write(std::string(c.name) + "-chunk", c.chunk_script);
    Env run_env = env;
    for (const auto &[name, value] : c.extra_env) run_env[name] = value;
    const RunResult r = run_vornik({"-v0", "-Ochunktags", p, k, "-"}, c.input, run_env);
    std::string err = c.err;
    err = std::regex_replace(err, std::regex("POS "), "the POS tagger (orvit " + p + " -) ");
    err = std::regex_replace(err, std::regex("CHUNK "), "the chunk tagger (orvit " + k + " -) ");
    EXPECT_EQ(r.status, 255) << c.name;
    EXPECT_EQ(r.out, c.out) << c.name;
    EXPECT_EQ(r.err, err) << c.name;
  }
  const RunResult verbose =
      run_vornik({"-v2", "-Ochunktags", pos, chunk, "-"}, "The\n", {{"PATH", "/nonexistent"}});
  EXPECT_NE(verbose.err.find("execvp failed for orvit: No such file or directory\n"),
            std::string::npos);
}
}  // namespace
