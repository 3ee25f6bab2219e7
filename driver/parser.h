// The sentence protocol: reading sentences, the lines exchanged with the POS tagger and
// the chunk tagger over pipes, and printing each result.
#pragma once
#include <cstdio>
#include <string>

#include "driver/chunkio.h"

struct t_wordbuf;

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

// Where read_words puts its progress dots and warnings: on stderr when null, else
// appended here, to be written when its sentence's output is (several sentences are
// read ahead of their output with -j).
extern std::string *reading_messages;

// The storage read_words fills besides the record: the word buffers and the markup
// line table (the globals above). With several sentences in flight each keeps its
// own; these copy the globals to a store and back.
struct sentence_store {
  t_wordbuf *words, *sgml;
  char **sgml_line;
  int *word_pos_in_buf;
  int num_sgml_tags, sgml_capacity;
};
void save_sentence_store(sentence_store *store);
void load_sentence_store(const sentence_store *store);

// Starts the taggers, chunks the input (or serves clients) and writes the statistics.
void run_parser(const char *input);
// Reads the next sentence into `record` (and the markup lines, with `sgml_mode`):
// its word count, 0 at the end of the input (or of a connection's byte budget), or
// -1 when a tags-mode line lacks its POS tag (line_number names it; in server mode
// the connection's budget is then spent).
int read_words(FILE *infile, chunkio_t *record, int sgml_mode);
// Writes one token line to a tagger. A token that begins with "%%" gets a blank in
// front, so the tagger does not take its line for a comment.
void write_token_line(FILE *tagger, const char *token);
// Writes the words of `record` to the POS tagger, one line each, then a blank line.
void words_to_tagger(FILE *outfile, const chunkio_t *record);
// Reads up to `words_to_be_read` reply rows of the POS tagger into the POS tags of
// `record`. Returns the rows read (fewer when the reply ends early).
int read_pos_tags(FILE *infile, chunkio_t *record, int words_to_be_read);
// Writes a sentence's tags for the chunk tagger (tag ids; "_" for 0, the stand-in for
// the boundary token) in its framing: two boundary lines, one tag per line, a boundary
// line and a blank line; flushes.
void tags_to_chunk_tagger(FILE *tagger, const int *tag, int length);
// Reads the chunk tagger's reply to the sentence whose tags `sent_tag` were written:
// one chunk tag per word of `record`, checked row by row as read_pos_tags checks;
// returns the word count.
int read_chunktag_sequence(FILE *infile, chunkio_t *record, const int *sent_tag);
// Prints the sentence of `record` to `outfile` in the chosen output format, then an
// empty line, and flushes.
void print_result(FILE *outfile, const chunkio_t *record);
// Writes the stored markup lines of a group without words: as read, or as comment
// lines (-Oconll) or records (-Ojson).
void print_markup_group(FILE *outfile);
