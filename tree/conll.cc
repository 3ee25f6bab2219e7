// The column printer: IOB2 chunk tags from the flattened tree, one row per word, with
// markup lines as comment rows.
#include "tree/conll.h"

#include <cstring>
#include <limits>

#include "driver/parser.h"
#include "driver/vornik.h"
#include "symtab/lexicon.h"
#include "tree/chunk_runs.h"

namespace {
void write_label(FILE *outfile, const char *label) { std::fputs(label ? label : "", outfile); }

// Writes the markup lines of the sentence that stand before word `words` (or, for the
// largest int, all that are left), from entry `next` on; returns the next entry.
int write_markup_before(FILE *outfile, int next, int words) {
  for (; next < num_sgml_tags && word_pos_in_buf[next] <= words; ++next)
    print_conll_markup(outfile, sgml_line[next]);
  return next;
}
}  // namespace

const std::vector<IobTag> &iob_tags(mobile_t *const *leaf, int n) {
  static std::vector<std::size_t> phrase;
  static std::vector<IobTag> tags;
  phrase.assign(n, 0);
  for (int i = 0; i < n; ++i) {
    const mobile_t *parent = leaf[i]->parent;
    if (parent && parent->tag != 0) phrase[i] = static_cast<std::size_t>(parent->id);
  }
  tags.assign(n, IobTag{'O', 0});
  for (const ChunkRun &run : chunk_runs(phrase)) {
    const int32_t category = leaf[run.begin]->parent->tag;
    tags[run.begin] = {'B', category};
    for (std::size_t i = run.begin + 1; i < run.end; ++i) tags[i] = {'I', category};
  }
  return tags;
}

void print_conll(FILE *outfile, mobile_t *const *leaf, int n) {
  const std::vector<IobTag> &tags = iob_tags(leaf, n);
  int markup = 0;
  for (int i = 0; i < n; ++i) {
    if (store_sgml_bool) markup = write_markup_before(outfile, markup, i);
    write_label(outfile, leaf[i]->string);
    std::fputc(' ', outfile);
    write_label(outfile, inttotag(leaf[i]->tag));
    std::fputc(' ', outfile);
    std::fputc(tags[i].prefix, outfile);
    if (tags[i].prefix != 'O') {
      std::fputc('-', outfile);
      write_label(outfile, inttotag(tags[i].category));
    }
    std::fputc('\n', outfile);
  }
  if (store_sgml_bool) write_markup_before(outfile, markup, std::numeric_limits<int>::max());
}

void print_conll_markup(FILE *outfile, const char *line) {
  std::fputs("%% ", outfile);
  std::fputs(line, outfile);
  const std::size_t length = std::strlen(line);
  if (length == 0 || line[length - 1] != '\n') std::fputc('\n', outfile);
}
