// The sentence protocol: reading a sentence, the lines exchanged with the POS tagger and
// the chunk tagger, and printing a result; the start and end of a run. The loop that
// keeps sentences in flight on the tagger pipelines is in pipelines.cc.
#include "driver/parser.h"

#include <unistd.h>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <limits>
#include <string>

#include "driver/chunktags.h"
#include "driver/error.h"
#include "driver/pipelines.h"
#include "driver/server.h"
#include "driver/tagger.h"
#include "driver/utils.h"
#include "driver/vornik.h"
#include "driver/word_buffer.h"
#include "driver/ws_inout.h"
#include "symtab/lexicon.h"
#include "tree/chunkenc.h"
#include "tree/conll.h"
#include "tree/json.h"

int sentence_num = 0;
int line_number = 0;
char **sgml_line = nullptr;
int *word_pos_in_buf = nullptr;
int num_sgml_tags = 0;
FILE *orvit_pos_file[2];
FILE *orvit_chunk_file[2];
std::string *reading_messages = nullptr;

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

// The token the chunk tagger is sent for a tag id: its text ("_" for none), or the
// stand-in for a tag that equals the boundary token.
const char *tag_token(int tag) {
  const char *text = inttotag(tag);
  return chunk_token(text ? text : CAT_UNDEFINED);
}

// A message of read_words: kept for its sentence when reading_messages is set.
void reading_message(const char *text) {
  if (reading_messages) {
    reading_messages->append(text);
  } else {
    std::fputs(text, stderr);
    std::fflush(stderr);
  }
}

void store_sgml(const char *line, int words_read) {
  if (num_sgml_tags == sgml_capacity) {
    sgml_capacity = sgml_capacity ? 2 * sgml_capacity : 64;
    sgml_line = static_cast<char **>(std::realloc(sgml_line, sgml_capacity * sizeof(char *)));
    word_pos_in_buf =
        static_cast<int *>(std::realloc(word_pos_in_buf, sgml_capacity * sizeof(int)));
    if (!sgml_line || !word_pos_in_buf) memory_exceeded();
  }
  sgml_line[num_sgml_tags] = wordbuf_new_word(sgml_buffer, line);
  word_pos_in_buf[num_sgml_tags] = words_read;
  ++num_sgml_tags;
}

// A reply row that echoes `token` (its first column), e.g. a token "%%" that would
// otherwise pass for a comment row.
bool echoes(const char *line, const char *token) {
  const std::size_t length = std::strlen(token);
  return std::strncmp(line, token, length) == 0 &&
         (line[length] == '\0' || std::strchr(" \t\n\v\f\r", line[length]));
}

// Whether a reply row's first column is `token` as the tagger reads its line: up to
// the first whitespace byte.
bool same_token(const char *column, const char *token) {
  const std::size_t length = std::strcspn(token, " \t\n\v\f\r");
  return std::strncmp(column, token, length) == 0 && column[length] == '\0';
}

// Reads the reply to `count` token lines: one row per token, in order, whose first
// column is the token sent (`token_of(row)`). Comment rows, and the blank line that
// ended the previous answer, are skipped. A row for another token, or any other blank
// row before the last row (an answer without rows included), breaks the protocol; a
// reply stream that ends means the tagger is gone. Rows are read whole, however long:
// a row echoes a word of up to 999 bytes plus its tag.
template <typename Token, typename Row>
void read_reply(FILE *infile, int count, int max_columns, Token token_of, Row take_row) {
  static char *line = nullptr;
  static std::size_t capacity = 0;
  char *column[258];
  for (int row = 0; row < count;) {
    if (getline(&line, &capacity, infile) < 0) tagger_stream_failed(infile);
    const char *token = token_of(row);
    if (is_comment(line) && !echoes(line, token)) continue;
    const int columns = nspalten(line, column, max_columns);
    if (columns == 0) {
      if (row == 0 && take_answer_end(infile)) continue;
      const std::string what =
          "ended its reply after " + std::to_string(row) + " of " + std::to_string(count) + " rows";
      tagger_protocol_error(infile, what.c_str());
    }
    if (!same_token(column[0], token)) {
      const std::string what = "answered '" + std::string(column[0]) + "' where '" +
                               std::string(token, std::strcspn(token, " \t\n\v\f\r")) +
                               "' was sent";
      tagger_protocol_error(infile, what.c_str());
    }
    take_row(row, column, columns);
    ++row;
  }
  answer_read(infile);
}

// Words mode reads the first field of a line only. Raw text (several words on a line)
// would lose the rest without a word, so the first such line of the run is named.
void warn_extra_fields() {
  static bool warned = false;
  if (warned) return;
  warned = true;
  char message[300];
  std::snprintf(message, sizeof message,
                "%s: warning: input line %d holds more than one field; only the first is read "
                "(one token per line expected: tokenise raw text with vornik-tokenize)\n",
                program_name(), line_number);
  reading_message(message);
}

}  // namespace

namespace {
// How long taggers get to end once their input is closed at the end of the run.
constexpr int kTaggerEndMillis = 10000;

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
  } else {
    orvit_chunk_args[parameter_slot] = parameter_file[0];
  }
  orvit_chunk_args[parameter_slot + 1] = strdup("-");
  orvit_chunk_args[parameter_slot + 2] = nullptr;
  start_pipelines(orvit_pos_args, orvit_chunk_args, orvit_messages);
}

void finish_run(int token_count) {
  end_taggers(kTaggerEndMillis);
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
    infile = without_locking(openread(input));
    if (!infile) fehler(2, input);
  }
  if (verbose_bool > 0) {
    // Column and JSON output hold records only, so the header goes with the banner.
    FILE *header = conll_output_bool || json_output_bool ? stderr : stdout;
    if (std::strcmp(input, "-") == 0) {
      std::fputs("%% Chunking sentences from stdin\n", header);
    } else {
      std::fprintf(header, "%%%% Chunking sentences from file %s\n", input);
    }
  }
  chunkio_t *record = chunkio_init();
  if (server_mode_bool) serve_clients(input, record, &token_count);

  run_sentence_loop(infile, without_locking(stdout), record, &token_count);
  closeread(infile, input);
  if (std::fclose(stdout) != 0) output_error();
  finish_run(token_count);
}

namespace {
// What read_input_line met on the way, beyond the bytes it kept.
struct LineFacts {
  long bytes = 0;         // bytes taken from the input, newline included
  bool too_long = false;  // more than LINE_BUFFER_SIZE - 1 bytes before the newline
  bool nul = false;       // a NUL byte, kept as a blank
};

// Reads one physical input line, taking at most `budget` bytes (a connection's text
// ends with its announced bytes): its first LINE_BUFFER_SIZE - 1 bytes and its newline
// go into `line` (which must hold LINE_BUFFER_SIZE + 1 bytes), the rest of a longer
// line is read and dropped. A NUL byte becomes a blank, so no string ends early, and
// is counted in `bytes`. False at the end of the input.
bool read_input_line(FILE *infile, char *line, long budget, LineFacts &facts) {
  facts = {};
  std::size_t kept = 0;
  int c;
  while (facts.bytes < budget && (c = getc_unlocked(infile)) != EOF) {
    ++facts.bytes;
    if (c == '\n') {
      line[kept++] = '\n';
      break;
    }
    if (c == '\0') {
      facts.nul = true;
      c = ' ';
    }
    if (kept < LINE_BUFFER_SIZE - 1) {
      line[kept++] = static_cast<char>(c);
    } else {
      facts.too_long = true;
    }
  }
  line[kept] = '\0';
  return facts.bytes > 0;
}
}  // namespace

int read_words(FILE *infile, chunkio_t *record, int sgml_mode) {
  char line[LINE_BUFFER_SIZE + 1];
  char *column[4];
  record->sentence_length = 0;
  wordbuf_zero(word_buffer);
  if (sgml_mode) {
    num_sgml_tags = 0;
    wordbuf_zero(sgml_buffer);
  }
  LineFacts facts;
  const long unlimited = std::numeric_limits<long>::max();
  for (;;) {
    if (server_mode_bool && bytes_expected <= 0) break;
    if (!read_input_line(infile, line, server_mode_bool ? bytes_expected : unlimited, facts)) break;
    // A piece of a line cut off by a failed read (a client that stalled) is no line.
    if (line[std::strlen(line) - 1] != '\n' && std::ferror(infile)) break;
    if (server_mode_bool) bytes_expected -= static_cast<int>(facts.bytes);
    if (++line_number % 100 == 0 && verbosity > 0) reading_message(".");
    if (facts.too_long) {
      char message[200];
      std::snprintf(message, sizeof message,
                    "%s: warning: input line %d is longer than %d bytes; the rest of it is "
                    "ignored\n",
                    program_name(), line_number, LINE_BUFFER_SIZE - 1);
      reading_message(message);
    }
    if (facts.nul) {
      char message[200];
      std::snprintf(message, sizeof message,
                    "%s: warning: input line %d holds a NUL byte, read as a blank\n",
                    program_name(), line_number);
      reading_message(message);
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
    if (word_input_bool && columns > 1) warn_extra_fields();
    char *word = wordbuf_new_word(word_buffer, column[0]);
    if (!word_input_bool && columns < 2) {
      // A client's bad line costs only its own connection, never the server.
      if (server_mode_bool) bytes_expected = 0;
      return -1;
    }
    chunkio_next_line(record, word, word_input_bool ? nullptr : column[1], nullptr, nullptr);
  }
  return record->sentence_length;
}

// Unlocked stdio, as vornik has one thread: this runs for every token sent.
void write_token_line(FILE *tagger, const char *token) {
  if (is_comment(token)) putc_unlocked(' ', tagger);
  fputs_unlocked(token, tagger);
  putc_unlocked('\n', tagger);
}

void words_to_tagger(FILE *outfile, const chunkio_t *record) {
  for (int i = 0; i < record->sentence_length; ++i) write_token_line(outfile, record->word[i]);
  std::fputc('\n', outfile);
  std::fflush(outfile);
  if (std::ferror(outfile)) tagger_stream_failed(outfile);
}

int read_pos_tags(FILE *infile, chunkio_t *record, int words_to_be_read) {
  record->sentence_length = 0;
  const auto word_of = [record](int row) { return record->word[row]; };
  read_reply(infile, words_to_be_read, 2, word_of, [record](int, char **column, int columns) {
    chunkio_next_line(record, nullptr, columns > 1 ? column[1] : kMissingTag, nullptr, nullptr);
  });
  return record->sentence_length;
}

void tags_to_chunk_tagger(FILE *tagger, const int *tag, int length) {
  write_token_line(tagger, BOUNDARY_TOKEN);
  write_token_line(tagger, BOUNDARY_TOKEN);
  for (int i = 0; i < length; ++i) write_token_line(tagger, tag_token(tag[i]));
  write_token_line(tagger, BOUNDARY_TOKEN);
  std::fputc('\n', tagger);
  // One flush per sentence: the tagger answers only after the blank line, and a
  // flush per line would cost a system call per word.
  std::fflush(tagger);
}

int read_chunktag_sequence(FILE *infile, chunkio_t *record, const int *sent_tag) {
  const int words = record->sentence_length;
  record->sentence_length = 0;
  // The token sent for each row: two boundary rows, the tag given for each word (the
  // POS tag, or what a tag-fix rule put in its place), a closing boundary row.
  const auto token_of = [words, sent_tag](int row) {
    if (row < 2 || row == words + 2) return static_cast<const char *>(BOUNDARY_TOKEN);
    return tag_token(sent_tag[row - 2]);
  };
  read_reply(infile, words + 3, 3, token_of, [record, words](int row, char **column, int columns) {
    if (row < 2 || row == words + 2) return;
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
  });
  return record->sentence_length;
}

void print_result(FILE *outfile, const chunkio_t *record) {
  if (chunktag_output_bool && !conll_output_bool && !json_output_bool) {
    print_chunk_tags(outfile, record);
  } else {
    chunks_to_tree(outfile, record->word, record->rel_depth, record->pos_tag,
                   record->mother_category, record->sentence_length);
  }
  // JSON Lines has no empty lines: a sentence is one line.
  if (!json_output_bool) std::fputc('\n', outfile);
  std::fflush(outfile);
}

void print_markup_group(FILE *outfile) {
  for (int k = 0; k < num_sgml_tags; ++k) {
    if (conll_output_bool) {
      print_conll_markup(outfile, sgml_line[k]);
    } else if (json_output_bool) {
      print_json_markup(outfile, sgml_line[k], -1, 0);
    } else {
      std::fputs(sgml_line[k], outfile);
    }
  }
  std::fflush(outfile);
}

void save_sentence_store(sentence_store *store) {
  *store = {word_buffer, sgml_buffer, sgml_line, word_pos_in_buf, num_sgml_tags, sgml_capacity};
}

void load_sentence_store(const sentence_store *store) {
  word_buffer = store->words;
  sgml_buffer = store->sgml;
  sgml_line = store->sgml_line;
  word_pos_in_buf = store->word_pos_in_buf;
  num_sgml_tags = store->num_sgml_tags;
  sgml_capacity = store->sgml_capacity;
}
