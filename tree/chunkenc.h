// Decoding of chunk tags (relative depth + mother category per word) into a sentence
// tree, and printing that tree in the chosen output format.
#pragma once
#include <cstdio>

#include "tree/mobile.h"

// Builds the tree of one sentence, prints it in the chosen format, releases it.
void chunks_to_tree(FILE *outfile, char **word, const char *rel_depth, const int *pos_tag,
                    const int *mother_category, int sentence_length);
mobile_t *chunks_to_mobile(char **word, const char *rel_depth, const int *pos_tag,
                           const int *mother_category, mobile_t **leaf, int sentence_length);
mobile_t *attach_word(char rel_depth, int mother_categ, mobile_t *prev_word);
mobile_t *create_parent_node(mobile_t *mobile);
// Appends `child_node` to the children of `attachment_site`, after `last_child`, which
// must be the site's last child (null when it has none). Returns 0 for a null site
// (nothing done), 1 when `child_node` is a child of the site already (nothing done),
// 2 when it was appended.
int add_child(mobile_t *attachment_site, mobile_t *last_child, mobile_t *child_node);
void attach_unattached(mobile_t *dummy, mobile_t **leaf, int sentence_length);
int depth_prev_word(char rel_depth);
int depth_curr_word(char rel_depth);
