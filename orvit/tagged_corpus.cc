// Reader for tagged corpora: picks the token and tag columns from each row,
// skips "%%" comments and reports rows lacking a column by file and line.
#include "orvit/tagged_corpus.h"

#include <map>

#include "orvit/error.h"
#include "orvit/file_io.h"
#include "orvit/text_scan.h"

namespace orvit {

TaggedCorpus parse_tagged_corpus(std::string_view text, const std::string& name,
                                 int word_column, int tag_column) {
  TaggedCorpus corpus;
  int last_column = word_column > tag_column ? word_column : tag_column;
  auto end_sentence = [&] {
    if (corpus.words.size() > corpus.starts.back()) corpus.starts.push_back(corpus.words.size());
  };
  for_each_line(text, [&](std::string_view line, long number) {
    if (is_comment(line)) return;
    std::string_view word, tag;
    size_t pos = 0;
    int column = 0;
    while (column < last_column) {
      std::string_view field = next_column(line, pos);
      if (field.empty()) break;
      ++column;
      if (column == word_column) word = field;
      if (column == tag_column) tag = field;
    }
    if (column == 0) {
      end_sentence();
      return;
    }
    if (column < last_column) {
      throw Error(where(name, number, "row has no column " + std::to_string(last_column) +
                                          ": " + quote_row(line)));
    }
    corpus.words.emplace_back(word);
    corpus.tags.emplace_back(tag);
  });
  end_sentence();
  return corpus;
}

CorpusLabels corpus_labels(const TaggedCorpus& corpus, int max_labels) {
  if (corpus.words.empty()) throw Error("no tokens to train on");
  std::map<std::string_view, uint16_t> label_of;
  for (const std::string& tag : corpus.tags) {
    label_of.emplace(tag, 0);
    if (label_of.size() > static_cast<size_t>(max_labels))
      throw Error("more than " + std::to_string(max_labels) + " labels");
  }
  CorpusLabels labels;
  for (auto& [name, id] : label_of) {
    id = static_cast<uint16_t>(labels.names.size());
    labels.names.emplace_back(name);
  }
  labels.of_token.reserve(corpus.tags.size());
  for (const std::string& tag : corpus.tags) labels.of_token.push_back(label_of[tag]);
  return labels;
}

TaggedCorpus read_tagged_corpus(const std::string& path, int word_column, int tag_column) {
  return parse_tagged_corpus(read_file(path), path == "-" ? "<stdin>" : path, word_column,
                             tag_column);
}

}  // namespace orvit
