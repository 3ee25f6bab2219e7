// The JSON Lines printer (-Ojson): one object per sentence on one line, its tokens with
// IOB2 chunk tags and its tree; markup lines (-c) become records of their own.
#pragma once
#include <cstdio>
#include <string_view>

#include "tree/mobile.h"

// A sentence's object:
//   {"sentence":N,"tokens":[{"word":W,"pos":P,"chunk":"B-NP"},...],"tree":[...]}
// where the tree lists the top nodes in order: a word is its token index, a phrase
// {"category":C,"children":[...]} (C null when the node has none). Every byte sequence
// gives valid JSON (see json_string).

// Writes `text` as a JSON string literal: '"' and '\' escaped, control bytes as \n, \t,
// \r, \b, \f or \u00XX, valid UTF-8 unchanged, and every byte that is not part of a
// valid UTF-8 sequence as \u00XX (the Latin-1 character of that byte, so Latin-1 text
// reads right and no byte is lost). A null `text` is written as null.
void json_string(FILE *outfile, const char *text);
void json_string(FILE *outfile, std::string_view text);

// Writes the sentence tree rooted at `root`, words leaf[0..n-1], as one line, with its
// markup lines (-c): those read before the first word as records before it, the others
// after it (see print_json_markup).
void print_json(FILE *outfile, const mobile_t *root, mobile_t *const *leaf, int n);

// Writes a markup line (its newline dropped) as {"markup":LINE}, or, when it stood
// inside or after sentence `sentence` before its token `token` (token = the number of
// tokens when it came after the last), as {"markup":LINE,"sentence":S,"token":T}.
// `sentence` < 0 gives the short form.
void print_json_markup(FILE *outfile, const char *line, int sentence, int token);
