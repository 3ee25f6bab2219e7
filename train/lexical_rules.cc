// Choosing the words that get tags of their own, from chunk-tag statistics of the
// training corpus, and writing them as tag-fix rules.
#include "train/lexical_rules.h"

#include <cmath>
#include <map>
#include <utility>

namespace vornik {

namespace {

// Only words that need no escaping in a pattern and cannot split a chunk tag's pieces.
bool plain_word(const std::string &word) {
  for (char c : word)
    if (!((c >= 'a' && c <= 'z') || c == '\'')) return false;
  return !word.empty();
}

// A tag that reads back as itself in a rule: "#" would start a new condition, "=" a
// new component, a leading "~" a negation, "/" would split the chunk tag made from it.
bool plain_tag(const std::string &tag) {
  if (tag.empty() || tag[0] == '~') return false;
  return tag.find_first_of("#=/") == std::string::npos;
}

std::string lower(const std::string &text) {
  std::string out = text;
  for (char &c : out)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  return out;
}

using ChunkCounts = std::map<std::string, long>;

long total(const ChunkCounts &counts) {
  long sum = 0;
  for (const auto &[chunk, n] : counts) sum += n;
  return sum;
}

}  // namespace

std::vector<LexicalPair> select_lexical_pairs(const std::vector<ConllSentence> &corpus,
                                              const LexicalChoice &choice) {
  std::map<std::string, ChunkCounts> by_pos;
  // Ordered by (POS, word), which is the order of the rules written.
  std::map<std::pair<std::string, std::string>, ChunkCounts> by_pair;
  for (const ConllSentence &sentence : corpus) {
    for (const ConllToken &token : sentence.tokens) {
      ++by_pos[token.pos][token.chunk];
      std::string word = lower(token.word);
      if (plain_word(word) && plain_tag(token.pos)) ++by_pair[{token.pos, word}][token.chunk];
    }
  }
  std::vector<LexicalPair> chosen;
  for (const auto &[key, counts] : by_pair) {
    long n = total(counts);
    if (n < choice.min_count && n < choice.min_token_count) continue;
    const ChunkCounts &cls = by_pos[key.first];
    double class_n = static_cast<double>(total(cls));
    double divergence = 0;
    for (const auto &[chunk, k] : counts) {
      double p = static_cast<double>(k) / static_cast<double>(n);
      double q = static_cast<double>(cls.at(chunk)) / class_n;
      divergence += p * std::log(p / q);
    }
    double score = static_cast<double>(n) * divergence;
    bool own_state = n >= choice.min_count && score >= choice.min_score;
    if (own_state || n >= choice.min_token_count)
      chosen.push_back({key.second, key.first, n, score, own_state});
  }
  return chosen;
}

std::string lexical_rules_text(const std::vector<LexicalPair> &pairs) {
  std::string text;
  for (const LexicalPair &p : pairs)
    text += "fix # =" + p.pos + "=^" + p.word + "$ -> " + p.pos + (p.own_state ? "-" : "@") +
            p.word + "\n";
  return text;
}

std::string state_token(const std::string &token) {
  size_t at = token.find('@');
  return at == std::string::npos || at == 0 ? token : token.substr(0, at);
}

}  // namespace vornik
