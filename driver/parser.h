// The sentence loop: reading sentences, passing them through the POS tagger and the
// chunk tagger over pipes, and printing each result.
#pragma once
#include <cstdio>

#include "driver/chunkio.h"

// An input line keeps at most LINE_BUFFER_SIZE - 1 bytes and its newline; the rest of a
// longer line is ignored, with a warning.
constexpr int LINE_BUFFER_SIZE = 1000;

extern int sentence_num;  // sentences completed before the current one
extern int line_number;   // input lines read so far, over the whole run
// Markup lines of the current sentence (with -c), stored whole as read, and for each
// the number of words read before it. Both tables grow with the sentence.
extern char **sgml_line;
extern int *word_pos_in_buf;
extern int num_sgml_tags;
extern FILE *orvit_pos_file[2];    // [0] reply stream, [1] input stream
extern FILE *orvit_chunk_file[2];

// Starts the taggers, chunks `input` (a file name, "-" for stdin; in server mode the port)
// to stdout and writes the closing lines; returns when the input is used up.
void run_parser(const char *input);
// Chunks every sentence of `infile` to `outfile` until the input (or, in server mode,
// the connection's byte budget) is used up; counts sentences and tokens.
void run_sentence_loop(FILE *infile, FILE *outfile, chunkio_t *record, int *token_count);
// Tags and chunks the sentence in `record` (nothing for an empty one) through the
// taggers' pipes ([0] replies, [1] input) and prints the result to `outfile`.
void parse_sentence(FILE *outfile, FILE *pos_file[2], FILE *chunk_file[2], chunkio_t *record);
// Reads the next sentence of `infile` into `record` (words into word_buffer; with
// `sgml_mode` markup lines into sgml_line). Returns its word count; 0 at the input's end.
int read_words(FILE *infile, chunkio_t *record, int sgml_mode);
// Writes one token line to a tagger. A token that begins with "%%" gets a blank in
// front, so the tagger does not take its line for a comment.
void write_token_line(FILE *tagger, const char *token);
// Writes the words of `record` to the POS tagger, one line each, then a blank line.
void words_to_tagger(FILE *outfile, const chunkio_t *record);
// Reads up to `words_to_be_read` reply rows of the POS tagger into the POS tags of
// `record`. Returns the rows read (fewer when the reply ends early).
int read_pos_tags(FILE *infile, chunkio_t *record, int words_to_be_read);
// Reads the chunk tagger's reply rows into the depths and categories of `record`.
// Returns the rows read.
int read_chunktag_sequence(FILE *infile, chunkio_t *record);
// Prints the sentence of `record` to `outfile` in the chosen output format, then an
// empty line, and flushes.
void print_result(FILE *outfile, const chunkio_t *record);
// Writes the stored markup lines of a group without words: as read, or as comment
// lines (-Oconll) or records (-Ojson).
void print_markup_group(FILE *outfile);
