// The bracketing printer: a sentence tree as tab-indented bracketed expressions, one
// node per line, words in sentence order, markup lines (-c) at their places; with
// -Olisp every label and word is quoted. vornik has one thread, so the printer writes
// with stdio's unlocked calls: a sentence is many small pieces, each of which would
// otherwise take the stream's lock.
#include "tree/bracketing.h"

#include <cstdio>
#include <cstring>
#include <limits>

#include "driver/parser.h"
#include "driver/vornik.h"
#include "symtab/lexicon.h"

namespace {
struct Printer {
  FILE *out;
  int indent = 1;      // tabs before the next node line
  int leaf_count = 0;  // next word to be written
  int sgml_count = 0;  // next markup line to be written
};

void write_tabs(FILE *out, int count) {
  static const char tabs[] = "\t\t\t\t\t\t\t\t\t\t\t\t\t\t\t\t";
  constexpr int chunk = sizeof tabs - 1;
  for (; count > chunk; count -= chunk) fwrite_unlocked(tabs, 1, chunk, out);
  if (count > 0) fwrite_unlocked(tabs, 1, count, out);
}

void write_opening(Printer &p, const mobile_t *phrase) {
  write_tabs(p.out, p.indent);
  putc_unlocked('(', p.out);
  ws_fprintf(p.out, inttotag(phrase->tag));
  putc_unlocked('\n', p.out);
}

void write_closing(Printer &p) {
  write_tabs(p.out, p.indent);
  fputs_unlocked(")\n", p.out);
}

// Writes the markup lines read after at most `words` words that are still due.
void write_due_markup(Printer &p, int words) {
  while (p.sgml_count < num_sgml_tags && word_pos_in_buf[p.sgml_count] <= words) {
    ws_fprintf(p.out, sgml_line[p.sgml_count++]);
  }
}

void write_word(Printer &p, const mobile_t *terminal) {
  write_tabs(p.out, p.indent);
  putc_unlocked('(', p.out);
  ws_fprintf(p.out, inttotag(terminal->tag));
  putc_unlocked('\t', p.out);
  ws_fprintf(p.out, terminal->string);
  fputs_unlocked("\t)\n", p.out);
  ++p.leaf_count;
  if (store_sgml_bool) write_due_markup(p, p.leaf_count);
}
}  // namespace

void ws_fprintf(FILE *outfile, const char *string) {
  if (!lisp_output_bool) {
    if (string) fputs_unlocked(string, outfile);
    return;
  }
  putc_unlocked('"', outfile);
  if (string) {
    // A backslash is escaped too, so a word ending in one cannot escape the quote.
    for (const char *special; (special = std::strpbrk(string, "\"\\")); string = special + 1) {
      fwrite_unlocked(string, 1, special - string, outfile);
      putc_unlocked('\\', outfile);
      putc_unlocked(*special, outfile);
    }
    fputs_unlocked(string, outfile);
  }
  putc_unlocked('"', outfile);
}

void print_bracketing(FILE *outfile, const mobile_t *dummy, mobile_t *const *leaf, int n) {
  Printer p{outfile};
  fputs_unlocked("(\n", outfile);
  if (store_sgml_bool) {
    // Markup before the first word is written exactly as read, in LISP mode too.
    while (p.sgml_count < num_sgml_tags && word_pos_in_buf[p.sgml_count] <= 0) {
      fputs_unlocked(sgml_line[p.sgml_count++], outfile);
    }
  }
  const mobile_t *current = dummy->child;
  while (current) {
    const mobile_t *m = current;
    for (; m->child; m = m->child) {
      write_opening(p, m);
      ++p.indent;
    }
    // Words of relative depth "2"/"i" hang at the top level after the phrase node that
    // spans them: write them here, at their place, and skip them when reached later.
    while (p.leaf_count < n && leaf[p.leaf_count]->id < m->id) write_word(p, leaf[p.leaf_count]);
    if (m->id == p.leaf_count) write_word(p, m);
    current = m;
    // Close every node whose last child is done; a terminal's step down balances the
    // step up made when its mother was opened.
    while (current && !current->sister) {
      if (current->child) write_closing(p);
      --p.indent;
      current = current->parent;
    }
    if (!current) break;
    if (current->child) write_closing(p);
    current = current->sister;
  }
  // A tagger reply cut short leaves markup lines of words that are not in the tree:
  // they are still written, rather than lost.
  if (store_sgml_bool) write_due_markup(p, std::numeric_limits<int>::max());
  fputs_unlocked(")\n\n", outfile);
  std::fflush(outfile);
}
