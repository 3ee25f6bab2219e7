// Fuzz target: the input reader in words or tags mode, with and without markup lines
// kept (first byte). Invariants: every word is a non-empty run of non-blank bytes,
// and the reader counts real input lines, however long or odd they are.
#include <cstring>
#include <string_view>

#include "driver/chunkio.h"
#include "driver/parser.h"
#include "driver/vornik.h"
#include "fuzz/fuzz_support.h"
#include "fuzz/vornik_reader.h"

namespace {
bool is_blank(char c) {
  return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r' || c == '\0';
}
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
  chunkio_t *record = vornik_reader_record();
  if (size == 0) return 0;
  word_input_bool = !(data[0] & 1);
  store_sgml_bool = (data[0] >> 1) & 1;
  const std::string_view text(reinterpret_cast<const char *>(data) + 1, size - 1);
  std::FILE *in = memory_stream(text);
  const int first_line = line_number;
  const bool finished = runs_to_end([&] {
    for (;;) {
      const int n = read_words(in, record, store_sgml_bool);
      if (n == 0 && num_sgml_tags == 0) break;
      for (int i = 0; i < n; ++i) {
        const char *word = record->word[i];
        if (!*word) invariant_failed("empty word");
        for (const char *p = word; *p; ++p)
          if (is_blank(*p)) invariant_failed("blank inside a word");
      }
      num_sgml_tags = 0;
    }
  });
  std::fclose(in);
  if (finished) {
    long lines = 0;
    for (char c : text) lines += c == '\n';
    if (!text.empty() && text.back() != '\n') ++lines;
    if (line_number - first_line != lines)
      invariant_failed("counted " + std::to_string(line_number - first_line) + " lines of " +
                       std::to_string(lines));
  }
  return 0;
}
