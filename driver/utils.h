// Opening inputs (plain, "-" for stdin, or through a decompressor) and starting a
// child process connected by two pipes.
#pragma once
#include <cstdio>

// A readable stream for `name`, or null if it cannot be opened. Names ending in
// .Z, .F and .gz are read through zcat, fcat and gzip -dc (run without a shell).
FILE *openread(const char *name);
// Closes a stream from openread (pipes are closed and their child reaped).
void closeread(FILE *stream);
// Starts argv[0] (path search) with stdin/stdout on pipes: fp[0] reads its output,
// fp[1] writes its input. Its stderr goes to `stderrname` unless that is null.
int execsub(char *const *argv, FILE *fp[2], const char *stderrname);
