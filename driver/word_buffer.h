// Word buffer: a chain of 10000-byte blocks holding the strings of one sentence.
// Strings stay valid until the next wordbuf_zero; blocks are reused, never freed.
#pragma once

struct t_wordbuf {
  char *buf_begin;  // this block's storage
  char *position;   // fill position; null once the block was found too full
  t_wordbuf *next;
};

t_wordbuf *wordbuf_init();
// Copies `s` into the chain and returns the copy.
char *wordbuf_new_word(t_wordbuf *buffer, const char *s);
void wordbuf_zero(t_wordbuf *buffer);
