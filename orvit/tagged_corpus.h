// A tagged training corpus in memory: tokens and their tags, grouped into
// sentences, read from a column file (blank line ends a sentence).
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace orvit {

struct TaggedCorpus {
  std::vector<std::string> words;
  std::vector<std::string> tags;
  // Sentence i spans tokens [starts[i], starts[i+1]); starts.back() == size.
  std::vector<size_t> starts{0};

  // The number of sentences.
  size_t sentence_count() const { return starts.size() - 1; }
};

// A corpus's tags as labels: their names sorted (label id = position), and the label
// of every token.
struct CorpusLabels {
  std::vector<std::string> names;
  std::vector<uint16_t> of_token;
};
// The labels of `corpus`. Throws Error "no tokens to train on" for an empty corpus and
// "more than N labels" for more than `max_labels` tags.
CorpusLabels corpus_labels(const TaggedCorpus &corpus, int max_labels);

// Parses `text`; columns are 1-based. `name` is used in error messages.
TaggedCorpus parse_tagged_corpus(std::string_view text, const std::string &name, int word_column,
                                 int tag_column);

// Reads and parses `path` ("-" is standard input).
TaggedCorpus read_tagged_corpus(const std::string &path, int word_column, int tag_column);

}  // namespace orvit
