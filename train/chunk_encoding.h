// Chunk tags in the relative-depth form vornik decodes, "token/depth/IOB/category", from
// the IOB2 chunk tags of a CoNLL corpus.
#pragma once

#include <string>
#include <vector>

#include "driver/tagger.h"
#include "train/conll_corpus.h"

// A word that starts a chunk or lies outside every chunk has depth "1", a word inside a
// chunk "0"; the category is "_" outside chunks. The token piece (see state_token) makes
// the tagger's states specific to the tag it was given; the IOB piece is never empty, as
// vornik drops empty pieces and would then read the category from too far.

namespace vornik {

// The boundary rows around every sentence carry this text as token and as tag.
inline constexpr const char *kBoundary = BOUNDARY_TOKEN;

// Chunk tags for `sentence`, given the token the chunk tagger sees for each word.
// An "I-X" that does not continue a chunk of type X opens one, as conlleval reads it.
// The chunk tags must be as read_conll checks them. Throws orvit::Error (with the
// word's line) for a token holding "/", which would shift the pieces.
std::vector<std::string> encode_chunk_tags(const ConllSentence &sentence,
                                           const std::vector<std::string> &tokens,
                                           const std::string &file);

}  // namespace vornik
