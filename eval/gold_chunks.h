// The gold chunks of CoNLL-2000 sentences: the IOB2 chunk tags of the rows read by
// read_conll turned into chunk spans, the form the scorer compares.
#pragma once

#include <vector>

#include "eval/chunked_sentence.h"
#include "train/conll_corpus.h"

namespace vornik {

// One Sentence per element of `corpus`, in order, with words, tags, line numbers and
// chunks. Chunks are read the way conlleval reads them: an I-X that follows O or a
// chunk of another type starts a chunk.
std::vector<Sentence> gold_sentences(const std::vector<ConllSentence> &corpus);

}  // namespace vornik
