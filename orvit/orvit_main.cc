// orvit: tags text with a trained model: a trigram HMM or an averaged perceptron.
// Usage: orvit [-Z<beam>] MODEL INPUT   (INPUT "-" is standard input)
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <memory>
#include <string>
#include <string_view>
#include <unistd.h>

#include "orvit/cli_args.h"
#include "orvit/error.h"
#include "orvit/model_image.h"
#include "orvit/stream_tagger.h"

namespace {

const char kUsage[] = "usage: orvit [-Z<beam>] MODEL INPUT\n";

const char kHelp[] =
    "usage: orvit [-Z<beam>] MODEL INPUT\n"
    "Tags INPUT (a file, or - for standard input) with the model file MODEL.\n"
    "Input: one token per line (the first column), a blank line ends a\n"
    "sentence, lines starting with %% are skipped. Output: token<TAB>tag per\n"
    "token and an empty line after each sentence, written as soon as the\n"
    "sentence is complete.\n"
    "The model is read from its image MODEL.bin when that was made from this\n"
    "MODEL; otherwise MODEL is parsed and MODEL.bin written for the next run\n"
    "(where the folder is writable).\n"
    "  -Z<beam>  drop states less probable than the best one divided by <beam>\n"
    "            (default: exhaustive search)\n"
    "  -h        show this help (also --help)\n"
    "  --version show the version\n";

int usage_error(const std::string& what) { return orvit::usage_error("orvit", kUsage, what); }

}  // namespace

int main(int argc, char** argv) {
  double beam = 0;
  std::string positional[2];
  int count = 0;
  for (int i = 1; i < argc; ++i) {
    std::string_view arg = argv[i];
    if (const int status = orvit::help_or_version(arg, "orvit", kHelp); status >= 0)
      return status;
    if (arg.size() > 1 && arg[0] == '-') {
      if (arg.substr(0, 2) == "-Z") {
        if (!orvit::parse_beam(arg.substr(2), beam))
          return usage_error("bad beam \"" + std::string(arg.substr(2)) + "\" (a number >= 1)");
        continue;
      }
      return usage_error("unknown option " + std::string(arg));
    }
    if (count == 2) return usage_error("too many arguments");
    positional[count++] = std::string(arg);
  }
  if (count != 2) return usage_error("MODEL and INPUT are required");

  std::unique_ptr<orvit::TaggingModel> model;
  try {
    model = std::make_unique<orvit::TaggingModel>(positional[0], beam, stderr);
  } catch (const orvit::Error& e) {
    std::fprintf(stderr, "orvit: %s\n", e.what());
    return 1;
  }

  int in_fd = 0;
  if (positional[1] != "-") {
    in_fd = ::open(positional[1].c_str(), O_RDONLY | O_CLOEXEC);
    if (in_fd < 0) {
      std::fprintf(stderr, "orvit: %s: %s\n", positional[1].c_str(), std::strerror(errno));
      return 1;
    }
  }
  orvit::StreamTagger tagger(model->tagger());
  std::string error;
  if (!tagger.run(in_fd, 1, &error)) {
    std::fprintf(stderr, "orvit: %s\n", error.c_str());
    return 1;
  }
  return 0;
}
