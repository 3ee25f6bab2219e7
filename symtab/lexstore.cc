// Character trie with sorted sibling lists; nodes are handed out from blocks of 1024.
// Bytes compare as signed chars, so 128..255 sort before 1..127 in sibling lists.
#include "symtab/lexstore.h"

#include "driver/error.h"

namespace {
constexpr int kBlockNodes = 1024;
t_node *node_block = nullptr;  // next node to hand out
int nodes_available = 0;

signed char byte(char c) { return static_cast<signed char>(c); }
}  // namespace

t_node *newlexnode(char zeichen, t_node *bruder, t_node *sohn, void *info) {
  if (--nodes_available < 0) {
    node_block = static_cast<t_node *>(memalloc(kBlockNodes * sizeof(t_node)));
    nodes_available = kBlockNodes - 1;
  }
  t_node *node = node_block++;
  *node = t_node{zeichen, bruder, sohn, info};
  return node;
}

t_node *lexinit() { return newlexnode(0, nullptr, nullptr, nullptr); }

void *lexstore(t_node *trie, const char *key, void *info) {
  t_node *p = trie;
  for (const char *k = key; *k; ++k) {
    const signed char c = byte(*k);
    if (!p->sohn || byte(p->sohn->zeichen) > c) {
      p->sohn = newlexnode(*k, p->sohn, nullptr, nullptr);
      p = p->sohn;
      continue;
    }
    t_node *q = p->sohn;
    while (q->bruder && byte(q->bruder->zeichen) <= c) q = q->bruder;
    if (byte(q->zeichen) != c) {
      q->bruder = newlexnode(*k, q->bruder, nullptr, nullptr);
      q = q->bruder;
    }
    p = q;
  }
  void *previous = p->info;
  p->info = info;
  return previous;
}

void *lexrecall(const t_node *trie, const char *key) {
  if (!trie) return nullptr;
  const t_node *p = trie;
  for (const char *k = key; *k; ++k) {
    const signed char c = byte(*k);
    p = p->sohn;
    while (p && byte(p->zeichen) < c) p = p->bruder;
    if (!p || byte(p->zeichen) > c) return nullptr;
  }
  return p->info;
}
