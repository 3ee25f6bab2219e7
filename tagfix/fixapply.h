// Applying tag-fix rules: choosing, per word, the tag the chunk tagger is given, and
// writing the sentence to the chunk tagger in its framing.
#pragma once
#include <cstdio>

#include "tree/mobile.h"
#include "tagfix/fixrules.h"

void fix_tagged_sentence(FILE *outfile, char **word, const int *pos_tag, int length);
// The tag id written for word `position` of the sentence fix_tagged_sentence wrote
// last: what the chunk tagger was sent, and may echo, for that word.
int chosen_tag(int position);
mobile_t *words_to_mobiles(char **word, const int *pos_tag, int length);
int match_fix(mobile_t *mobile, mobile_t **leaf_list, int position);
