// The tag table (label text <-> small integer id, one id space for all labels) and the
// string pool that keeps one shared copy of every text given to a tree node.
#pragma once
#include "symtab/lexstore.h"

extern t_node *stringtrie;  // string pool: key text -> the pool's own copy
extern int tag_count;       // highest tag id given out so far

// Returns the id of `tag` (1 upward), registering the text on first sight.
int tagtoint(const char *tag);
// Returns the text of tag id `id`, or null for 0, negative or unknown ids.
// The text belongs to the table.
const char *inttotag(int id);
// Creates the string pool if it does not exist yet.
void lexicon_init();
