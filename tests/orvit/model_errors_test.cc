// Faulty model files: each gives one message naming the file and line, and
// the orvit program exits non-zero before tagging anything.
#include <gtest/gtest.h>

#include <string>

#include "error.h"
#include "model.h"
#include "model_loader.h"
#include "run_vornik.h"

namespace {

const std::string kHead = "orvit-model 1\ntags 2\ntag X\ntag Y\nlambdas 1 0 0\n";

struct Case {
  std::string text;
  std::string message;
};

std::string load_error(const std::string& text) {
  orvit::Model model;
  try {
    orvit::parse_model(text, "m.orv", model);
  } catch (const orvit::Error& e) {
    return e.what();
  }
  return "(loaded)";
}

TEST(ModelErrors, MessagesNameFileAndLine) {
  const Case cases[] = {
      {"", "m.orv:1: empty file, not an orvit model"},
      {"hello\n", "m.orv:1: not an orvit model (the first line must be \"orvit-model 1\")"},
      {"orvit-model 2\n", "m.orv:1: unsupported model version \"2\" (this orvit reads 1)"},
      {"orvit-model\n", "m.orv:1: unsupported model version \"\" (this orvit reads 1)"},
      {kHead + "word a X\n", "m.orv:6: bad word row \"word a X\""},
      {kHead + "word a Z 1\n", "m.orv:6: bad word row \"word a Z 1\""},
      {kHead + "word a X 0\n", "m.orv:6: bad word row \"word a X 0\""},
      {kHead + "word a X 1\n# note\nword a Y 1\n", "m.orv:8: duplicate word row \"word a Y 1\""},
      {kHead + "trigram X Y Q 1\n", "m.orv:6: bad trigram row \"trigram X Y Q 1\""},
      {kHead + "trigram X Y <s> 1\n", "m.orv:6: bad trigram row \"trigram X Y <s> 1\""},
      {kHead + "trigram <s> X Y -1\n", "m.orv:6: bad trigram row \"trigram <s> X Y -1\""},
      {kHead + "suffix middle a X 1\n", "m.orv:6: bad suffix row \"suffix middle a X 1\""},
      {kHead + "lambdas 0.5 0.5 0.5\n", "m.orv:6: bad lambdas row \"lambdas 0.5 0.5 0.5\""},
      {kHead + "theta x\n", "m.orv:6: bad theta row \"theta x\""},
      {kHead + "frobnicate 1\n", "m.orv:6: unknown row \"frobnicate 1\""},
      {"orvit-model 1\ntag X\n", "m.orv:2: tag row outside the tag list"},
      {"orvit-model 1\ntags 2\ntag X\ntag X\n", "m.orv:4: duplicate tag \"X\""},
      {"orvit-model 1\ntags 1\ntag <s>\n", "m.orv:3: bad tag row \"tag <s>\""},
      {"orvit-model 1\nword a X 1\n", "m.orv:2: \"word\" row before the complete tag list"},
      {"orvit-model 1\ntags 2\ntag X\n", "m.orv:3: model has no complete tag list"},
      {"orvit-model 1\ntags 1\ntag X\n", "m.orv:3: model has no lambdas row"},
  };
  for (const auto& c : cases) EXPECT_EQ(load_error(c.text), c.message) << c.text;
  EXPECT_EQ(load_error(kHead + "word a X 1\n"), "(loaded)");
}

TEST(ModelErrors, ProgramReportsAndStopsBeforeReadingInput) {
  ScratchDir dir;
  const std::string bad = dir.write("bad.orv", kHead + "word a X\n");
  const std::string magic = dir.write("magic.orv", "not a model\n");
  const Case cases[] = {
      {"/nonexistent/m.orv", "orvit: /nonexistent/m.orv: No such file or directory\n"},
      {"-", "orvit: -: No such file or directory\n"},
      {bad, "orvit: " + bad + ":6: bad word row \"word a X\"\n"},
      {magic, "orvit: " + magic +
                  ":1: not an orvit model (the first line must be \"orvit-model 1\")\n"},
  };
  for (const auto& c : cases) {
    auto r = run_program({ORVIT_PATH, c.text, "-"}, "a\n\n");
    EXPECT_NE(r.status, 0);
    EXPECT_EQ(r.err, c.message);
    EXPECT_EQ(r.out, "");
  }
}

}  // namespace
