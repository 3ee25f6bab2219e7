// Building the chunk model's training data through vornik's own tag-fix pass, so that
// training and run time give the chunk tagger the same tokens.
#include "train/chunk_training.h"

#include <cstdio>
#include <cstdlib>
#include <map>
#include <memory>

#include "driver/parser.h"
#include "orvit/error.h"
#include "orvit/file_io.h"
#include "orvit/text_scan.h"
#include "symtab/lexicon.h"
#include "tagfix/fixapply.h"
#include "train/chunk_encoding.h"

namespace vornik {

std::vector<std::string> chunk_tagger_tokens(const ConllSentence &sentence) {
  std::vector<char *> words;
  std::vector<int> tags;
  for (const ConllToken &token : sentence.tokens) {
    words.push_back(const_cast<char *>(token.word.c_str()));
    tags.push_back(tagtoint(token.pos.c_str()));
  }
  char *bytes = nullptr;
  size_t size = 0;
  FILE *out = open_memstream(&bytes, &size);
  if (!out) throw orvit::Error("cannot open a memory stream");
  std::vector<int> chosen(words.size() + 1);
  fix_tagged_sentence(words.data(), tags.data(), static_cast<int>(words.size()), chosen.data());
  tags_to_chunk_tagger(out, chosen.data(), static_cast<int>(words.size()));
  std::fclose(out);
  std::unique_ptr<char, decltype(&std::free)> owned(bytes, &std::free);
  // One row per line; the tagger takes the first column of each, and the blank line
  // that ends the sentence carries no token.
  std::vector<std::string> tokens;
  orvit::for_each_line(std::string_view(bytes, size), [&](std::string_view line, long) {
    std::string_view token = orvit::first_column(line);
    if (!token.empty()) tokens.emplace_back(token);
  });
  return tokens;
}

orvit::TaggedCorpus chunk_training_corpus(const std::vector<ConllSentence> &corpus,
                                          const std::string &file) {
  orvit::TaggedCorpus out;
  for (const ConllSentence &sentence : corpus) {
    std::vector<std::string> tokens = chunk_tagger_tokens(sentence);
    // Two boundary rows before the words and one after them.
    size_t n = sentence.tokens.size();
    if (tokens.size() != n + 3)
      throw orvit::Error(orvit::where(file, sentence.first_line,
                                      "the chunk tagger would not read one row per word"));
    std::vector<std::string> words(tokens.begin() + 2, tokens.begin() + 2 + static_cast<long>(n));
    std::vector<std::string> chunk_tags = encode_chunk_tags(sentence, words, file);
    for (size_t i = 0; i < tokens.size(); ++i) {
      bool boundary = i < 2 || i >= 2 + n;
      out.words.push_back(tokens[i]);
      out.tags.push_back(boundary ? kBoundary : chunk_tags[i - 2]);
    }
    out.starts.push_back(out.words.size());
  }
  return out;
}

std::vector<int> state_classes(const std::vector<std::string> &tags,
                               const std::vector<LexicalPair> &pairs) {
  std::map<std::string, std::string> class_token;  // "IN-that" -> "IN"
  for (const LexicalPair &p : pairs)
    if (p.own_state) class_token[p.pos + "-" + p.word] = p.pos;
  std::map<std::string, int> id;
  for (size_t t = 0; t < tags.size(); ++t) id[tags[t]] = static_cast<int>(t);
  std::vector<int> classes(tags.size());
  for (size_t t = 0; t < tags.size(); ++t) {
    classes[t] = static_cast<int>(t);
    // token/depth/IOB/category: the token is the first piece.
    const std::string &tag = tags[t];
    const size_t slash = tag.find('/');
    if (slash == std::string::npos) continue;
    auto token = class_token.find(tag.substr(0, slash));
    if (token == class_token.end()) continue;
    auto cls = id.find(token->second + tag.substr(slash));
    if (cls != id.end()) classes[t] = cls->second;
  }
  return classes;
}

}  // namespace vornik
