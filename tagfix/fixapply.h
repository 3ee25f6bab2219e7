// Applying tag-fix rules: choosing, per word, the tag the chunk tagger is given.
// Writing the tags to the chunk tagger in its framing is the driver's part.
#pragma once

#include "tree/mobile.h"
#include "tagfix/fixrules.h"

// Chooses the tag id the chunk tagger is given for each of the `length` words of a
// sentence (their POS tag ids in `pos_tag`): the new tag of the first fix rule under
// the word's tag whose conditions all hold, else the POS tag itself. Writes `length`
// ids to `chosen`; reads the rule stores and leaves the sentence unchanged.
void fix_tagged_sentence(char **word, const int *pos_tag, int length, int *chosen);
// Returns a head node whose `next` chain holds one word node per word (id = position,
// tag = POS tag, string = the word itself). Released with mobile_free(head).
mobile_t *words_to_mobiles(char **word, const int *pos_tag, int length);
// The new tag of the first fix rule under `mobile`'s tag whose conditions all hold for
// the word at `position` of `leaf_list` (null-terminated), or its own tag.
int match_fix(mobile_t *mobile, mobile_t **leaf_list, int position);
