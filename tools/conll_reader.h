// Reads a CoNLL-2000 chunking file ("word POS chunk" rows, IOB2 chunk tags, a blank
// line between sentences) into sentences with their gold chunks.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "chunked_sentence.h"

namespace vornik_eval {

// The sentences of `text`, in order. Chunks are read the way conlleval reads them: an
// I-X that follows O or a chunk of another type starts a chunk. Throws orvit::Error
// "NAME:LINE: what" (NAME is `name`) for a row that is not "word POS chunk".
std::vector<Sentence> read_conll(const std::string& name, std::string_view text);

}  // namespace vornik_eval
