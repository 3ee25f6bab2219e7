// Character trie: a map from byte strings to untyped values. Nodes come from blocks
// of 1024 counted allocations and are never freed; sibling lists stay sorted.
#pragma once

struct t_node {
  char zeichen;     // the byte this node adds to the key (0 in the root)
  t_node *bruder;   // next sibling, in ascending (signed) order of zeichen
  t_node *sohn;     // first (smallest) child
  void *info;       // value stored for this node's key, or null
};
using LEXNODE = t_node;

// Returns a new trie: a root node with no children and no value.
t_node *lexinit();
// Stores `info` under `key`; returns the value stored there before, or null.
void *lexstore(t_node *trie, const char *key, void *info);
// Returns the value stored under `key`, or null (also for a null trie).
void *lexrecall(const t_node *trie, const char *key);
// Returns a node with the given fields, from the current block of nodes (never freed).
t_node *newlexnode(char zeichen, t_node *bruder, t_node *sohn, void *info);

// Marks the state of every trie (one mark at a time): from now on every change lexstore
// makes is logged, so that lex_rollback can undo it.
void lex_mark();
// Gives every trie back the keys and values it had at lex_mark and ends the mark. The
// nodes made since (tries made since included) are handed out again by newlexnode;
// values stored since are dropped, not freed: they are their owner's to free.
void lex_rollback();
