// The sentence record: parallel arrays of words, POS tag ids, relative depths and
// mother categories, one record reused for the whole run.
#pragma once
#include <cstdint>

struct chunkio_t {
  int32_t buf_size;         // capacity of each array; starts at 500, grows by 2000
  int32_t sentence_length;  // entries filled in the current pass
  char **word;              // point into word_buffer; not owned
  int32_t *pos_tag;
  char *rel_depth;
  int32_t *mother_category; // 0: undefined
};

// Returns a new, empty record with room for 500 entries.
chunkio_t *chunkio_init();
// Appends one entry; any argument but the record may be null. Returns the new length.
int chunkio_next_line(chunkio_t *record, char *word, const char *pos_tag,
                      const char *rel_depth, const char *mother_category);
