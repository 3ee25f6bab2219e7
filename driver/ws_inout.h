// Text utilities shared by the readers: in-place column splitting and the test for
// markup lines. Whitespace is space, tab, newline, vertical tab, form feed, CR.
#pragma once

// Splits `line` in place into at most `max` columns plus the rest of the line as one
// more column; `column` needs room for max + 2 entries. Returns the column count.
int nspalten(char *line, char **column, int max);
// Splits off the first column of `string` in place; *rest points after it.
char *next_col(char *string, char **rest);
// 1 if `string` is a markup line (a lone <...> with only whitespace around it).
int is_sgml(const char *string);
