// Fuzz target: vornik-eval's reader of vornik output (bracketing, LISP, export format,
// told apart by the first sentence). Malformed text must give an Error, nothing worse.
#include <string>
#include <string_view>

#include "eval/output_reader.h"
#include "orvit/error.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
  const std::string_view text(reinterpret_cast<const char *>(data), size);
  try {
    vornik::read_output("fuzz", text);
  } catch (const orvit::Error &) {
  }
  return 0;
}
