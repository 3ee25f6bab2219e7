// The sentence record: four parallel arrays (words, POS tags, chunk depths, categories)
// that grow by 2000 entries when full and are reused for every sentence.
#include "driver/chunkio.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "driver/error.h"
#include "driver/vornik.h"
#include "symtab/lexicon.h"

namespace {
constexpr int kInitialSize = 500;
constexpr int kGrowth = 2000;

template <typename T>
bool resize(T *&array, int entries) {
  void *grown = std::realloc(array, static_cast<std::size_t>(entries) * sizeof(T));
  if (!grown) return false;
  array = static_cast<T *>(grown);
  return true;
}
}  // namespace

chunkio_t *chunkio_init() {
  auto *record = static_cast<chunkio_t *>(std::calloc(1, sizeof(chunkio_t)));
  if (!record) memory_exceeded();
  record->buf_size = kInitialSize;
  if (!resize(record->word, kInitialSize) || !resize(record->pos_tag, kInitialSize) ||
      !resize(record->rel_depth, kInitialSize) || !resize(record->mother_category, kInitialSize)) {
    memory_exceeded();
  }
  return record;
}

int chunkio_next_line(chunkio_t *record, char *word, const char *pos_tag,
                      const char *rel_depth, const char *mother_category) {
  const int i = record->sentence_length;
  if (word) record->word[i] = word;
  if (rel_depth) record->rel_depth[i] = rel_depth[0];
  const bool has_category = mother_category && std::strcmp(mother_category, CAT_UNDEFINED) != 0;
  record->mother_category[i] = has_category ? tagtoint(mother_category) : 0;
  if (pos_tag) record->pos_tag[i] = tagtoint(pos_tag);
  if (++record->sentence_length == record->buf_size) {
    const int size = record->buf_size + kGrowth;
    if (!resize(record->word, size) || !resize(record->pos_tag, size) ||
        !resize(record->rel_depth, size) || !resize(record->mother_category, size)) {
      memory_exceeded();
    }
    record->buf_size = size;
  }
  return record->sentence_length;
}
