// Shared by the fuzz targets of vornik's reading and printing code: vornik's global
// stores and buffers made ready once per process, as the program makes them ready
// before it reads its first sentence.
#pragma once

#include "driver/chunkio.h"

// On the first call: the tag lexicon, the word and markup buffers, the tag-fix rule
// stores (empty) and a sentence record are set up, with progress messages off.
// Returns that record on every call; it lives until the process ends.
chunkio_t *vornik_reader_record();
