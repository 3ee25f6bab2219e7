// Fuzz target: orvit's protocol loop (the text to tag, one token per line, blank lines
// between sentences, "%%" comments) over a small fixed model.
#include <string>
#include <string_view>
#include <fcntl.h>
#include <unistd.h>

#include "fuzz/fuzz_support.h"
#include "orvit/model.h"
#include "orvit/model_loader.h"
#include "orvit/stream_tagger.h"
#include "orvit/tagger.h"

namespace {
const char kModel[] =
    "orvit-model 1\ntags 2\ntag X\ntag Y\nlambdas 0.125 0.5 0.375\ntheta 0.14\n"
    "trigram <s> <s> X 2\ntrigram <s> <s> Y 1\ntrigram <s> X Y 2\ntrigram <s> Y </s> 1\n"
    "trigram X Y </s> 2\nword a X 2\nword b Y 2\nword c Y 1\nsuffix lower a X 2\n"
    "suffix lower b Y 2\nsuffix lower c Y 1\nsuffix upper A X 1\n";
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
  static orvit::Model model = [] {
    orvit::Model m;
    orvit::parse_model(kModel, "fuzz", m);
    return m;
  }();
  static orvit::Tagger tagger(model.view(), 0);
  static const int sink = ::open("/dev/null", O_WRONLY);
  // A run that succeeds leaves the stream tagger empty, so one serves every input, as
  // one serves a whole orvit process.
  static orvit::StreamTagger stream(tagger);
  const std::string_view text(reinterpret_cast<const char *>(data), size);
  const std::string name = memory_file(text);
  const int in = ::open(name.c_str(), O_RDONLY);
  if (in < 0) invariant_failed("cannot open the memory file");
  std::string error;
  if (!stream.run(in, sink, &error)) invariant_failed("run failed: " + error);
  ::close(in);
  return 0;
}
