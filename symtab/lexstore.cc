// Character trie with sorted sibling lists; nodes are handed out from blocks of 1024.
// Bytes compare as signed chars, so 128..255 sort before 1..127 in sibling lists.
// A mark logs every change made to a node, so that a rollback can undo them all.
#include "symtab/lexstore.h"

#include <vector>

#include "driver/error.h"

namespace {
constexpr int kBlockNodes = 1024;
// Every block obtained, in order; none is given back. Never destroyed, so the blocks stay
// reachable until the process is gone.
std::vector<t_node *> &blocks = *new std::vector<t_node *>;
std::size_t blocks_used = 0;   // blocks handed out from so far, the current one included
t_node *node_block = nullptr;  // next node to hand out
int nodes_available = 0;

// Where the node allocator stood at the mark, and the nodes changed since, each with
// its fields before the change.
struct allocator_state {
  std::size_t blocks_used;
  t_node *node_block;
  int nodes_available;
};
struct node_change {
  t_node *node;
  t_node before;
};
bool marked = false;
allocator_state at_mark{};
std::vector<node_change> changes;

signed char byte(char c) { return static_cast<signed char>(c); }

// Called before `node` is changed.
void log_change(t_node *node) {
  if (marked) changes.push_back({node, *node});
}
}  // namespace

t_node *newlexnode(char zeichen, t_node *bruder, t_node *sohn, void *info) {
  if (--nodes_available < 0) {
    // Blocks left over from a rollback are handed out again before new ones are made.
    if (blocks_used == blocks.size()) {
      blocks.push_back(static_cast<t_node *>(memalloc(kBlockNodes * sizeof(t_node))));
    }
    node_block = blocks[blocks_used++];
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
      log_change(p);
      p->sohn = newlexnode(*k, p->sohn, nullptr, nullptr);
      p = p->sohn;
      continue;
    }
    t_node *q = p->sohn;
    while (q->bruder && byte(q->bruder->zeichen) <= c) q = q->bruder;
    if (byte(q->zeichen) != c) {
      log_change(q);
      q->bruder = newlexnode(*k, q->bruder, nullptr, nullptr);
      q = q->bruder;
    }
    p = q;
  }
  void *previous = p->info;
  log_change(p);
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

void lex_mark() {
  at_mark = {blocks_used, node_block, nodes_available};
  changes.clear();
  marked = true;
}

void lex_rollback() {
  for (auto change = changes.rbegin(); change != changes.rend(); ++change)
    *change->node = change->before;
  changes.clear();
  blocks_used = at_mark.blocks_used;
  node_block = at_mark.node_block;
  nodes_available = at_mark.nodes_available;
  marked = false;
}
