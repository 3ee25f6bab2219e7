// The sentence loop over the tagger pipelines: sentences go from a ring of slots to the
// pipelines whose first tagger is free, and are written out in input order.
#include "driver/pipelines.h"

#include <poll.h>
#include <sys/stat.h>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "driver/error.h"
#include "driver/parser.h"
#include "driver/server.h"
#include "driver/tagger.h"
#include "driver/utils.h"
#include "driver/vornik.h"
#include "driver/word_buffer.h"
#include "tagfix/fixapply.h"

// Sentences are read into the ring in input order and go to the pipelines in that order.
// A pipeline holds up to two sentences: while its chunk tagger tags one, its POS tagger
// tags the next, and vornik reads and writes others meanwhile, so that all three
// processes can work at once. Each tagger still sees exactly the single-tagger exchange
// (a whole sentence, flushed, its reply read completely, then the next). One thread
// waits on the reply pipes with poll. A slot is written out only when all slots before
// it have been, so output, warnings, dots and the end of the run come in the order, and
// with the bytes, of a single sentence at a time: a tagger failing on one sentence first
// lets every sentence before it be written (finish_earlier_sentences).

namespace {
struct tagger_pipeline {
  FILE *pos[2] = {nullptr, nullptr};  // [0] reply stream, [1] input stream; words mode
  FILE *chunk[2] = {nullptr, nullptr};
  int pos_slot = -1;    // the sentence at the POS tagger or POS-tagged after it, or -1
  int chunk_slot = -1;  // the sentence at the chunk tagger, or -1
};

enum class stage {
  unsent,        // read, waiting for a pipeline to take it
  pos_reply,     // waiting for the POS tagger
  pos_tagged,    // waiting for its pipeline's chunk tagger to finish the sentence before
  chunk_reply,   // waiting for the chunk tagger
  tagged,        // ready to print
  markup_only,   // a group of markup lines without words
  end_of_input,  // nothing but what reading wrote to stderr
  missing_tag,   // a tags-mode line without tag: the run ends here
};

struct sentence_slot {
  chunkio_t *record = nullptr;
  sentence_store store{};
  std::string messages;        // what reading it wrote for stderr
  std::vector<int> chunk_tag;  // the tags sent to the chunk tagger
  int words = 0;               // words read
  int end_line = 0;            // line_number after reading it
  bool budget_spent = false;   // server mode: the connection's last sentence
  stage state = stage::end_of_input;
  int pipeline = -1;
};

// Both live for the whole run and are never destroyed: vornik ends by exit() from
// any depth, and the sentence records and buffers they point to stay reachable (not
// leaked) until the process is gone.
std::vector<tagger_pipeline> &pipelines = *new std::vector<tagger_pipeline>;
// A ring: `oldest` and the `in_use` slots after it.
std::vector<sentence_slot> &slots = *new std::vector<sentence_slot>;
std::size_t oldest = 0, in_use = 0;
// Where the running loop writes, for finish_earlier_sentences.
FILE *loop_output = nullptr;
int *loop_tokens = nullptr;

bool awaits_reply(const sentence_slot &slot) {
  return slot.state == stage::pos_reply || slot.state == stage::chunk_reply;
}

bool in_flight(const sentence_slot &slot) {
  return awaits_reply(slot) || slot.state == stage::unsent || slot.state == stage::pos_tagged;
}

int slot_index(const sentence_slot &slot) { return static_cast<int>(&slot - slots.data()); }

// Whether stdio holds input of `stream` not yet taken: poll cannot see it.
bool has_buffered_input(FILE *stream) { return stream->_IO_read_ptr < stream->_IO_read_end; }

// Whether the line [begin, end) holds nothing but blanks (a NUL counts as one, as it
// does for the reader).
bool only_blanks(const char *begin, const char *end) {
  for (const char *p = begin; p < end; ++p)
    if (!std::strchr(" \t\v\f\r", *p)) return false;
  return true;
}

// Whether stdio holds the end of a sentence (a blank line) not yet taken: reading the
// next sentence then cannot wait for the input's writer. Reading stops at the start of
// a line.
bool holds_sentence_end(FILE *infile) {
  const char *end = infile->_IO_read_end;
  for (const char *line = infile->_IO_read_ptr; line < end;) {
    const char *newline = static_cast<const char *>(std::memchr(line, '\n', end - line));
    if (!newline) return false;
    if (only_blanks(line, newline)) return true;
    line = newline + 1;
  }
  return false;
}

bool is_regular_file(FILE *stream) {
  struct stat facts {};
  return fileno(stream) >= 0 && fstat(fileno(stream), &facts) == 0 && S_ISREG(facts.st_mode);
}

// Takes the blank line that ends the answer just read when it is already buffered: it
// would otherwise look like the start of the next answer. The next answer's reader
// skips it anyway. Only a whole line in the buffer is looked at, so this never waits.
void skip_leftovers(FILE *reply) {
  static char *line = nullptr;
  static std::size_t capacity = 0;
  if (!has_buffered_input(reply)) return;
  const char *begin = reply->_IO_read_ptr;
  const std::size_t size = static_cast<std::size_t>(reply->_IO_read_end - begin);
  const char *end = static_cast<const char *>(std::memchr(begin, '\n', size));
  if (!end || !only_blanks(begin, end)) return;
  if (take_answer_end(reply)) getline(&line, &capacity, reply);
}

// Chooses the tags for the chunk tagger of the slot's pipeline and sends them; the
// pipeline's chunk_slot names the slot first, so a failing send finds its sentence.
void send_to_chunk_tagger(sentence_slot &slot) {
  tagger_pipeline &p = pipelines[slot.pipeline];
  p.chunk_slot = slot_index(slot);
  chunkio_t *record = slot.record;
  const int length = record->sentence_length;
  slot.chunk_tag.resize(static_cast<std::size_t>(length) + 1);
  fix_tagged_sentence(record->word, record->pos_tag, length, slot.chunk_tag.data());
  tags_to_chunk_tagger(p.chunk[1], slot.chunk_tag.data(), length);
  if (std::ferror(p.chunk[1])) tagger_stream_failed(p.chunk[1]);
  slot.state = stage::chunk_reply;
}

// Moves the pipeline's POS-tagged sentence on to its idle chunk tagger.
void pass_to_chunk_tagger(tagger_pipeline &p) {
  sentence_slot &slot = slots[static_cast<std::size_t>(p.pos_slot)];
  p.pos_slot = -1;
  send_to_chunk_tagger(slot);
}

void take_pos_reply(tagger_pipeline &p) {
  sentence_slot &slot = slots[static_cast<std::size_t>(p.pos_slot)];
  read_pos_tags(p.pos[0], slot.record, slot.words);
  skip_leftovers(p.pos[0]);
  slot.state = stage::pos_tagged;
  if (p.chunk_slot < 0) pass_to_chunk_tagger(p);
}

void take_chunk_reply(tagger_pipeline &p) {
  sentence_slot &slot = slots[static_cast<std::size_t>(p.chunk_slot)];
  read_chunktag_sequence(p.chunk[0], slot.record, slot.chunk_tag.data());
  skip_leftovers(p.chunk[0]);
  slot.state = stage::tagged;
  p.chunk_slot = -1;
  if (p.pos_slot >= 0 && slots[static_cast<std::size_t>(p.pos_slot)].state == stage::pos_tagged)
    pass_to_chunk_tagger(p);
}

// The tagger a sentence waits for, and its reply stream.
bool at_pos_tagger(const sentence_slot &slot) { return slot.state == stage::pos_reply; }
FILE *reply_stream(const sentence_slot &slot) {
  const tagger_pipeline &p = pipelines[slot.pipeline];
  return at_pos_tagger(slot) ? p.pos[0] : p.chunk[0];
}

void take_reply(const sentence_slot &slot) {
  tagger_pipeline &p = pipelines[slot.pipeline];
  if (at_pos_tagger(slot)) {
    take_pos_reply(p);
  } else {
    take_chunk_reply(p);
  }
}

// A pipeline whose first tagger (POS in words mode, chunk in tags mode) is idle, or -1.
int free_pipeline() {
  for (std::size_t p = 0; p < pipelines.size(); ++p) {
    const tagger_pipeline &pipeline = pipelines[p];
    if (word_input_bool ? pipeline.pos_slot < 0 : pipeline.chunk_slot < 0)
      return static_cast<int>(p);
  }
  return -1;
}

// Sends the unsent sentences, oldest first, to pipelines whose first tagger is idle.
void dispatch_unsent() {
  for (std::size_t k = 0; k < in_use; ++k) {
    sentence_slot &slot = slots[(oldest + k) % slots.size()];
    if (slot.state != stage::unsent) continue;
    const int pipeline = free_pipeline();
    if (pipeline < 0) return;
    slot.pipeline = pipeline;
    reply_clock_start();
    if (word_input_bool) {
      pipelines[pipeline].pos_slot = slot_index(slot);
      words_to_tagger(pipelines[pipeline].pos[1], slot.record);
      slot.state = stage::pos_reply;
    } else {
      send_to_chunk_tagger(slot);
    }
    reply_clock_stop();
  }
}

// Reads the next sentence (or markup group, or the end) into a new slot. Returns false
// when nothing further is to be read.
bool read_next(FILE *infile) {
  sentence_slot &slot = slots[(oldest + in_use++) % slots.size()];
  slot.messages.clear();
  load_sentence_store(&slot.store);
  reading_messages = &slot.messages;
  const int n = read_words(infile, slot.record, store_sgml_bool);
  reading_messages = nullptr;
  save_sentence_store(&slot.store);
  slot.words = n;
  slot.end_line = line_number;
  slot.budget_spent = server_mode_bool && bytes_expected <= 0;
  if (n < 0) {
    slot.state = stage::missing_tag;
    return false;
  }
  if (n == 0) {
    slot.state = slot.store.num_sgml_tags > 0 ? stage::markup_only : stage::end_of_input;
    return slot.state == stage::markup_only;
  }
  slot.state = stage::unsent;
  return !slot.budget_spent;
}

// Waits until at least one reply can be read, and takes those. The reply clock runs
// meanwhile: when it runs out, the tagger of the oldest sentence still waiting is the
// one that did not answer. With one tagger busy there is nothing to choose between,
// so no poll: one system call less per reply.
void wait_for_replies() {
  pollfd fds[2 * MAX_PIPELINES];
  const sentence_slot *owner[2 * MAX_PIPELINES];
  nfds_t count = 0;
  bool took = false;
  reply_clock_start();
  for (std::size_t k = 0; k < in_use; ++k) {
    const sentence_slot &slot = slots[(oldest + k) % slots.size()];
    if (!awaits_reply(slot)) continue;
    if (has_buffered_input(reply_stream(slot))) {
      take_reply(slot);
      took = true;
      continue;
    }
    fds[count] = {fileno(reply_stream(slot)), POLLIN, 0};
    owner[count++] = &slot;
  }
  if (!took && count == 1) {
    // One tagger to wait for: its reply is read at once, the read waiting for it.
    take_reply(*owner[0]);
    reply_clock_stop();
    return;
  }
  while (!took && count > 0 && poll(fds, count, -1) < 0) {
    if (errno != EINTR) {
      std::fprintf(stderr, "%s: cannot wait for the taggers: %s\n", program_name(),
                   std::strerror(errno));
      std::exit(255);
    }
    for (std::size_t k = 0; k < in_use && reply_time_is_up(); ++k) {
      const sentence_slot &slot = slots[(oldest + k) % slots.size()];
      if (awaits_reply(slot)) tagger_stream_failed(reply_stream(slot));
    }
  }
  // Taking one reply can send its sentence on: the states are looked at again.
  for (nfds_t k = 0; !took && k < count; ++k)
    if (fds[k].revents && awaits_reply(*owner[k])) take_reply(*owner[k]);
  reply_clock_stop();
}

// Writes the oldest slot: what reading it wrote, then its output, as one pipeline
// would have. Ends the run where one pipeline would have. Returns false when the
// loop is over (end of input, or of the connection).
bool retire(sentence_slot &slot, FILE *outfile, int *token_count) {
  std::fputs(slot.messages.c_str(), stderr);
  std::fflush(stderr);
  switch (slot.state) {
    case stage::end_of_input:
      return false;
    case stage::missing_tag:
      if (server_mode_bool) {
        std::fprintf(stderr, "Word or POS tag missing in line %i, client disconnected\n",
                     slot.end_line);
        return false;
      }
      std::fprintf(stderr, "Word or POS tag missing in line %i, exiting\n", slot.end_line);
      std::exit(255);
    case stage::markup_only:
      load_sentence_store(&slot.store);
      print_markup_group(outfile);
      if (std::ferror(outfile)) {
        if (server_mode_bool) return false;
        output_error();
      }
      return true;
    default:
      break;
  }
  load_sentence_store(&slot.store);
  print_result(outfile, slot.record);
  // A connection ends after its last budgeted sentence, or once its client is gone.
  if (std::ferror(outfile)) {
    if (server_mode_bool) return false;
    output_error();
  }
  if (server_mode_bool && slot.budget_spent) return false;
  ++sentence_num;
  *token_count += slot.words;
  return true;
}

// A connection that ended early (its client gone) leaves sentences read ahead in
// flight: their replies are taken and dropped, and the input lines they took are
// given back to the count, as if they had not been read. Sentences never sent are
// dropped at once.
void drop_read_ahead(int end_line) {
  for (std::size_t k = 0; k < in_use; ++k) {
    sentence_slot &slot = slots[(oldest + k) % slots.size()];
    if (slot.state == stage::unsent) slot.state = stage::end_of_input;
  }
  while (in_use > 0) {
    if (in_flight(slots[oldest])) {
      wait_for_replies();
      continue;
    }
    oldest = (oldest + 1) % slots.size();
    --in_use;
  }
  line_number = end_line;
}

void start_tagger(const char *role, char *const *argv, FILE **file, const char *stderrname) {
  int exec_error = 0;
  const pid_t pid = execsub(argv, file, stderrname, &exec_error);
  register_tagger(role, argv, pid, file, exec_error);
}

void prepare_slots(chunkio_t *record) {
  if (!slots.empty()) return;
  // Four slots per pipeline: two at its taggers, one read ahead to send as soon as
  // its POS tagger is free, and one for a sentence that waits to be written while
  // an older one is still at another pipeline. Markup groups take slots too.
  slots.resize(4 * pipelines.size());
  slots[0].record = record;
  save_sentence_store(&slots[0].store);
  for (std::size_t k = 1; k < slots.size(); ++k) {
    slots[k].record = chunkio_init();
    slots[k].store = {wordbuf_init(), wordbuf_init(), nullptr, nullptr, 0, 0};
  }
}
}  // namespace

void start_pipelines(char *const *pos_args, char *const *chunk_args, const char *stderrname) {
  pipelines.resize(static_cast<std::size_t>(num_pipelines));
  for (tagger_pipeline &p : pipelines) {
    if (word_input_bool) start_tagger("POS", pos_args, p.pos, stderrname);
    start_tagger("chunk", chunk_args, p.chunk, stderrname);
  }
  if (word_input_bool) {
    orvit_pos_file[0] = pipelines[0].pos[0];
    orvit_pos_file[1] = pipelines[0].pos[1];
  }
  orvit_chunk_file[0] = pipelines[0].chunk[0];
  orvit_chunk_file[1] = pipelines[0].chunk[1];
}

void finish_earlier_sentences(FILE *stream) {
  int failing = -1;
  for (const tagger_pipeline &p : pipelines) {
    if (p.pos[0] == stream || p.pos[1] == stream) failing = p.pos_slot;
    if (p.chunk[0] == stream || p.chunk[1] == stream) failing = p.chunk_slot;
  }
  if (failing < 0 || !loop_output) return;
  while (static_cast<int>(oldest) != failing) {
    sentence_slot &slot = slots[oldest];
    // Only the oldest sentence's tagger is waited for: a failure there is reported
    // before this one, as a single pipeline would have met it first.
    if (awaits_reply(slot)) {
      take_reply(slot);
      continue;
    }
    oldest = (oldest + 1) % slots.size();
    --in_use;
    retire(slot, loop_output, loop_tokens);
  }
  sentence_slot &slot = slots[oldest];
  std::fputs(slot.messages.c_str(), stderr);
  std::fflush(stderr);
  slot.messages.clear();
  line_number = slot.end_line;
}

void run_sentence_loop(FILE *infile, FILE *outfile, chunkio_t *record, int *token_count) {
  prepare_slots(record);
  loop_output = outfile;
  loop_tokens = token_count;
  // Reading ahead must not wait for the input's writer while a sentence is pending: a
  // client may wait for its answer before it sends more. A file is all there; from a
  // pipe or socket a sentence is read ahead only when its end is buffered already.
  const bool input_all_there = is_regular_file(infile);
  bool reading = true;
  for (;;) {
    while (reading && in_use < slots.size() &&
           (in_use == 0 || input_all_there || std::feof(infile) || holds_sentence_end(infile))) {
      reading = read_next(infile);
      dispatch_unsent();
    }
    while (in_use > 0 && !in_flight(slots[oldest])) {
      sentence_slot &slot = slots[oldest];
      oldest = (oldest + 1) % slots.size();
      --in_use;
      if (!retire(slot, outfile, token_count)) {
        drop_read_ahead(slot.end_line);
        loop_output = nullptr;
        return;
      }
    }
    if (in_use == 0 && !reading) {
      loop_output = nullptr;
      return;
    }
    wait_for_replies();
    dispatch_unsent();
  }
}
