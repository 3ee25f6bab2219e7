// Sentence tagging: builds the candidate lattice (lexicon entries, or the suffix guess for
// unknown words) and runs Viterbi.
#include "orvit/tagger.h"

// A capitalised word at the start of a sentence (or after an opening quote) that is
// unknown is looked up again in lowercase, since capitalisation there says nothing about
// the word.

namespace orvit {

Tagger::Tagger(const ModelView& model, double beam)
    : model_(model), beam_(beam), guesser_(model) {}

int32_t Tagger::lexicon_entry(const std::vector<std::string_view>& tokens, size_t i) {
  std::string_view word = tokens[i];
  int32_t id = model_.words.find(word);
  if (id >= 0) return id;
  if (word.empty() || !is_ascii_upper(word[0])) return -1;
  bool initial = i == 0 || tokens[i - 1] == "``";
  bool shouting = word.size() > 1;
  for (char c : word)
    if (c >= 'a' && c <= 'z') shouting = false;
  if (!initial && !shouting) return -1;
  lower_.assign(word);
  for (char& c : lower_)
    if (is_ascii_upper(c)) c = static_cast<char>(c - 'A' + 'a');
  return model_.words.find(lower_);
}

const std::vector<uint16_t>& Tagger::tag(const std::vector<std::string_view>& tokens) {
  lattice_.clear();
  const uint16_t* tags = model_.entry_tag.data();
  const float* logp = model_.entry_logp.data();
  for (size_t i = 0; i < tokens.size(); ++i) {
    int32_t id = lexicon_entry(tokens, i);
    if (id >= 0) {
      for (uint32_t e = model_.word_begin[id]; e < model_.word_begin[id + 1]; ++e)
        lattice_.add(tags[e], logp[e]);
    } else {
      SuffixGuesser::Guess g = guesser_.guess(tokens[i]);
      for (uint32_t k = 0; k < g.size; ++k) lattice_.add(g.tags[k], g.logp[k]);
    }
    lattice_.end_token();
  }
  viterbi_.decode(model_.transitions, lattice_, beam_, best_);
  return best_;
}

}  // namespace orvit
