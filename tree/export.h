// The export-format writer: one sentence tree as a #BOS header line, one line per
// terminal node in sentence order, one per phrase node in number order, and #EOS.
#pragma once
#include <cstdio>

#include "tree/mobile.h"

// Writes the whole sentence record of root `s` (header, body, end line) to `fp`.
void mobile_output(FILE *fp, const mobile_t *s);
// Writes only the terminal and phrase lines of the tree under root `s` to `fp`.
void mobile_output_body(FILE *fp, const mobile_t *s);
