// The program-wide error reporter and the counted allocators: every fatal condition
// ends the process here with a fixed message and exit status.
#pragma once
#include <cstddef>

extern const char version[100];
extern const char *const usage_text;
// Printed after usage_text by --help: the options and -O values the usage text does
// not list.
extern const char *const usage_more;
extern std::size_t memory_allocated;  // bytes requested so far; never decreases
extern const std::size_t memory_max;  // 100 MB

// Reports error `fehlernr` (2, 4, 5, 6, 7, 100) on stderr and exits with that status.
// Code 2 takes the name of the file that could not be opened.
[[noreturn]] void fehler(int fehlernr, ...);

// Counted allocation against memory_max; never returns null (exits with status 1).
// memalloc: `size` uninitialised bytes; clralloc: `nelem` * `elsize` zeroed bytes
// (an overflowing product counts as over the limit).
void *memalloc(std::size_t size);
void *clralloc(std::size_t nelem, std::size_t elsize);

// Writes "Memory exceeded, exiting\n" to stderr and exits with status 255: the arrays
// of the sentence record (or another growing array of the run) cannot be enlarged.
[[noreturn]] void memory_exceeded();

// The program name without its directory, for warnings and messages of our own.
const char *program_name();

// Writing standard output failed (errno tells why): a reader that is gone ends the
// process quietly by SIGPIPE, as Unix filters end; any other error is reported
// ("vornik: standard output: ...", status 255). The taggers are stopped first.
[[noreturn]] void output_error();
