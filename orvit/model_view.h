// The tables a tagger reads while tagging, as read-only views: into a Model built
// from a text model (Model::view), or into a mapped model image that every orvit
// process using the model shares through the page cache (model_image.h).
#pragma once

#include <cstdint>
#include <span>
#include <string_view>

#include "orvit/string_table.h"
#include "orvit/transition_table.h"
#include "orvit/word_class.h"

namespace orvit {

// Tag ids 0..real_tags()-1 are the model's tags; transitions.bos() is the start
// state and transitions.eos() the end state. The meaning of every table is
// Model's (model.h); whoever made the view keeps its storage alive.
struct ModelView {
  StringIndex tags;  // tag names, id = position
  TransitionView transitions;

  // Lexicon: the entries of word w are [word_begin[w], word_begin[w + 1]).
  StringIndex words;
  std::span<const uint32_t> word_begin;
  std::span<const uint16_t> entry_tag;
  std::span<const float> entry_logp;  // log P(word | tag)

  // Unknown words.
  std::span<const double> tag_prob;  // P(tag) over training tokens
  double theta = 0;
  int max_suffix = 0;
  // The suffix trie of one word class: the rows of suffix node n are
  // [begin[n], begin[n + 1]); `total[n]` sums their counts.
  struct SuffixClass {
    StringIndex suffixes;
    std::span<const uint32_t> begin;
    std::span<const uint16_t> tag;
    std::span<const double> count;
    std::span<const double> total;
    std::span<const uint16_t> root_tags;  // the class's tags with a non-zero share
    std::span<const double> root_probs;   // P(tag | class) of each
  };
  SuffixClass suffix[kWordClassCount];

  // The number of tags, and the name of tag id `tag` (< real_tags()).
  int real_tags() const { return static_cast<int>(tags.size()); }
  std::string_view tag_name(int tag) const { return tags.key(tag); }
};

}  // namespace orvit
