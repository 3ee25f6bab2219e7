// The chunk-tag printer: each word with its POS tag and chunk tag (relative depth and
// mother category), markup lines kept with -c in their places.
#include "driver/chunktags.h"

#include <cstdio>

#include "driver/parser.h"
#include "driver/vornik.h"
#include "symtab/lexicon.h"
#include "tree/bracketing.h"

namespace {
void print_sgml_lines(FILE *outfile, int from, int to) {
  for (int k = from; k < to; ++k) ws_fprintf(outfile, sgml_line[k]);
}
}  // namespace

void print_chunk_tags(FILE *outfile, const chunkio_t *record) {
  const int n = record->sentence_length;
  int sgml_count = 0;
  for (int i = 0; i < n; ++i) {
    if (store_sgml_bool) {
      const int first = sgml_count;
      while (sgml_count < num_sgml_tags && word_pos_in_buf[sgml_count] <= i) ++sgml_count;
      print_sgml_lines(outfile, first, sgml_count);
    }
    const char *category = inttotag(record->mother_category[i]);
    std::fprintf(outfile, "%s\t%s\t%c\t%s\n", record->word[i], inttotag(record->pos_tag[i]),
                 record->rel_depth[i], category ? category : CAT_UNDEFINED);
  }
  if (store_sgml_bool) print_sgml_lines(outfile, sgml_count, num_sgml_tags);
}
