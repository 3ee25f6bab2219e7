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

// Creates the six rule stores empty (the rules read before are forgotten).
void init_tries();
// Reads the tag-fix file `filename` (plain or compressed) line by line into the stores;
// ends the process with fehler 2 (unopenable) or 6 (a bad line, current_line set).
void read_fixes(const char *filename);
// Interprets one line (cut in place): a fix rule, noatt rule or marker command; blank
// lines do nothing. Returns 0; a bad line ends the process with fehler 6.
int process_fix_line(char *line);
// Parses the "#path description" conditions of `line` (cut in place) into a new rule
// whose old tag is its self condition's category; newtag is left for the caller.
fix_descr *line_to_conditions(char *line);
// Parses one condition "path description" (cut in place), compiling its pattern.
// Ends the process with fehler 6 when the blank or the description is missing.
node_descr *string_to_condition(char *description_ptr);
// A new rule record, every field zero or null.
fix_descr *new_fix_descr();
// A new condition: no constraints, no marks, a pattern object not yet compiled.
node_descr *new_condition();
// Cuts `string` in place at the first num_substrings - 1 `separator` characters and
// stores the pieces in `substring` (missing pieces are empty strings).
void one_separator_strtok(char *string, char separator, char **substring, int num_substrings);
