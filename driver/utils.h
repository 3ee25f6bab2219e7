// Opening inputs (plain, "-" for stdin, or through a decompressor) and starting a
// child process connected by two pipes.
#pragma once
#include <sys/types.h>
#include <cstdio>

// Lets stdio skip its lock on `stream` (null: nothing), as vornik has one thread: every
// token and tree piece is a stdio call. Returns `stream`.
FILE *without_locking(FILE *stream);
// A readable stream for `name`, or null if it cannot be opened. Names ending in
// .Z, .F and .gz are read through zcat, fcat and gzip -dc (run without a shell).
FILE *openread(const char *name);
// Closes a stream that openread gave for `name` (pipes are closed and their child
// reaped). A read error, or a decompressor that did not end with status 0, is reported
// naming the file ("vornik: file 'NAME': ...") and ends the process with status 2.
void closeread(FILE *stream, const char *name);
// Starts argv[0] (path search) with stdin/stdout on pipes: fp[0] reads its output,
// fp[1] writes its input. Its stderr goes to `stderrname` unless that is null.
// Returns the child's process id (-1 if fork failed); *exec_error is the error
// number of a failed execvp, or 0.
pid_t execsub(char *const *argv, FILE *fp[2], const char *stderrname, int *exec_error);
