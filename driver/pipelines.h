// Tagger pipelines (-j N): N pairs of a POS tagger and a chunk tagger (chunk taggers
// only in tags mode), and the sentence loop that keeps up to 2N sentences in flight on
// them and writes every result, warning and progress dot in input order.
#pragma once
#include <cstdio>

#include "driver/chunkio.h"

// The largest -j: 2 * 64 tagger processes is far past what any machine gains from.
constexpr int MAX_PIPELINES = 64;

// Starts num_pipelines pipelines, in order, each POS tagger (words mode) before its
// chunk tagger, with the argument vectors and stderr file of execsub, and registers
// every tagger (tagger.h). Pipeline 0's streams are also orvit_pos_file and
// orvit_chunk_file.
void start_pipelines(char *const *pos_args, char *const *chunk_args, const char *stderrname);
// Called before a failure of the tagger behind `stream` ends the run: writes every
// sentence read before the one that tagger has, in order (a failure met on the way
// is reported instead, as a single pipeline would have met it first), then what
// reading that sentence wrote, and sets line_number to that sentence's last line.
// Does nothing for a stream of no sentence in flight.
void finish_earlier_sentences(FILE *stream);
// Chunks every sentence of `infile` to `outfile` until the input (or, in server mode,
// the connection's byte budget) is used up, counting sentences and tokens as the
// single-pipeline loop does; `record` serves the first sentence slot.
void run_sentence_loop(FILE *infile, FILE *outfile, chunkio_t *record, int *token_count);
