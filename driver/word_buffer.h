// Word buffer: a chain of 10000-byte blocks holding the strings of one sentence.
// Strings stay valid until the next wordbuf_zero; blocks are reused, never freed.
#pragma once

struct t_wordbuf {
  char *buf_begin;  // this block's storage
  char *position;   // fill position; null once the block was found too full
  t_wordbuf *next;
};

// Returns a chain of one empty block.
t_wordbuf *wordbuf_init();
// Copies `s` (at most 9998 bytes) into the chain and returns the copy, valid until the
// next wordbuf_zero.
char *wordbuf_new_word(t_wordbuf *buffer, const char *s);
// Empties every block of the chain for reuse; earlier copies become invalid.
void wordbuf_zero(t_wordbuf *buffer);
