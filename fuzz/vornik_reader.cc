// vornik's globals set up once for the fuzz targets that read or print sentences.
#include "fuzz/vornik_reader.h"

#include "driver/vornik.h"
#include "driver/word_buffer.h"
#include "symtab/lexicon.h"
#include "tagfix/fixrules.h"

chunkio_t *vornik_reader_record() {
  static chunkio_t *record = [] {
    lexicon_init();
    init_tries();
    word_buffer = wordbuf_init();
    sgml_buffer = wordbuf_init();
    verbosity = 0;
    return chunkio_init();
  }();
  return record;
}
