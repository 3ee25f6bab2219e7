// Fuzz target: a server connection's length header and its byte budget. Invariant:
// reading stops at the announced bytes, never past them.
#include <string_view>
#include <unistd.h>

#include "driver/chunkio.h"
#include "driver/parser.h"
#include "driver/server.h"
#include "driver/vornik.h"
#include "fuzz/fuzz_support.h"
#include "fuzz/vornik_reader.h"

// The client's bytes arrive through a pipe; the header is read, and the text is read
// sentence by sentence as the server does.

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
  chunkio_t *record = vornik_reader_record();
  server_mode_bool = 1;
  word_input_bool = 1;
  if (size > 60000) return 0;  // the whole client text fits in the pipe
  int fds[2];
  if (pipe(fds) != 0) invariant_failed("no pipe");
  if (size > 0 && write(fds[1], data, size) != static_cast<ssize_t>(size)) invariant_failed("short write");
  close(fds[1]);
  bytes_expected = 0;
  const int header = init_client(fds[0]);
  if (header < 0) {
    close(fds[0]);
    return 0;
  }
  if (bytes_expected != header) invariant_failed("budget differs from the header");
  std::FILE *in = fdopen(fds[0], "r");
  runs_to_end([&] {
    while (bytes_expected > 0) {
      const int n = read_words(in, record, 0);
      if (n == 0 && num_sgml_tags == 0) break;
    }
  });
  if (bytes_expected < 0) invariant_failed("read past the announced bytes");
  std::fclose(in);
  return 0;
}
