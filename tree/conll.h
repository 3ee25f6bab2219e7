// The column printer (-Oconll): a decoded sentence as CoNLL-2000 rows "word POS chunk",
// IOB2 chunk tags of the flattened tree; markup lines (-c) become "%% " comment lines.
#pragma once
#include <cstdint>
#include <cstdio>
#include <vector>

#include "tree/mobile.h"

// B-X starts a chunk of type X, I-X continues it, O is outside; nested phrases are
// flattened as chunk_runs does.

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
