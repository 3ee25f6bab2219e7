// The export-format writer: one sentence tree as a #BOS header line, one line per
// terminal node in sentence order, one per phrase node in number order, and #EOS.
#include "tree/export.h"

#include <cstdio>
#include <cstring>

#include "driver/error.h"
#include "driver/vornik.h"
#include "symtab/lexicon.h"

namespace {
// Node numbers are written in three digits (modulo 1000). A tree with a number of
// 1000 or more would get repeated numbers that way, so its numbers are written whole
// (modulus 0) and a warning names the sentence.
int node_number(const mobile_t *node, int modulus) {
  return modulus ? node->id % modulus : node->id;
}

bool needs_whole_numbers(const mobile_t *s) {
  for (const mobile_t *m = s->next; m; m = m->next) {
    if (!m->string && m->id >= 1000) return true;
    for (int j = 0; j < 4 && m->secparent[j]; ++j) {
      if (m->secparent[j]->id >= 1000) return true;
    }
  }
  return false;
}

void write_label(FILE *fp, int tag) {
  const char *text = tag ? inttotag(tag) : nullptr;
  std::fputs(text ? text : "--", fp);
}

void write_node_line(FILE *fp, const mobile_t *node, int modulus) {
  int length;
  if (node->string) {
    std::fputs(node->string, fp);
    length = static_cast<int>(std::strlen(node->string));
  } else {
    length = std::fprintf(fp, "#%d", node_number(node, modulus));
  }
  // Column 2 starts at position 24 (tab stops every 8) for first columns under 16.
  if (length <= 7) {
    std::fputs("\t\t", fp);
  } else if (length <= 15) {
    std::fputc('\t', fp);
  }
  std::fputc('\t', fp);
  write_label(fp, node->tag);
  std::fputc('\t', fp);
  const char *morph = node->morph ? inttotag(node->morph) : nullptr;
  std::fputs(morph ? morph : "--", fp);
  if (!morph || std::strlen(morph) <= 7) std::fputc('\t', fp);
  std::fputc('\t', fp);
  write_label(fp, node->edgelabel);
  // Top nodes have no parent; 0 stands for the root of the sentence.
  std::fprintf(fp, "\t%d", node->parent ? node_number(node->parent, modulus) : 0);
  for (int j = 0; j < 4 && node->secparent[j]; ++j) {
    std::fputc('\t', fp);
    write_label(fp, node->secedge[j]);
    std::fprintf(fp, "\t%d", node_number(node->secparent[j], modulus));
  }
  if (node->comment) std::fprintf(fp, "\t%%%% %s", node->comment);
  std::fputc('\n', fp);
}
}  // namespace

void mobile_output_body(FILE *fp, const mobile_t *s) {
  if (!s || !s->next) return;
  int modulus = 1000;
  if (needs_whole_numbers(s)) {
    std::fprintf(stderr,
                 "%s: warning: sentence %d has node numbers of 1000 or more; "
                 "they are written in full in the export format\n",
                 program_name(), s->id);
    modulus = 0;
  }
  for (const mobile_t *m = s->next; m; m = m->next) {
    if (m->string) write_node_line(fp, m, modulus);
  }
  for (const mobile_t *m = s->next; m; m = m->next) {
    if (!m->string) write_node_line(fp, m, modulus);
  }
}

void mobile_output(FILE *fp, const mobile_t *s) {
  if (!s || !s->next) return;
  std::fprintf(fp, "#BOS %d %d %d %d", s->id, s->secedge[0], s->tag, s->morph);
  if (s->comment) std::fprintf(fp, " %%%% %s", s->comment);
  std::fputc('\n', fp);
  mobile_output_body(fp, s);
  std::fprintf(fp, "#EOS %d\n", s->id);
}
