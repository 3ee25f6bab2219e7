// Writes one sentence to the chunk tagger: two boundary lines, one tag per word, a
// closing boundary line and the blank line that ends the sentence. One flush per
// sentence: the tagger cannot answer before the blank line anyway.
#include "tagfix/fixapply.h"

#include "symtab/lexicon.h"

void fix_tagged_sentence(FILE *outfile, char **, const int *pos_tag, int length) {
  std::fputs("$lim$\n$lim$\n", outfile);
  for (int i = 0; i < length; ++i) std::fprintf(outfile, "%s\n", inttotag(pos_tag[i]));
  std::fputs("$lim$\n\n", outfile);
  std::fflush(outfile);
}
