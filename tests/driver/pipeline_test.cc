// The sentence loop end to end with the stand-in tagger: argument vectors, the lines
// each tagger receives, chunk-tag output, markup lines, inputs and failures.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "run_vornik.h"

namespace {
class Pipeline : public ::testing::Test {
 protected:
  ScratchDir dir;
  std::string pos = dir.write("pos", "map The DT\nmap cat NN\nmap sat VBD\ndefault NN\n");
  std::string chunk = dir.write("chunk", "map DT B-NP/1/c/NP\nmap NN I-NP/0/c/NP\ndefault O/1/c/_\n");
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
  const Case cases[] = {
      {{"-v0", pos, chunk, "-"}, {}, "argv: [orvit] [" + pos + "] [-]\n", "argv: [orvit] [" + chunk + "] [-]\n"},
      {{"-v0", "-Z5", "-Z", "1000", pos, chunk, "-"}, {}, "argv: [orvit] [" + pos + "] [-]\n",
       "argv: [orvit] [-Z1000] [" + chunk + "] [-]\n"},
      {{"-v0", "-Itags", chunk, "-"}, {}, "", "argv: [orvit] [" + chunk + "] [-]\n"},
      {{"-v0", "pos", "chunk", "-"}, {{"CHUNKPATH", dir.path()}}, "argv: [orvit] [" + pos + "] [-]\n",
       "argv: [orvit] [" + chunk + "] [-]\n"},
      {{"-v0", "-Itags", "/chunk", "-"}, {{"CHUNKPATH", dir.path()}}, "",
       "argv: [orvit] [" + dir.path() + "//chunk] [-]\n"},
  };
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
  const RunResult r = run({"-Ochunktags", pos, chunk, "-"}, "\n\n  \t\nThe x\ncat\n%% a comment\nsat\n\n\n  %%\n");
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

TEST_F(Pipeline, ChunkTagPiecesAndReplyQuirks) {
  // Pieces: empty ones are dropped; fewer than four give category "_"; a missing
  // chunk tag column gives depth "?". Comment rows are skipped.
  const std::string script =
      dir.write("seq", "comment\nseq a/b//c/d a/0/c a/+/c/_ lonely\n");
  const RunResult r = run({"-v0", "-Ochunktags", "-Itags", script, "-"}, "w1 T1\nw2 T2\nw3 T3\nw4 T4\n");
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.out, "w1\tT1\tb\td\nw2\tT2\t0\t_\nw3\tT3\t+\t_\nw4\tT4\t?\t_\n\n");
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
  const std::string plain = dir.write("in.txt", "cat\n");
  // Through a shell, this name would create the file "vornik-pwned".
  const std::string gz = dir.path() + "/x;touch vornik-pwned;.gz";
  dir.write("source", "The\ncat\n");
  ASSERT_EQ(std::system(("gzip -c '" + dir.path() + "/source' > '" + gz + "'").c_str()), 0);

  RunResult r = run({"-Ochunktags", pos, chunk, plain}, "");
  EXPECT_EQ(r.out, "%% Chunking sentences from file " + plain + "\ncat\tNN\t0\tNP\n\n");
  r = run({"-v0", "-Ochunktags", pos, chunk, gz}, "");
  EXPECT_EQ(r.out, "The\tDT\t1\tNP\ncat\tNN\t0\tNP\n\n");
  EXPECT_FALSE(std::filesystem::exists("vornik-pwned"));
  EXPECT_FALSE(std::filesystem::exists(dir.path() + "/vornik-pwned"));

  r = run({"-v0", "-Ochunktags", pos, chunk, dir.path() + "/missing.gz"}, "");
  EXPECT_EQ(r.status, 2);
  EXPECT_EQ(r.err, "vornik: file '" + dir.path() + "/missing.gz': No such file or directory\n");
}

TEST_F(Pipeline, TagsModeColumnsAndALineWithoutTagEndingTheRun) {
  // Columns split at the six ASCII whitespace bytes only; the rest of a line is ignored.
  const RunResult r = run({"-v0", "-Ochunktags", "-Itags", chunk, "-"},
                          "%% c\nThe\vDT\r\n<s>\n\nc\xa0t \t NN x y\n\nlonely\n");
  EXPECT_EQ(r.status, 255);
  EXPECT_EQ(r.err, "Word or POS tag missing in line 7, exiting\n");
  EXPECT_EQ(r.out, "The\tDT\t1\tNP\n\nc\xa0t\tNN\t0\tNP\n\n");
}

TEST_F(Pipeline, ProgressDotEvery100thLineAtEveryLevel) {
  std::string input;
  for (int i = 0; i < 250; ++i) input += i % 10 ? "cat\n" : "\n";
  const RunResult r = run({"-v0", "-Ochunktags", pos, chunk, "-"}, input);
  EXPECT_EQ(r.err, "..");
}

TEST_F(Pipeline, LongLinesAreReadInPiecesWithAWarning) {
  const RunResult r = run({"-v0", "-Ochunktags", pos, chunk, "-"}, std::string(1200, 'a') + "\n");
  EXPECT_EQ(r.out, std::string(999, 'a') + "\tNN\t0\tNP\n" + std::string(201, 'a') + "\tNN\t0\tNP\n\n");
  EXPECT_EQ(r.err, "vornik: warning: input line 1 is longer than 999 bytes; read in pieces\n");
}

TEST_F(Pipeline, ShortTaggerReplyIsPrintedWithAWarning) {
  const std::string short_chunk = dir.write("short", "short 1\ndefault B-NP/1/c/NP\n");
  const RunResult r = run({"-v0", "-Ochunktags", pos, short_chunk, "-"}, "The\ncat\nsat\n\n");
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.out, "The\tDT\t1\tNP\n\n");
  EXPECT_EQ(r.err, "vornik: warning: the chunk tagger answered 1 of 3 words of the sentence ending at input line 4\n");
}

TEST_F(Pipeline, VanishedTaggerEndsTheRunWithBrokenPipeStatus) {
  const std::string gone = dir.write("gone", "exit\n");
  const std::string message =
      "Orvit or client process unreachable. To get more information, run vornik with the -v2 option.\nExiting.\n";
  const RunResult r = run({"-v0", "-Ochunktags", pos, gone, "-"}, "The\n\ncat\n");
  EXPECT_EQ(r.status, 255);
  EXPECT_NE(r.err.find(message), std::string::npos) << r.err;

  env["PATH"] = "/nonexistent";
  const RunResult unstartable = run({"-v0", "-Ochunktags", pos, chunk, "-"}, "The\n");
  EXPECT_EQ(unstartable.status, 255);
  EXPECT_NE(unstartable.err.find(message), std::string::npos) << unstartable.err;
  EXPECT_EQ(unstartable.err.find("execvp"), std::string::npos);

  const RunResult verbose = run({"-v2", "-Ochunktags", pos, chunk, "-"}, "The\n");
  EXPECT_NE(verbose.err.find("execvp failed for orvit: No such file or directory\n"), std::string::npos);
}

// From a regular file vornik reads each sentence ahead and sends it on while the chunk
// tagger still works on the one before. Nothing anyone sees may change: each case
// runs once through a pipe (no read-ahead) and once from a file, and the output,
// standard error, exit status and the lines each tagger received must be equal.
TEST_F(Pipeline, ReadingAheadFromAFileChangesNoByte) {
  const std::string short_pos = dir.write("shortpos", "short 2\ndefault NN\n");
  const std::string short_chunk = dir.write("shortchunk", "short 1\ndefault B-NP/1/c/NP\n");
  // Five-byte tags: a sentence of 1000 words gives the chunk tagger 6 kB, more than
  // a write that is sure to fit an empty pipe.
  const std::string long_tags = dir.write("longtags", "default NNNNN\n");
  std::string dotted;  // progress dots and warnings between sentences
  for (int i = 1; i <= 250; ++i) dotted += i % 10 ? "cat\n" : "\n";
  dotted.insert(dotted.find("\n\n", 100) + 2, std::string(1200, 'a') + "\n");
  std::string long_sentence = "The\ncat\n\n";
  for (int i = 0; i < 1000; ++i) long_sentence.append("w").append(std::to_string(i)).append("\n");
  long_sentence += "\nsat\n\n";
  struct Case {
    std::vector<std::string> args;
    std::string input;
  } cases[] = {
      {{"-Ochunktags", pos, chunk}, "\n\nThe x\ncat\n%% c\nsat\n\n\n  %%\n\nThe\n\ncat\nsat"},
      {{"-Onegra", pos, chunk}, "The\ncat\n\nsat\n\nThe\ncat\nsat\n"},
      {{"-Ochunktags", pos, short_chunk}, dotted},
      {{"-Ochunktags", short_pos, chunk}, "The\ncat\nsat\n\nThe\ncat\nsat\n\ncat\n"},
      {{"-Ochunktags", long_tags, chunk}, long_sentence},
      {{"-Ochunktags", "-Itags", chunk}, "The DT\n\ncat NN\n\nsat VBD\nlonely\n\nmore NN\n"},
      {{"-Ochunktags", "-Itags", chunk}, "The DT\n\ncat NN\n\nlonely\n"},
  };
  int n = 0;
  for (const Case &c : cases) {
    SCOPED_TRACE("case " + std::to_string(n));
    std::vector<std::string> args = {"-v0"};
    args.insert(args.end(), c.args.begin(), c.args.end());
    RunResult results[2];
    std::string logs[2];
    for (int from_file = 0; from_file < 2; ++from_file) {
      // Each model's log is named by its base name; options have none.
      for (const std::string &arg : c.args)
        std::filesystem::remove(dir.path() + "/log." + arg.substr(arg.rfind('/') + 1));
      std::vector<std::string> run_args = args;
      run_args.push_back(from_file ? dir.write("input" + std::to_string(n), c.input) : "-");
      results[from_file] = run(run_args, from_file ? "" : c.input);
      for (const std::string &arg : c.args) logs[from_file] += log(arg.substr(arg.rfind('/') + 1));
    }
    EXPECT_EQ(results[1].out, results[0].out);
    EXPECT_EQ(results[1].err, results[0].err);
    EXPECT_EQ(results[1].status, results[0].status);
    EXPECT_EQ(logs[1], logs[0]);
    ++n;
  }
}

// A POS tagger gone after its first answer: the write of the second sentence fails
// while the first is still at the chunk tagger, yet the first is printed and the run
// ends with the broken-pipe message, as through a pipe.
TEST_F(Pipeline, TaggerGoneBeforeASentenceReadAheadEndsTheRunAfterTheOneBefore) {
  const std::string bin = dir.path() + "/bin";
  std::filesystem::create_directory(bin);
  dir.write("bin/orvit",
            "#!/bin/sh\n"
            "if [ \"${1##*/}\" = dying ]; then\n"
            "  words=\n"
            "  while IFS= read -r line && [ -n \"$line\" ]; do words=\"$words $line\"; done\n"
            "  exec 0<&-\n"
            "  for word in $words; do printf '%s\\tNN\\n' \"$word\"; done\n"
            "  printf '\\n'\n"
            "  sleep 1\n"
            "else\n"
            "  while IFS= read -r line; do\n"
            "    if [ -n \"$line\" ]; then printf '%s\\tO/1/c/_\\n' \"$line\"\n"
            "    else printf '\\n'; fi\n"
            "  done\n"
            "fi\n");
  std::filesystem::permissions(bin + "/orvit", std::filesystem::perms::owner_all);
  const std::string input = "The\ncat\n\nsat\n\n";
  env["PATH"] = bin + ":" + std::getenv("PATH");
  const RunResult piped = run({"-v0", "-Ochunktags", "dying", "chunk", "-"}, input);
  const RunResult read = run({"-v0", "-Ochunktags", "dying", "chunk", dir.write("in", input)}, "");
  EXPECT_EQ(piped.status, 255);
  EXPECT_EQ(piped.out, "The\tNN\t1\t_\ncat\tNN\t1\t_\n\n");
  EXPECT_EQ(piped.err,
            "Orvit or client process unreachable. To get more information, run vornik with the "
            "-v2 option.\nExiting.\n");
  EXPECT_EQ(read.status, piped.status);
  EXPECT_EQ(read.out, piped.out);
  EXPECT_EQ(read.err, piped.err);
}
}  // namespace
