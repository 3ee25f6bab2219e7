// Word buffer blocks of 10000 bytes, chained; emptied per sentence and reused, so the
// words of a sentence stay where they are while it is chunked.
#include "driver/word_buffer.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "driver/vornik.h"

namespace {
constexpr std::size_t kBlockSize = 10000;

void *allocate_or_exit(std::size_t size) {
  void *memory = std::malloc(size);
  if (!memory) {
    std::fprintf(stderr, "\n%s: not enough memory\n", progname);
    std::exit(1);
  }
  return memory;
}

t_wordbuf *new_block(std::size_t capacity) {
  auto *block = static_cast<t_wordbuf *>(allocate_or_exit(sizeof(t_wordbuf)));
  block->buf_begin = static_cast<char *>(allocate_or_exit(capacity));
  block->position = block->buf_begin;
  block->next = nullptr;
  return block;
}
}  // namespace

t_wordbuf *wordbuf_init() { return new_block(kBlockSize); }

char *wordbuf_new_word(t_wordbuf *buffer, const char *s) {
  const std::size_t length = std::strlen(s);
  for (t_wordbuf *block = buffer;; block = block->next) {
    if (block->position &&
        static_cast<std::size_t>(block->position - block->buf_begin) + length <= kBlockSize - 2) {
      *block->position = '\0';
      char *copy = block->position + 1;
      std::memcpy(copy, s, length + 1);
      block->position = copy + length;
      return copy;
    }
    block->position = nullptr;
    if (!block->next) block->next = new_block(kBlockSize);
  }
}

void wordbuf_zero(t_wordbuf *buffer) {
  for (t_wordbuf *block = buffer; block; block = block->next) block->position = block->buf_begin;
}
