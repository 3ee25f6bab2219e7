// Tag table: text -> id in a character trie, id -> text in an integer-key store.
// Ids are given in order of first sight from 1, and withdrawn only by the rollback of a
// mark: a server forgets what each connection brought, so clients cannot grow the tables.
#include "symtab/lexicon.h"

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "driver/error.h"
#include "symtab/bitstore.h"

t_node *stringtrie = nullptr;
int tag_count = 0;

namespace {
t_node *tag_nametrie = nullptr;
t_bitnode *tag_idtrie = nullptr;

bool marked = false;
int tag_count_at_mark = 0;
std::vector<char *> texts_since_mark;  // pooled copies made since the mark

void make_tag_table() {
  tag_nametrie = lexinit();
  tag_idtrie = bitinit();
}
}  // namespace

int tagtoint(const char *tag) {
  if (!tag_nametrie) make_tag_table();
  if (void *id = lexrecall(tag_nametrie, tag)) return static_cast<int>(reinterpret_cast<intptr_t>(id));
  const int id = ++tag_count;
  lexstore(tag_nametrie, tag, reinterpret_cast<void *>(static_cast<intptr_t>(id)));
  bitstore(tag_idtrie, static_cast<uint32_t>(id), strdup(tag));
  return id;
}

const char *inttotag(int id) {
  if (id <= 0 || id > tag_count) return nullptr;
  return static_cast<const char *>(bitrecall(tag_idtrie, static_cast<uint32_t>(id)));
}

void lexicon_init() {
  if (!stringtrie) stringtrie = lexinit();
}

char *pooled_text(const char *text) {
  if (void *copy = lexrecall(stringtrie, text)) return static_cast<char *>(copy);
  lexicon_init();
  char *copy;
  if (marked) {
    // Freed again at the rollback, so a plain allocation, as tag texts are.
    copy = strdup(text);
    if (!copy) memory_exceeded();
    texts_since_mark.push_back(copy);
  } else {
    // Kept for good: counted against the memory limit.
    const std::size_t size = std::strlen(text) + 1;
    copy = static_cast<char *>(memalloc(size));
    std::memcpy(copy, text, size);
  }
  lexstore(stringtrie, copy, copy);
  return copy;
}

void lexicon_mark() {
  // Tables made after the mark would be undone with it.
  if (!tag_nametrie) make_tag_table();
  lexicon_init();
  tag_count_at_mark = tag_count;
  texts_since_mark.clear();
  lex_mark();
  marked = true;
}

void lexicon_rollback() {
  lex_rollback();
  // New ids are the largest keys, so they are the last entries of the id store.
  for (int id = tag_count_at_mark + 1; id <= tag_count; ++id)
    std::free(bitrecall(tag_idtrie, static_cast<uint32_t>(id)));
  tag_idtrie->n -= static_cast<uint32_t>(tag_count - tag_count_at_mark);
  tag_count = tag_count_at_mark;
  for (char *text : texts_since_mark) std::free(text);
  texts_since_mark.clear();
  marked = false;
}
