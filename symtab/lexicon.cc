// Tag table: text -> id in a character trie, id -> text in an integer-key store.
// Ids are given in order of first sight from 1 and never withdrawn.
#include "symtab/lexicon.h"

#include <cstdint>
#include <cstring>

#include "symtab/bitstore.h"

t_node *stringtrie = nullptr;
int tag_count = 0;

namespace {
t_node *tag_nametrie = nullptr;
t_bitnode *tag_idtrie = nullptr;
}  // namespace

int tagtoint(const char *tag) {
  if (!tag_nametrie) {
    tag_nametrie = lexinit();
    tag_idtrie = bitinit();
  }
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
