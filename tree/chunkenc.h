// Decoding of chunk tags (relative depth + mother category per word) into a sentence
// tree, and printing that tree in the chosen output format.
#pragma once
#include <cstdio>

#include "tree/mobile.h"

// Builds the tree of one sentence from its parallel arrays, prints it to `outfile` in the
// chosen format (bracketing, LISP or export) and gives its nodes back to the pool.
void chunks_to_tree(FILE *outfile, char **word, const char *rel_depth, const int *pos_tag,
                    const int *mother_category, int sentence_length);
// Builds the tree of one sentence and returns its root (numbered sentence_num, build time
// in `tag`); leaf[i] is set to word i's terminal node, which points at word[i] (not a
// copy). The caller releases the tree with mobile_free(root).
mobile_t *chunks_to_mobile(char **word, const char *rel_depth, const int *pos_tag,
                           const int *mother_category, mobile_t **leaf, int sentence_length);
// Creates the terminal node of the next word and attaches it (with any phrase nodes its
// depth character opens) to the tree of `prev_word` (null for the first word). Returns
// the new terminal node.
mobile_t *attach_word(char rel_depth, int mother_categ, mobile_t *prev_word);
// Creates a new phrase node above `mobile`, its only child so far; returns the new node.
mobile_t *create_parent_node(mobile_t *mobile);
// Appends `child_node` to the children of `attachment_site`, after `last_child`, which
// must be the site's last child (null when it has none). Returns 0 for a null site
// (nothing done), 1 when `child_node` is a child of the site already (nothing done),
// 2 when it was appended.
int add_child(mobile_t *attachment_site, mobile_t *last_child, mobile_t *child_node);
// Links the top nodes of the sentence's words (leaf[0..sentence_length-1]), in word
// order and each once, as the children of the root `dummy`.
void attach_unattached(mobile_t *dummy, mobile_t **leaf, int sentence_length);
// Levels to climb from the previous word before attaching (0: not attached), or -1 for a
// character outside the encoding.
int depth_prev_word(char rel_depth);
// Levels of phrase nodes the word is the bottom of, plus one (0: not attached), or -1
// for a character outside the encoding.
int depth_curr_word(char rel_depth);
