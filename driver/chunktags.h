// The chunk-tag printer (-Ochunktags): the decoder's input written back as text, one
// line per word, for inspecting the chunk tagger's output or feeding other tools.
#pragma once
#include <cstdio>

#include "driver/chunkio.h"

// Writes one "word\tPOS\tdepth\tcategory" line per word of `record` to `outfile` ("_"
// for no category); with -c each stored markup line of the sentence comes before the
// word it preceded, the rest after the last word. Leaves `record` unchanged.
void print_chunk_tags(FILE *outfile, const chunkio_t *record);
