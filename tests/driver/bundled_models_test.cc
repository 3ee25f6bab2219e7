// The real tagger with the bundled English models, driven by vornik end to end: the
// README's first command must keep producing sensible chunks.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "support/run_vornik.h"

namespace {
// PATH with the build folder (holding the real orvit) first, the models on CHUNKPATH:
// the canonical invocation of the README.
std::map<std::string, std::string> real_tagger_env() {
  const std::string path = std::string(BUILD_DIR) + ":" + (std::getenv("PATH") ? std::getenv("PATH") : "");
  return {{"PATH", path}, {"CHUNKPATH", std::string(SOURCE_DIR) + "/models"}};
}

TEST(BundledModels, ChunksASimpleEnglishSentence) {
  const RunResult r = run_vornik({"-v0", "-u", "-fen-chunk.fix", "en-pos", "en-chunk", "-"},
                                 "The\nbank\nrose\nsharply\n.\n", real_tagger_env());
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.err, "");
  EXPECT_EQ(r.out,
            "(\n"
            "\t(NP\n\t\t(DT\tThe\t)\n\t\t(NN\tbank\t)\n\t)\n"
            "\t(VP\n\t\t(VBD\trose\t)\n\t)\n"
            "\t(ADVP\n\t\t(RB\tsharply\t)\n\t)\n"
            "\t(.\t.\t)\n"
            ")\n\n\n");
}

TEST(BundledModels, ChunksTheSampleTextWithMarkup) {
  const RunResult r = run_vornik({"-v0", "-c", "-Ochunktags", "-fen-chunk.fix", "en-pos", "en-chunk",
                                  std::string(SOURCE_DIR) + "/examples/sample-tokens.txt"},
                                 "", real_tagger_env());
  EXPECT_EQ(r.status, 0) << r.err;
  const std::string first = "The\tDT\t1\tNP\nnew\tJJ\t0\tNP\nchief\tJJ\t0\tNP\nexecutive\tNN\t0\tNP\n";
  EXPECT_EQ(r.out.substr(0, first.size()), first);
  EXPECT_NE(r.out.find("<p>\nAnalysts\tNNS\t1\tNP\n"), std::string::npos) << r.out;
  EXPECT_NE(r.out.find(".\t.\t1\t_\n</p>\n\n"), std::string::npos) << r.out;
}
}  // namespace
