// Applying tag-fix rules: choosing, per word, the tag the chunk tagger is given, and
// writing the sentence to the chunk tagger in its framing.
#pragma once
#include <cstdio>

#include "tree/mobile.h"
#include "tagfix/fixrules.h"

// Writes the sentence's tags, each replaced by the tag of its first fix rule that holds,
// to the chunk tagger `outfile` between the boundary lines, and flushes.
void fix_tagged_sentence(FILE *outfile, char **word, const int *pos_tag, int length);
// The tag id written for word `position` of the sentence fix_tagged_sentence wrote
// last: what the chunk tagger was sent, and may echo, for that word.
int chosen_tag(int position);
// Returns a head node whose `next` chain holds one word node per word (id = position,
// tag = POS tag, string = the word itself). Released with mobile_free(head).
mobile_t *words_to_mobiles(char **word, const int *pos_tag, int length);
// The new tag of the first fix rule under `mobile`'s tag whose conditions all hold for
// the word at `position` of `leaf_list` (null-terminated), or its own tag.
int match_fix(mobile_t *mobile, mobile_t **leaf_list, int position);
