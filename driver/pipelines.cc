// The sentence loop over several tagger pipelines: sentences go to idle pipelines from a
// ring of slots, and are written out in input order with the bytes of one pipeline.
#include "driver/pipelines.h"

#include <poll.h>
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

// Sentences are read into the ring in input order; each goes to an idle pipeline, whose
// taggers see exactly the single-pipeline exchange (a whole sentence, flushed, its reply
// read completely, then the next). One thread waits on the reply pipes with poll. A slot
// is written out only when all slots before it have been, so output, warnings, dots and
// the end of the run come in the order, and with the bytes, of one pipeline: a tagger
// failing on one sentence first lets every sentence before it be written
// (finish_earlier_sentences).

namespace {
struct tagger_pipeline {
  FILE *pos[2] = {nullptr, nullptr};  // [0] reply stream, [1] input stream; words mode
  FILE *chunk[2] = {nullptr, nullptr};
  int slot = -1;  // the slot it is tagging, -1 when idle
};

enum class stage {
  pos_reply,     // waiting for the POS tagger
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

bool waiting(const sentence_slot &slot) {
  return slot.state == stage::pos_reply || slot.state == stage::chunk_reply;
}

// Whether stdio holds input of `stream` not yet taken: poll cannot see it.
bool has_buffered_input(FILE *stream) { return stream->_IO_read_ptr < stream->_IO_read_end; }

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
  if (!end) return;
  for (const char *p = begin; p < end; ++p)
    if (!std::strchr(" \t\v\f\r", *p)) return;
  if (take_answer_end(reply)) getline(&line, &capacity, reply);
}

void take_chunk_reply(sentence_slot &slot) {
  tagger_pipeline &p = pipelines[slot.pipeline];
  read_chunktag_sequence(p.chunk[0], slot.record, slot.chunk_tag.data());
  skip_leftovers(p.chunk[0]);
  slot.state = stage::tagged;
  p.slot = -1;
}

// Chooses the tags for the chunk tagger and sends them.
void send_to_chunk_tagger(sentence_slot &slot) {
  chunkio_t *record = slot.record;
  const int length = record->sentence_length;
  slot.chunk_tag.resize(static_cast<std::size_t>(length) + 1);
  fix_tagged_sentence(record->word, record->pos_tag, length, slot.chunk_tag.data());
  FILE *tagger = pipelines[slot.pipeline].chunk[1];
  tags_to_chunk_tagger(tagger, slot.chunk_tag.data(), length);
  if (std::ferror(tagger)) tagger_stream_failed(tagger);
  slot.state = stage::chunk_reply;
}

void take_pos_reply(sentence_slot &slot) {
  FILE *reply = pipelines[slot.pipeline].pos[0];
  read_pos_tags(reply, slot.record, slot.words);
  skip_leftovers(reply);
  send_to_chunk_tagger(slot);
}

void dispatch(sentence_slot &slot, int pipeline) {
  slot.pipeline = pipeline;
  pipelines[pipeline].slot = static_cast<int>(&slot - slots.data());
  reply_clock_start();
  if (word_input_bool) {
    words_to_tagger(pipelines[pipeline].pos[1], slot.record);
    slot.state = stage::pos_reply;
  } else {
    send_to_chunk_tagger(slot);
  }
  reply_clock_stop();
}

int idle_pipeline() {
  for (std::size_t p = 0; p < pipelines.size(); ++p)
    if (pipelines[p].slot < 0) return static_cast<int>(p);
  return -1;
}

// Reads the next sentence (or markup group, or the end) into a new slot and sends a
// sentence to `pipeline`. Returns false when nothing further is to be read.
bool read_next(FILE *infile, int pipeline) {
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
  dispatch(slot, pipeline);
  return !slot.budget_spent;
}

void take_reply(tagger_pipeline &p) {
  sentence_slot &slot = slots[static_cast<std::size_t>(p.slot)];
  if (slot.state == stage::pos_reply) {
    take_pos_reply(slot);
  } else {
    take_chunk_reply(slot);
  }
}

FILE *reply_stream(const tagger_pipeline &p) {
  return slots[static_cast<std::size_t>(p.slot)].state == stage::pos_reply ? p.pos[0] : p.chunk[0];
}

// Waits until at least one busy pipeline's reply can be read, and takes those. The
// reply clock runs meanwhile: when it runs out, the tagger of the oldest sentence
// still waiting is the one that did not answer. With one busy pipeline there is
// nothing to choose between, so no poll: one system call less per reply.
void wait_for_replies() {
  pollfd fds[MAX_PIPELINES];
  tagger_pipeline *owner[MAX_PIPELINES];
  nfds_t count = 0;
  bool took = false;
  reply_clock_start();
  for (tagger_pipeline &p : pipelines) {
    if (p.slot < 0) continue;
    if (has_buffered_input(reply_stream(p))) {
      take_reply(p);
      took = true;
      continue;
    }
    fds[count] = {fileno(reply_stream(p)), POLLIN, 0};
    owner[count++] = &p;
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
      if (waiting(slot)) tagger_stream_failed(reply_stream(pipelines[slot.pipeline]));
    }
  }
  for (nfds_t k = 0; !took && k < count; ++k)
    if (fds[k].revents) take_reply(*owner[k]);
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
// given back to the count, as if they had not been read.
void drop_read_ahead(int end_line) {
  while (in_use > 0) {
    sentence_slot &slot = slots[oldest];
    if (waiting(slot)) {
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
  // Two slots per pipeline: markup groups need none, and reading ahead of a slot
  // that waits to be written keeps every pipeline busy.
  slots.resize(2 * pipelines.size());
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
    if (p.pos[0] == stream || p.pos[1] == stream || p.chunk[0] == stream || p.chunk[1] == stream)
      failing = p.slot;
  }
  if (failing < 0 || !loop_output) return;
  while (static_cast<int>(oldest) != failing) {
    sentence_slot &slot = slots[oldest];
    // Only the oldest sentence's tagger is waited for: a failure there is reported
    // before this one, as a single pipeline would have met it first.
    if (waiting(slot)) {
      take_reply(pipelines[slot.pipeline]);
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
  bool reading = true;
  for (;;) {
    for (int p; reading && in_use < slots.size() && (p = idle_pipeline()) >= 0;)
      reading = read_next(infile, p);
    while (in_use > 0 && !waiting(slots[oldest])) {
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
  }
}
