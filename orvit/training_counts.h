// Counts gathered from a tagged corpus by the trainer: tag trigrams with
// sentence boundary states, the word/tag lexicon and suffix counts of rare
// words. Everything a model file stores is derived from these.
#pragma once

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "orvit/ngram_stats.h"
#include "orvit/string_table.h"
#include "orvit/tagged_corpus.h"
#include "orvit/word_class.h"

namespace orvit {

struct TrainOptions {
  int rare_max = 10;    // words seen at most this often feed the suffix tries
  int max_suffix = 10;  // longest suffix (in bytes) the tries hold
  // Suffixes longer than one byte are kept only when at least this many
  // rare-word tokens end in them: thinner evidence overrides the shorter
  // suffixes' better estimates, which costs accuracy on unknown words.
  int suffix_min = 10;
  // Words seen at most this often also take the unknown-word guess, with
  // this weight (see Model::set_known_guess): a word seen once or twice has
  // often not shown all its tags. 0 turns it off.
  int known_guess_max = 3;
  double known_guess_weight = 0.1;
};

// (tag id, count) pairs, sorted by tag id.
using TagCounts = std::vector<std::pair<int, uint64_t>>;

struct TrainingCounts {
  TrainOptions options;
  std::vector<std::string> tags;  // real tags, sorted bytewise; id = index
  int states = 0;                 // tags.size() + 2: start state, then end state
  int bos() const { return states - 2; }
  int eos() const { return states - 1; }
  // How often t3 followed t1 t2, for every trigram seen; sorted by ids.
  std::vector<TrigramCount> trigrams;

  StringTable words;
  std::vector<TagCounts> word_tags;  // indexed by word id
  // Optional backoff classes (see Model::set_tag_class): tag_class[t] is the id of
  // the tag whose transitions t's rare contexts borrow from; empty for none.
  std::vector<int> tag_class;
  double class_weight = 0;
  StringTable suffixes[kWordClassCount];
  std::vector<TagCounts> suffix_tags[kWordClassCount];
};

// Names reserved for the boundary states; a corpus may not use them as tags.
inline constexpr const char* kStartName = "<s>";
inline constexpr const char* kEndName = "</s>";

// Counts `corpus`; throws Error if a reserved name is used as a tag.
TrainingCounts count_corpus(const TaggedCorpus& corpus, const TrainOptions& options);

}  // namespace orvit
