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
// Returns the string pool's copy of `text` (shared: never to be changed), made on first
// sight. It lives until the process ends, or until the rollback of a mark set before it
// was made.
char *pooled_text(const char *text);

// Marks the tag table and the string pool (a server connection begins): tags and texts
// first seen from now on are forgotten again by lexicon_rollback.
void lexicon_mark();
// Forgets every tag and pooled text first seen since lexicon_mark: their ids are given
// out again, their texts freed, and the memory they took is used again by later ones.
// No id or pooled text of that time may be used afterwards.
void lexicon_rollback();
