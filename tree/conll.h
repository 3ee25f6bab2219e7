// The column printer (-Oconll): a decoded sentence as CoNLL-2000 rows "word POS chunk",
// the chunk tag in IOB2 form (B-X starts a chunk of type X, I-X continues it, O is
// outside), nested phrases flattened as chunk_runs does; markup lines (-c) become
// "%% " comment lines at their places.
#pragma once
#include <cstdint>
#include <cstdio>
#include <vector>

#include "tree/mobile.h"

// A word's chunk tag: prefix 'B', 'I' or 'O' and, unless 'O', the chunk's category id.
struct IobTag {
  char prefix;
  int32_t category;
};

// The chunk tag of each word of a tree whose words are leaf[0..n-1]. The result is a
// buffer reused by the next call.
const std::vector<IobTag> &iob_tags(mobile_t *const *leaf, int n);

// Writes one row per word, each row "word POS B-X" (blank-separated) ending in a
// newline; the caller writes the empty line that ends the sentence.
void print_conll(FILE *outfile, mobile_t *const *leaf, int n);

// Writes a markup line (as read, with or without its newline) as "%% LINE\n".
void print_conll_markup(FILE *outfile, const char *line);
