// Shared by the fuzz targets: a call of exit() inside the code under test (the error
// reporter, a tags-mode line without a tag) returns to the target instead of ending
// the fuzzer, and fuzz inputs become files and streams.
#pragma once

#include <csetjmp>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>
#include <string_view>

extern std::jmp_buf fuzz_exit_point;
extern bool fuzz_exit_armed;

// Runs `fn`; true when it returned, false when it called exit().
template <typename Fn>
bool runs_to_end(Fn &&fn) {
  fuzz_exit_armed = true;
  if (setjmp(fuzz_exit_point) != 0) {
    fuzz_exit_armed = false;
    return false;
  }
  fn();
  fuzz_exit_armed = false;
  return true;
}

// A file name whose contents are `bytes` (an anonymous memory file, rewritten per call).
std::string memory_file(std::string_view bytes);

// A read stream over `bytes`, which must outlive it; empty input gives an empty stream.
// One such stream may be open at a time (they share one stdio buffer).
std::FILE *memory_stream(std::string_view bytes);

// Aborts with `what` on standard error: an invariant of the code under test failed.
[[noreturn]] void invariant_failed(const std::string &what);
