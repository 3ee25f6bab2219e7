// Tag-fix rule files: commands, conditions and the six rule stores keyed by tag id.
// Rule records and compiled patterns live until the process ends.
#pragma once
#include <regex.h>

#include "symtab/bitstore.h"

// The bits of node_descr::negbits: which components of a condition carry a "~" mark.
constexpr int NEG_FUNCTION = 1, NEG_CATEGORY = 2, NEG_PATTERN = 4;

struct node_descr {
  char *path;         // steps l, r, L, R, u (other characters are skipped)
  int tag;            // required category; 0 = any
  int edgelabel;      // required function; 0 = any
  int negbits;        // "~" marks: NEG_FUNCTION, NEG_CATEGORY, NEG_PATTERN
  regex_t *string;    // pattern the word must match
  node_descr *next;
  int match_any;      // 1: no pattern was written (".*"), so the word test is skipped
  // For a pattern "^word$" of letters, digits, "'" and "-" only: the word in lower
  // case, compared directly (ignoring ASCII case) instead of through `string`, which
  // is then left uncompiled. Null for every other pattern.
  char *literal;
};

struct fix_descr {
  int oldtag;
  int newtag;
  node_descr *self;
  node_descr *conditions;
  fix_descr *next;    // next rule under the same old tag, in reading order
};

// A rule has at most this many conditions (self included); a line with more is an
// error.
constexpr int MAX_FIX_CONDITIONS = 100;

extern t_bitnode *fix_idtrie, *noatt_idtrie, *skip_idtrie, *ignore_idtrie, *nostr_idtrie,
    *word_idtrie;
// Changes whenever the fix rules do (stores created, a rule read); the applying side
// rebuilds its lookup tables when it has changed.
extern int fix_rules_version;
extern int current_line;               // line of the tag-fix file being read
extern const char *const tagfix_syntax; // printed after "Tagfix error in line N"
// Why the line was rejected, when there is more to say than the syntax summary (a
// pattern that does not compile); printed on its own line before the summary.
constexpr int TAGFIX_DETAIL_SIZE = 300;
extern char tagfix_detail[TAGFIX_DETAIL_SIZE];

void init_tries();
void read_fixes(const char *filename);
int process_fix_line(char *line);
fix_descr *line_to_conditions(char *line);
node_descr *string_to_condition(char *description_ptr);
fix_descr *new_fix_descr();
node_descr *new_condition();
void one_separator_strtok(char *string, char separator, char **substring, int num_substrings);
