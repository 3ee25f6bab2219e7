// Tag-fix rule files (placeholder until the tag-fix work lands: -f is accepted and
// its file is not read).
#include "tagfix/fixrules.h"

t_bitnode *fix_idtrie, *noatt_idtrie, *skip_idtrie, *ignore_idtrie, *nostr_idtrie, *word_idtrie;
int current_line = 0;
const char *const tagfix_syntax = "";

void init_tries() {
  fix_idtrie = bitinit();
  noatt_idtrie = bitinit();
  skip_idtrie = bitinit();
  ignore_idtrie = bitinit();
  nostr_idtrie = bitinit();
  word_idtrie = bitinit();
}

void read_fixes(const char *) {}
