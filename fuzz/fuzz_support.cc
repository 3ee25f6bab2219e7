// exit() wrapped at link time (-Wl,--wrap=exit): inside runs_to_end it jumps back to
// the target; anywhere else (libFuzzer's own exit) it ends the process as usual.
#include "fuzz/fuzz_support.h"

#include <cstdlib>
#include <sys/mman.h>
#include <unistd.h>

std::jmp_buf fuzz_exit_point;
bool fuzz_exit_armed = false;

extern "C" [[noreturn]] void __real_exit(int status);

extern "C" [[noreturn]] void __wrap_exit(int status) {
  if (fuzz_exit_armed) {
    fuzz_exit_armed = false;
    std::longjmp(fuzz_exit_point, 1);
  }
  __real_exit(status);
}

std::string memory_file(std::string_view bytes) {
  static const int fd = memfd_create("fuzz-input", 0);
  if (fd < 0 || ftruncate(fd, 0) != 0 ||
      pwrite(fd, bytes.data(), bytes.size(), 0) != static_cast<ssize_t>(bytes.size()))
    invariant_failed("cannot write the memory file");
  return "/proc/self/fd/" + std::to_string(fd);
}

std::FILE *memory_stream(std::string_view bytes) {
  static char empty[1];
  // One stdio buffer for every stream: a fresh one per input would cost more than
  // most inputs take to read.
  static char buffer[BUFSIZ];
  std::FILE *stream = bytes.empty() ? fmemopen(empty, 0, "r")
                                    : fmemopen(const_cast<char *>(bytes.data()), bytes.size(), "r");
  if (!stream || std::setvbuf(stream, buffer, _IOFBF, sizeof buffer) != 0)
    invariant_failed("cannot open a memory stream");
  return stream;
}

void invariant_failed(const std::string &what) {
  std::fprintf(stderr, "invariant failed: %s\n", what.c_str());
  std::abort();
}
