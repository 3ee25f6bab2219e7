// The programs through real pipes: orvit's replies sentence by sentence, orvit-train's same
// bytes for the same corpus, exact messages for faulty arguments and input, and model images
// written beside the model, used when they match it, refused with a message when not.
#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <regex>
#include <stdexcept>
#include <string>
#include <vector>

#include "orvit/model.h"
#include "orvit/model_image.h"
#include "orvit/model_loader.h"
#include "orvit/perceptron_model.h"
#include "support/run_vornik.h"

namespace {

// The tiny model: "a" is X, "b" and "c" are Y.
const std::string &tiny_model() {
  static const ScratchDir dir;
  static const std::string path = [] {
    const std::string model = dir.path() + "/tiny.orv";
    auto r = run_program(
        {ORVIT_TRAIN_PATH, dir.write("tiny.txt", "a X\nb Y\n\na X\nb Y\n\nc Y\n"), model});
    EXPECT_EQ(r.status, 0) << r.err;
    return model;
  }();
  return path;
}

// A perceptron model (chosen by its first line): "x" is X when it comes first or after
// "y", else Y; Y may not follow Y.
const std::string kPerceptronText =
    "orvit-perceptron 1\nlabels 2\nlabel X\nlabel Y\n"
    "transition <s> X 0\ntransition <s> Y 0\ntransition X X 0\ntransition X Y 0\n"
    "transition Y X 0\ntransition X </s> 0\ntransition Y </s> 0\n"
    "feature C0 x 1:1\nfeature C0 y 1:0.5\nfeature C-1 <pad> 0:2\nfeature C-1 y 0:2\n";

TEST(Protocol, ExactReplies) {
  ScratchDir dir;
  const std::string perceptron = dir.write("p.orv", kPerceptronText);
  const std::string q(1 << 20, 'q');
  struct Case {
    const char *name;
    std::string input, output;
    std::vector<std::string> argv = {ORVIT_PATH, tiny_model(), "-"};
  } cases[] = {
      // clang-format off
      {"plain", "a\nb\n\n", "a\tX\nb\tY\n\n"},
      {"comments", "%% note\na\n%%b\nb\n\n%%\n", "a\tX\nb\tY\n\n"},
      {"no final blank line", "a\nb\n", "a\tX\nb\tY\n\n"},
      {"no final newline", "a\nb", "a\tX\nb\tY\n\n"},
      {"columns and whitespace", "\n\n\n a\textra columns\n\vb \n \t\r\n\n", "a\tX\nb\tY\n\n"},
      {"carriage returns", "a\r\nb\r\n\r\n", "a\tX\nb\tY\n\n"},
      {"two sentences", "c\n\na\nb\n\n", "c\tY\n\na\tX\nb\tY\n\n"},
      {"odd bytes echoed exactly", "na\xc3\xafve\tignored\n\x80\xff\xfe\n" + q +
       "\n\xe2\x80\x9cquoted\xe2\x80\x9d\n%not-a-comment\n", "na\xc3\xafve\tX\n\x80\xff\xfe\tY\n" +
       q + "\tY\n\xe2\x80\x9cquoted\xe2\x80\x9d\tX\n%not-a-comment\tY\n\n"},
      {"empty input", "", ""},
      {"only comments and blanks", "%%x\n\n \n\n", ""},
      {"a file and a beam", "", "a\tX\nb\tY\n\nc\tY\n\n",
       {ORVIT_PATH, "-Z1000", tiny_model(), dir.write("input.txt", "a\nb\n\nc\n")}},
      {"perceptron model", "x\nx\ny\nx\n\nx\n%% c\ny\ny\n\n",
       "x\tX\nx\tY\ny\tX\nx\tX\n\nx\tX\ny\tY\ny\tX\n\n", {ORVIT_PATH, perceptron, "-"}},
  };  // clang-format on
  for (const auto &c : cases) {
    auto r = run_program(c.argv, c.input);
    EXPECT_EQ(r.status, 0) << c.name << ": " << r.err;
    EXPECT_EQ(r.out, c.output) << c.name;
    EXPECT_EQ(r.err, "") << c.name;
  }
}

TEST(Protocol, EachSentenceAnsweredBeforeTheNextIsWritten) {
  Coprocess orvit([](int in, int out) { return spawn({ORVIT_PATH, tiny_model(), "-"}, {}, in, out, 2); });
  EXPECT_EQ(orvit.exchange("a\nb\n\n"), "a\tX\nb\tY\n\n");
  // A pending, unfinished sentence must not hold back a complete one.
  EXPECT_EQ(orvit.exchange("c\n\na\n"), "c\tY\n\n");
  EXPECT_EQ(orvit.exchange("b\n\n"), "a\tX\nb\tY\n\n");
  std::string rest;
  EXPECT_EQ(orvit.finish(rest), 0);
  EXPECT_EQ(rest, "");  // nothing more once the input has ended
}

const std::string kUsage = "usage: orvit [-Z<beam>] MODEL INPUT\n";
const std::string kTrainUsage =
    "usage: orvit-train [-k KIND] [-w COL] [-t COL] [-r N] [-s N] [-n N] CORPUS MODEL\n";

// orvit-train writes the same bytes to a file and to standard output, for either kind,
// reading the token and tag from the columns asked for; orvit tags with what it wrote.
TEST(Trainer, SameBytesToAFileAndToStandardOutputFromTheColumnsAskedFor) {
  const std::string conll = "0 a B X\n1 b B Y\n\n0 a B X\n%% skipped\n1 b B Y\n\n\n0 c B Y\n";
  ScratchDir dir;
  const std::string corpus = dir.write("corpus.txt", "a X\nb Y\n\na X\nb Y\n\nc Y\n");
  for (const std::string kind : {"hmm", "perceptron"}) {
    const std::string model = dir.path() + "/" + kind;
    ASSERT_EQ(run_program({ORVIT_TRAIN_PATH, "-k", kind, corpus, model}).status, 0);
    const RunResult piped =
        run_program({ORVIT_TRAIN_PATH, "-k", kind, "-w", "2", "-t", "4", "-", "-"}, conll);
    ASSERT_EQ(piped.status, 0) << piped.err;
    EXPECT_EQ(piped.out, dir.read(kind));
    EXPECT_EQ(piped.out.substr(0, piped.out.find(' ')),
              kind == "hmm" ? "orvit-model" : "orvit-pos-perceptron");
    const std::string reply = run_program({ORVIT_PATH, model, "-"}, "a\nb\n\nc\n").out;
    EXPECT_EQ(std::regex_replace(reply, std::regex("\t[XY]\n"), "\t\n"), "a\t\nb\t\n\nc\t\n\n")
        << kind;
  }
}

TEST(Programs, FaultyArgumentsAndInputAreReportedExactly) {
  ScratchDir dir;  // orvit names the model file and line, and stops before reading input
  const std::string bad =
      dir.write("bad.orv", "orvit-model 1\ntags 2\ntag X\ntag Y\nlambdas 1 0 0\nword a X\n");
  const std::string orvit = ORVIT_PATH, train = ORVIT_TRAIN_PATH;
  const std::string no_file = ": No such file or directory\n";
  struct Case {
    std::vector<std::string> argv;
    std::string input, message;
  } cases[] = {
      // clang-format off
      {{orvit, tiny_model()}, "", "orvit: MODEL and INPUT are required\n" + kUsage},
      {{orvit, "-Z0.5", tiny_model(), "-"}, "",
       "orvit: bad beam \"0.5\" (a number >= 1)\n" + kUsage},
      {{orvit, "-q", tiny_model(), "-"}, "", "orvit: unknown option -q\n" + kUsage},
      {{orvit, tiny_model(), "/nonexistent/in.txt"}, "", "orvit: /nonexistent/in.txt" + no_file},
      {{orvit, "/nonexistent/m.orv", "-"}, "a\n\n", "orvit: /nonexistent/m.orv" + no_file},
      {{orvit, "-", "-"}, "a\n\n", "orvit: -" + no_file},
      {{orvit, bad, "-"}, "a\n\n", "orvit: " + bad + ":6: bad word row \"word a X\"\n"},
      {{train, "-", "-"}, "a X\nb\n", "orvit-train: <stdin>:2: row has no column 2: \"b\"\n"},
      {{train, "-t", "3", "-", "-"}, "a X Y\n\na X\n",
       "orvit-train: <stdin>:3: row has no column 3: \"a X\"\n"},
      {{train, "-", "-"}, "a <s>\n",
       "orvit-train: the tag \"<s>\" is reserved for sentence boundaries\n"},
      {{train, "-", "-"}, "%% nothing\n\n", "orvit-train: <stdin>: no tagged tokens\n"},
      {{train, "/nonexistent/corpus", "-"}, "", "orvit-train: /nonexistent/corpus" + no_file},
      {{train, "-w", "0", "-", "-"}, "",
       "orvit-train: option -w needs a positive number\n" + kTrainUsage},
      {{train, "-w", "2", "-t", "2", "-", "-"}, "",
       "orvit-train: token and tag columns must differ\n" + kTrainUsage},
      {{train, "-"}, "", "orvit-train: CORPUS and MODEL are required\n" + kTrainUsage},
      {{train, "-k", "crf", "-", "-"}, "",
       "orvit-train: option -k needs hmm or perceptron\n" + kTrainUsage},
  };  // clang-format on
  for (const auto &c : cases) {
    auto r = run_program(c.argv, c.input);
    EXPECT_NE(r.status, 0) << c.message;
    EXPECT_EQ(r.err, c.message);
    EXPECT_EQ(r.out, "");
  }
}

TEST(ModelImage, UsedWhenItMatchesTheModelAndRefusedOtherwise) {
  // The trainer writes the HMM's image beside the model; orvit writes the same bytes.
  std::ifstream trained(tiny_model() + ".bin", std::ios::binary);
  const std::string trained_image((std::istreambuf_iterator<char>(trained)),
                                  std::istreambuf_iterator<char>());
  struct Kind {
    const char *name;
    std::string text, input, reply;
    std::string retrained_from, retrained_to;  // a change to the text
  } kinds[] = {
      {"hmm", run_program({"/bin/cat", tiny_model()}).out, "a\nb\n\n", "a\tX\nb\tY\n\n",
       "word c Y 1", "word c Y 3"},
      {"perceptron", kPerceptronText, "x\ny\ny\n\n", "x\tX\ny\tY\ny\tX\n\n", "C0 y 1:0.5",
       "C0 y 1:0.7"},
      {"pos", "orvit-pos-perceptron 1\nlabels 2\nlabel X\nlabel Y\nword a X\nfeature w0 c 1:1\n",
       "a\nc\n\n", "a\tX\nc\tY\n\n", "w0 c 1:1", "w0 c 1:2"},
  };
  for (const Kind &k : kinds) {
    ScratchDir dir;
    const std::string model = dir.path() + "/m", image = model + ".bin";
    dir.write("m", k.text);
    ASSERT_EQ(run_program({ORVIT_PATH, model, "/dev/null"}).err, "") << k.name;
    const std::string good = dir.read("m.bin");
    ASSERT_GT(good.size(), 64u) << k.name;
    if (std::string(k.name) == "hmm") {
      EXPECT_EQ(good, trained_image);
    }

    std::string stale_text = k.text;
    stale_text.replace(stale_text.find(k.retrained_from), k.retrained_from.size(), k.retrained_to);
    std::string damaged = good, other_version = good;
    damaged[good.size() - 3] ^= 1;
    other_version[8] = 2;
    std::string other_kind = good;  // the header's kind (byte 52; outside the body's hash)
    other_kind[52] ^= 1;
    // A well-formed image with a number no tagger can use: the HMM's theta infinite
    // (offset 64, the first scalar), the perceptron's first weight NaN.
    std::string bad_real;
    size_t bad_offset = 64;
    if (std::string(k.name) == "hmm") {
      orvit::Model parsed;
      orvit::parse_model(k.text, "m", parsed);
      orvit::ModelView view = parsed.view();
      view.theta = INFINITY;
      bad_real = orvit::write_model_image(view, k.text);
    } else {
      orvit::PerceptronModel perceptron;
      orvit::PosModel pos;
      std::vector<float> weights;
      auto spoil = [&](auto view) {
        weights.assign(view.weights.begin(), view.weights.end());
        weights[0] = NAN;
        view.weights = weights;
        bad_real = orvit::write_model_image(view, k.text);
      };
      if (std::string(k.name) == "pos") {
        orvit::parse_pos_model(k.text, "m", pos);
        spoil(orvit::PosView(pos));
      } else {
        orvit::parse_perceptron_model(k.text, "m", perceptron);
        spoil(orvit::PerceptronView(perceptron));
      }
      bad_offset = bad_real.find(std::string(reinterpret_cast<const char *>(weights.data()), 4));
    }
    struct Case {
      const char *name;
      std::string text, image;  // image "" for none
      std::string refusal;      // "" when the image is used or made
      bool rewritten;           // the image afterwards is that of `text`
    } cases[] = {
        {"no image yet", k.text, "", "", true},
        {"matching image", k.text, good, "", true},
        {"foreign file", k.text, "my notes\n", "not an orvit model image", false},
        {"empty file", k.text, std::string(), "not an orvit model image", false},
        {"truncated", k.text, good.substr(0, good.size() - 8), "truncated model image", true},
        {"damaged", k.text, damaged, "damaged model image", true},
        {"other version", k.text, other_version, "model image of another version or byte order",
         true},
        {"other kind", k.text, other_kind, "model image with inconsistent tables", true},
        {"model retrained", stale_text, good, "model image built from another version of the model",
         true},
        {"NaN or infinite number", k.text, bad_real,
         "model image with a NaN or infinite value at offset " + std::to_string(bad_offset), true},
    };
    for (const Case &c : cases) {
      const std::string name = std::string(k.name) + ", " + c.name;
      dir.write("m", c.text);
      std::filesystem::remove(image);
      if (!c.image.empty() || std::string(c.name) == "empty file") dir.write("m.bin", c.image);
      const RunResult r = run_program({ORVIT_PATH, model, "-"}, k.input);
      EXPECT_EQ(r.status, 0) << name;
      EXPECT_EQ(r.out, k.reply) << name;
      const std::string refusal = c.refusal.empty() ? ""
                                                    : "orvit: " + image + ": " + c.refusal +
                                                          "; reading " + model + " instead\n";
      EXPECT_EQ(r.err, refusal) << name;
      if (c.rewritten) {
        // The next orvit maps the image silently, and tags the same.
        const RunResult again = run_program({ORVIT_PATH, model, "-"}, k.input);
        EXPECT_EQ(again.err, "") << name;
        EXPECT_EQ(again.out, k.reply) << name;
        if (c.text == k.text) {
          EXPECT_EQ(dir.read("m.bin"), good) << name;
        }
      } else {
        EXPECT_EQ(dir.read("m.bin"), c.image) << name;
      }
    }
  }
}

}  // namespace
