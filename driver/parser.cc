// The sentence loop: reads sentences, passes them through the POS tagger and the chunk
// tagger and prints each result; one sentence at a time, or from a regular file with
// the next sentence read ahead while the chunk tagger works on the one before.
#include "driver/parser.h"

#include <climits>
#include <csignal>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

#include "driver/error.h"
#include "driver/server.h"
#include "driver/utils.h"
#include "driver/vornik.h"
#include "driver/word_buffer.h"
#include "driver/ws_inout.h"
#include "symtab/lexicon.h"
#include "tagfix/fixapply.h"
#include "tree/chunkenc.h"

int sentence_num = 0;
int line_number = 0;
char **sgml_line = nullptr;
int *word_pos_in_buf = nullptr;
int num_sgml_tags = 0;
FILE *orvit_pos_file[2];
FILE *orvit_chunk_file[2];

namespace {
constexpr int kArgSlots = 20;
// Stands in for a tag the tagger's reply row did not carry.
const char kMissingTag[] = "?";

char *orvit_pos_args[kArgSlots] = {const_cast<char *>("orvit"), const_cast<char *>(""),
                                   const_cast<char *>("-")};
char *orvit_chunk_args[kArgSlots] = {const_cast<char *>("orvit"), const_cast<char *>(""),
                                     const_cast<char *>(""), const_cast<char *>("")};
const char *orvit_messages = "/dev/null";
int sgml_capacity = 0;

bool is_comment(const char *line) { return line[0] == '%' && line[1] == '%'; }

void store_sgml(const char *line, int words_read) {
  if (num_sgml_tags == sgml_capacity) {
    sgml_capacity = sgml_capacity ? 2 * sgml_capacity : 64;
    sgml_line = static_cast<char **>(std::realloc(sgml_line, sgml_capacity * sizeof(char *)));
    word_pos_in_buf = static_cast<int *>(std::realloc(word_pos_in_buf, sgml_capacity * sizeof(int)));
    if (!sgml_line || !word_pos_in_buf) {
      std::fputs("Memory exceeded, exiting\n", stderr);
      std::exit(255);
    }
  }
  sgml_line[num_sgml_tags] = wordbuf_new_word(sgml_buffer, line);
  word_pos_in_buf[num_sgml_tags] = words_read;
  ++num_sgml_tags;
}

void print_sgml_lines(FILE *outfile, int from, int to) {
  for (int k = from; k < to; ++k) ws_fprintf(outfile, sgml_line[k]);
}

// A reply row that echoes `token` (its first column), e.g. a token "%%" that would
// otherwise pass for a comment row.
bool echoes(const char *line, const char *token) {
  const std::size_t length = std::strlen(token);
  return std::strncmp(line, token, length) == 0 &&
         (line[length] == '\0' || std::strchr(" \t\n\v\f\r", line[length]));
}

// Reads reply rows of one sentence: comment rows and blank rows before the first row
// are skipped, a blank row after a row ends the reply, at most `expected` rows.
// `token_of(row)` is the token the tagger was sent for that row. Rows are read
// whole, however long: a row echoes a word of up to 999 bytes plus its tag, and a
// row split in two would put the tagger's answers out of step with the words.
template <typename Token, typename Row>
int read_reply(FILE *infile, int expected, int max_columns, Token token_of, Row take_row) {
  static char *line = nullptr;
  static std::size_t capacity = 0;
  char *column[258];
  int rows = 0;
  while (rows < expected && getline(&line, &capacity, infile) >= 0) {
    if (is_comment(line) && !echoes(line, token_of(rows))) continue;
    const int columns = nspalten(line, column, max_columns);
    if (columns == 0) {
      if (rows > 0) break;
      continue;
    }
    if (take_row(column, columns)) ++rows;
  }
  return rows;
}

// Progress dots and warnings of a sentence read ahead wait here until the sentence
// before it is finished, so that standard error reads exactly as without read-ahead.
// Null: they are written at once.
std::string *held_diagnostics = nullptr;
// Set instead of ending the run when a sentence read ahead has a line without a POS
// tag (tags mode): the line number, reported once the sentence before it is out.
int held_missing_tag_line = 0;

// Writes to standard error, printf style, or holds the text.
__attribute__((format(printf, 1, 2))) void diagnostic(const char *format, ...) {
  std::va_list args;
  va_start(args, format);
  if (!held_diagnostics) {
    std::vfprintf(stderr, format, args);
    std::fflush(stderr);
  } else {
    std::va_list again;
    va_copy(again, args);
    const std::size_t length = static_cast<std::size_t>(std::vsnprintf(nullptr, 0, format, args));
    const std::size_t start = held_diagnostics->size();
    held_diagnostics->resize(start + length + 1);
    std::vsnprintf(held_diagnostics->data() + start, length + 1, format, again);
    held_diagnostics->resize(start + length);
    va_end(again);
  }
  va_end(args);
}

void warn_short_reply(const char *tagger, int rows, int words, int last_line) {
  diagnostic(
      "%s: warning: the %s tagger answered %d of %d words of the sentence ending at input "
      "line %d\n",
      program_name(), tagger, rows, words, last_line);
}

[[noreturn]] void missing_tag(int line) {
  std::fprintf(stderr, "Word or POS tag missing in line %i, exiting\n", line);
  std::exit(255);
}

// Read-ahead: while the chunk tagger works on one sentence, vornik reads the next one
// and takes it through the POS tagger to the chunk tagger's input, so the taggers
// overlap and seldom wait. The bytes on each pipe and their order stay the same, and
// so do the output and standard error: the next sentence's diagnostics are held
// until the sentence before it is out, and a write that finds a tagger gone, or a
// line without a tag, ends the run at the point where it would have without
// read-ahead. Only for input that never blocks (a regular file) in filter mode
// without -c: a sentence is never kept waiting for input that is yet to come.

// One sentence of the read-ahead loop, and what its steps left for later.
struct sentence_slot {
  chunkio_t *record = nullptr;
  t_wordbuf *words = nullptr;
  int length = 0;             // words read
  int tagged = 0;             // words sent to the chunk tagger
  int last_line = 0;          // line_number once it was read: named by its warnings
  bool pos_ended = false;     // the POS reply stream ended while its reply was read
  bool chunk_pending = false; // its chunk-tagger input waits in chunk_input
  bool tagger_gone = false;   // a write to a tagger failed while it was read ahead
  std::string held;           // its diagnostics, while the sentence before it was unfinished
};

// The chunk tagger's input of the last sentence prepared, sent at once or later.
FILE *chunk_input = nullptr;
char *chunk_input_text = nullptr;
std::size_t chunk_input_size = 0;

bool reads_ahead(FILE *infile) {
  struct stat status;
  if (server_mode_bool || store_sgml_bool || fstat(fileno(infile), &status) != 0 ||
      !S_ISREG(status.st_mode))
    return false;
  if (!chunk_input) chunk_input = open_memstream(&chunk_input_text, &chunk_input_size);
  return chunk_input != nullptr;
}

// Reads the next sentence into `slot`; false at the end of the input or at a line
// without a tag held for later. Without -c there are no markup lines to keep.
bool read_slot(FILE *infile, sentence_slot *slot) {
  word_buffer = slot->words;
  slot->length = read_words(infile, slot->record, 0);
  slot->last_line = line_number;
  slot->pos_ended = slot->chunk_pending = slot->tagger_gone = false;
  return slot->length > 0 && held_missing_tag_line == 0;
}

bool send_chunk_input() {
  return std::fwrite(chunk_input_text, 1, chunk_input_size, orvit_chunk_file[1]) ==
             chunk_input_size &&
         std::fflush(orvit_chunk_file[1]) == 0;
}

// Takes a sentence through the POS tagger and writes it to the chunk tagger. Ahead
// of the sentence before it (`ahead`), a chunk-tagger input longer than PIPE_BUF waits
// (chunk_pending): a write that fits an empty pipe cannot block while the chunk
// tagger itself waits for vornik to read its reply. Returns false if a write found
// a tagger gone (only ahead; otherwise the broken-pipe handler ends the run).
bool send_slot(sentence_slot *slot, bool ahead) {
  chunkio_t *record = slot->record;
  if (word_input_bool) {
    words_to_tagger(orvit_pos_file[1], record);
    if (std::ferror(orvit_pos_file[1])) return false;
    const int rows = read_pos_tags(orvit_pos_file[0], record, slot->length);
    slot->pos_ended = std::feof(orvit_pos_file[0]);
    if (rows < slot->length) warn_short_reply("POS", rows, slot->length, slot->last_line);
  }
  slot->tagged = record->sentence_length;
  std::fseek(chunk_input, 0, SEEK_SET);
  fix_tagged_sentence(chunk_input, record->word, record->pos_tag, slot->tagged);
  if (ahead && chunk_input_size > PIPE_BUF) {
    slot->chunk_pending = true;
    return true;
  }
  return send_chunk_input();
}

// Reads a sentence's chunk tags and prints it, as parse_sentence does.
void finish_slot(FILE *outfile, sentence_slot *slot) {
  const int rows = read_chunktag_sequence(orvit_chunk_file[0], slot->record);
  if (rows < slot->tagged) warn_short_reply("chunk", rows, slot->tagged, slot->last_line);
  print_result(outfile, slot->record);
  if ((word_input_bool && slot->pos_ended) || std::feof(orvit_chunk_file[0])) pipe_error(SIGPIPE);
}

// Reads the next sentence and sends it on while `current` is at the chunk tagger.
// Broken pipes show as failed writes meanwhile, not as the signal.
bool read_ahead(FILE *infile, sentence_slot *next) {
  struct sigaction ignore = {}, handler;
  ignore.sa_handler = SIG_IGN;
  sigaction(SIGPIPE, &ignore, &handler);
  next->held.clear();
  held_diagnostics = &next->held;
  bool sent = false;
  if (read_slot(infile, next)) {
    sent = send_slot(next, true);
    next->tagger_gone = !sent;
  }
  held_diagnostics = nullptr;
  sigaction(SIGPIPE, &handler, nullptr);
  return sent;
}

// Writes what the sentence read ahead held back; ends the run where it would have
// ended without read-ahead.
void release(sentence_slot *next) {
  diagnostic("%s", next->held.c_str());
  if (next->tagger_gone) pipe_error(SIGPIPE);
  if (held_missing_tag_line) missing_tag(held_missing_tag_line);
}

void run_read_ahead_loop(FILE *infile, FILE *outfile, chunkio_t *record, int *token_count) {
  // Both live for the whole run, as the first record and word buffer do.
  static chunkio_t *second_record = chunkio_init();
  static t_wordbuf *second_words = wordbuf_init();
  t_wordbuf *first_words = word_buffer;
  sentence_slot slots[2];
  slots[0].record = record;
  slots[0].words = first_words;
  slots[1].record = second_record;
  slots[1].words = second_words;
  sentence_slot *current = &slots[0], *next = &slots[1];
  if (read_slot(infile, current)) {
    send_slot(current, false);
    for (;;) {
      // A POS reply cut off by the end of its stream ends the run with this sentence.
      const bool sent = !current->pos_ended && read_ahead(infile, next);
      finish_slot(outfile, current);
      ++sentence_num;
      *token_count += current->length;
      release(next);
      if (!sent) break;  // the end of the input
      if (next->chunk_pending && !send_chunk_input()) pipe_error(SIGPIPE);
      std::swap(current, next);
    }
  }
  word_buffer = first_words;
}
}  // namespace

void run_sentence_loop(FILE *infile, FILE *outfile, chunkio_t *record, int *token_count) {
  if (reads_ahead(infile)) return run_read_ahead_loop(infile, outfile, record, token_count);
  for (;;) {
    const int n = read_words(infile, record, store_sgml_bool);
    if (n == 0 && num_sgml_tags == 0) return;
    if (n == 0) {
      // A group of markup lines only: written as read, no empty line after it.
      for (int k = 0; k < num_sgml_tags; ++k) std::fputs(sgml_line[k], outfile);
      std::fflush(outfile);
      num_sgml_tags = 0;
      continue;
    }
    parse_sentence(outfile, orvit_pos_file, orvit_chunk_file, record);
    // A connection ends after its last budgeted sentence, or once its client is gone.
    if (server_mode_bool && (bytes_expected <= 0 || std::ferror(outfile))) return;
    ++sentence_num;
    *token_count += n;
  }
}

namespace {
void start_taggers() {
  int parameter_slot = 1;
  if (verbose_bool == 2) orvit_messages = nullptr;
  if (beam_size) {
    orvit_chunk_args[1] = beam_size;
    parameter_slot = 2;
  }
  if (word_input_bool) {
    orvit_pos_args[1] = parameter_file[0];
    orvit_chunk_args[parameter_slot] = parameter_file[1];
    execsub(orvit_pos_args, orvit_pos_file, orvit_messages);
  } else {
    orvit_chunk_args[parameter_slot] = parameter_file[0];
  }
  orvit_chunk_args[parameter_slot + 1] = strdup("-");
  orvit_chunk_args[parameter_slot + 2] = nullptr;
  execsub(orvit_chunk_args, orvit_chunk_file, orvit_messages);
}

void finish_run(int token_count) {
  if (word_input_bool) {
    std::fclose(orvit_pos_file[0]);
    std::fclose(orvit_pos_file[1]);
  }
  std::fclose(orvit_chunk_file[0]);
  std::fclose(orvit_chunk_file[1]);
  if (verbose_bool > 0) {
    const std::time_t now = std::time(nullptr);
    std::fprintf(stderr, "%%%% Chunking finished, %s%%%% %i sentences, %i tokens.\n%%%% Bye.\n",
                 std::ctime(&now), sentence_num, token_count);
  }
}
}  // namespace

void run_parser(const char *input) {
  int token_count = 0;
  sentence_num = 0;
  start_taggers();
  FILE *infile = nullptr;
  if (!server_mode_bool) {
    infile = openread(input);
    if (!infile) fehler(2, input);
  }
  if (verbose_bool > 0) {
    if (std::strcmp(input, "-") == 0) {
      std::fputs("%% Chunking sentences from stdin\n", stdout);
    } else {
      std::fprintf(stdout, "%%%% Chunking sentences from file %s\n", input);
    }
  }
  chunkio_t *record = chunkio_init();
  if (server_mode_bool) serve_clients(input, record, &token_count);

  run_sentence_loop(infile, stdout, record, &token_count);
  closeread(infile);
  std::fflush(stdout);
  finish_run(token_count);
}

void parse_sentence(FILE *outfile, FILE *pos_file[2], FILE *chunk_file[2], chunkio_t *record) {
  const int words = record->sentence_length;
  if (words == 0) return;
  if (word_input_bool) {
    words_to_tagger(pos_file[1], record);
    const int rows = read_pos_tags(pos_file[0], record, words);
    if (rows < words) warn_short_reply("POS", rows, words, line_number);
  }
  const int tagged = record->sentence_length;
  fix_tagged_sentence(chunk_file[1], record->word, record->pos_tag, tagged);
  const int rows = read_chunktag_sequence(chunk_file[0], record);
  if (rows < tagged) warn_short_reply("chunk", rows, tagged, line_number);
  print_result(outfile, record);
  // A tagger whose output ended is gone: later sentences could only come back empty,
  // so end the run as a broken pipe would rather than report success.
  if ((word_input_bool && std::feof(pos_file[0])) || std::feof(chunk_file[0])) pipe_error(SIGPIPE);
}

int read_words(FILE *infile, chunkio_t *record, int sgml_mode) {
  char line[LINE_BUFFER_SIZE];
  char *column[4];
  record->sentence_length = 0;
  wordbuf_zero(word_buffer);
  if (sgml_mode) {
    num_sgml_tags = 0;
    wordbuf_zero(sgml_buffer);
  }
  for (;;) {
    if (server_mode_bool && bytes_expected <= 0) break;
    if (!std::fgets(line, sizeof line, infile)) break;
    const std::size_t length = std::strlen(line);
    if (server_mode_bool) bytes_expected -= static_cast<int>(length);
    if (++line_number % 100 == 0 && verbosity > 0) diagnostic(".");
    if (length == sizeof line - 1 && line[length - 1] != '\n') {
      diagnostic("%s: warning: input line %d is longer than %d bytes; read in pieces\n",
                 program_name(), line_number, LINE_BUFFER_SIZE - 1);
    }
    if (is_comment(line)) continue;
    if (is_sgml(line)) {
      if (sgml_mode) store_sgml(line, record->sentence_length);
      continue;
    }
    const int columns = nspalten(line, column, 2);
    if (columns == 0) {
      if (num_sgml_tags > 0 || record->sentence_length > 0) break;
      continue;
    }
    char *word = wordbuf_new_word(word_buffer, column[0]);
    if (!word_input_bool && columns < 2) {
      if (!held_diagnostics) missing_tag(line_number);
      held_missing_tag_line = line_number;
      break;
    }
    chunkio_next_line(record, word, word_input_bool ? nullptr : column[1], nullptr, nullptr);
  }
  return record->sentence_length;
}

void write_token_line(FILE *tagger, const char *token) {
  if (is_comment(token)) std::fputc(' ', tagger);
  std::fputs(token, tagger);
  std::fputc('\n', tagger);
}

void words_to_tagger(FILE *outfile, const chunkio_t *record) {
  for (int i = 0; i < record->sentence_length; ++i) write_token_line(outfile, record->word[i]);
  std::fputc('\n', outfile);
  std::fflush(outfile);
}

int read_pos_tags(FILE *infile, chunkio_t *record, int words_to_be_read) {
  record->sentence_length = 0;
  const auto word_of = [record](int row) { return record->word[row]; };
  return read_reply(infile, words_to_be_read, 2, word_of, [record](char **column, int columns) {
    chunkio_next_line(record, nullptr, columns > 1 ? column[1] : kMissingTag, nullptr, nullptr);
    return true;
  });
}

int read_chunktag_sequence(FILE *infile, chunkio_t *record) {
  const int expected = record->sentence_length;
  record->sentence_length = 0;
  // The tag sent for a row is the POS tag unless a tag-fix rule replaced it.
  const auto tag_of = [record](int row) { return inttotag(record->pos_tag[row]); };
  return read_reply(infile, expected, 3, tag_of, [record](char **column, int columns) {
    if (std::strcmp(column[0], "$lim$") == 0) return false;
    // Pieces of the chunk tag between "/" separators; empty pieces do not count.
    const char *piece[4] = {nullptr, nullptr, nullptr, nullptr};
    int pieces = 0;
    if (columns > 1) {
      char *rest = column[1];
      while (pieces < 4) {
        while (*rest == '/') ++rest;
        if (!*rest) break;
        piece[pieces++] = rest;
        while (*rest && *rest != '/') ++rest;
        if (*rest) *rest++ = '\0';
      }
    }
    chunkio_next_line(record, nullptr, nullptr, piece[1] ? piece[1] : kMissingTag, piece[3]);
    return true;
  });
}

void print_result(FILE *outfile, const chunkio_t *record) {
  const int n = record->sentence_length;
  if (chunktag_output_bool) {
    int sgml_count = 0;
    for (int i = 0; i < n; ++i) {
      if (store_sgml_bool) {
        const int first = sgml_count;
        while (sgml_count < num_sgml_tags && word_pos_in_buf[sgml_count] <= i) ++sgml_count;
        print_sgml_lines(outfile, first, sgml_count);
      }
      const char *category = inttotag(record->mother_category[i]);
      std::fprintf(outfile, "%s\t%s\t%c\t%s\n", record->word[i], inttotag(record->pos_tag[i]),
                   record->rel_depth[i], category ? category : CAT_UNDEFINED);
    }
    if (store_sgml_bool) print_sgml_lines(outfile, sgml_count, num_sgml_tags);
  } else {
    chunks_to_tree(outfile, record->word, record->rel_depth, record->pos_tag,
                   record->mother_category, n);
  }
  std::fputc('\n', outfile);
  std::fflush(outfile);
}
