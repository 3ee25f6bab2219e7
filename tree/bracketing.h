// The bracketing printer: a sentence tree as tab-indented bracketed expressions (or,
// with -Olisp, quoted LISP lists), words in sentence order, markup lines at their places.
#pragma once
#include <cstdio>

#include "tree/mobile.h"

// Writes the tree under `dummy` (its `n` words are leaf[0..n-1]) to `outfile`, with the
// stored markup lines of the sentence (-c) before the words they preceded. Leaves the
// tree unchanged.
void print_bracketing(FILE *outfile, const mobile_t *dummy, mobile_t *const *leaf, int n);
// Writes `string` (nothing for null); in LISP mode quoted, with '"' and '\' escaped
// by a backslash.
void ws_fprintf(FILE *outfile, const char *string);
