// Rebuilding running text from corpus tokens, placing tokens on text, and counting
// what agrees by character spans. Spans of both sides are in text order, so every
// comparison is one merge.
#include "eval/token_agreement.h"

#include <algorithm>
#include <cstdio>
#include <set>
#include <sstream>
#include <tuple>

#include "orvit/error.h"
#include "tokenize/tokenizer.h"

namespace vornik {
namespace {

bool is_one_of(std::string_view token, std::initializer_list<std::string_view> list) {
  return std::find(list.begin(), list.end(), token) != list.end();
}

bool is_clitic(std::string_view token) {
  std::string lower(token);
  for (char &c : lower) c = static_cast<char>(c >= 'A' && c <= 'Z' ? c + 32 : c);
  return is_one_of(lower, {"n't", "'s", "'re", "'ve", "'m", "'ll", "'d"});
}

bool no_blank_before(std::string_view token) {
  return is_one_of(token, {",", ".", ";", ":", "?", "!", "%", "''", "'", "-RRB-", "-RSB-", "-RCB-",
                           "..."}) ||
         is_clitic(token);
}

bool no_blank_after(std::string_view token) {
  return is_one_of(token, {"``", "`", "-LRB-", "-LSB-", "-LCB-", "#"}) ||
         (!token.empty() && token.back() == '$');
}

// The corpus's "." after an abbreviation that ends a sentence ("U.S. .").
bool added_period(std::string_view token, std::string_view before) {
  return token == "." && before.size() > 1 && before.back() == '.' && before != "...";
}

// "\/" and "\*" as "/" and "*": the corpus escapes them, the tokenizer does not.
std::string unescaped(std::string_view token) {
  std::string result;
  for (std::size_t i = 0; i < token.size(); ++i) {
    if (token[i] == '\\' && i + 1 < token.size() && (token[i + 1] == '/' || token[i + 1] == '*'))
      ++i;
    result += token[i];
  }
  return result;
}

std::string percent(std::size_t part, std::size_t whole) {
  char buffer[32];
  std::snprintf(buffer, sizeof buffer, "%.2f%%", whole == 0 ? 0.0 : 100.0 * part / whole);
  return buffer;
}

// "gold G  found F  LABEL A  precision P%  recall R%  NAME F%".
std::string scores(std::size_t gold, std::size_t found, std::size_t right, const char *label,
                   const char *f1_name) {
  double p = found == 0 ? 0 : double(right) / found, r = gold == 0 ? 0 : double(right) / gold;
  char buffer[200];
  std::snprintf(buffer, sizeof buffer,
                "gold %zu  found %zu  %s %zu  precision %.2f%%  recall %.2f%%  %s %.2f%%\n", gold,
                found, label, right, 100 * p, 100 * r, f1_name,
                p + r == 0 ? 0.0 : 100 * 2 * p * r / (p + r));
  return buffer;
}

}  // namespace

std::string written_form(std::string_view token) {
  if (token == "``" || token == "''") return "\"";
  if (token == "`") return "'";
  static constexpr std::string_view kBrackets[][2] = {{"-LRB-", "("}, {"-RRB-", ")"},
                                                      {"-LSB-", "["}, {"-RSB-", "]"},
                                                      {"-LCB-", "{"}, {"-RCB-", "}"}};
  for (const auto &pair : kBrackets)
    if (token == pair[0]) return std::string(pair[1]);
  return unescaped(token);
}

std::string rebuild_text(const std::vector<std::vector<std::string>> &sentences, PlacedTokens *gold,
                         std::size_t width) {
  std::string text;
  std::size_t line_start = 0;
  std::string_view before;  // the token written last
  for (const std::vector<std::string> &sentence : sentences) {
    for (const std::string &token : sentence) {
      gold->tokens.push_back(token);
      if (added_period(token, before)) {
        gold->spans.push_back({text.size(), text.size()});
        continue;
      }
      std::string written = written_form(token);
      if (!text.empty() && !no_blank_before(token) && !no_blank_after(before)) {
        bool wrap = text.size() - line_start + 1 + written.size() > width;
        text += wrap ? '\n' : ' ';
        if (wrap) line_start = text.size();
      }
      gold->spans.push_back({text.size(), text.size() + written.size()});
      text += written;
      before = token;
    }
    gold->sentence_ends.push_back(gold->tokens.size());
  }
  if (!text.empty()) text += '\n';
  return text;
}

PlacedTokens place_tokens(std::string_view text,
                          const std::vector<std::vector<std::string>> &sentences,
                          const std::string &name) {
  PlacedTokens placed;
  std::size_t end = 0;  // where the token before ended
  for (const std::vector<std::string> &sentence : sentences) {
    for (const std::string &token : sentence) {
      std::string written = written_form(token);
      std::size_t begin = end;
      while (begin < text.size() && (text[begin] == ' ' || text[begin] == '\n')) ++begin;
      if (text.compare(begin, written.size(), written) == 0) {
        end = begin + written.size();
        placed.spans.push_back({begin, end});
      } else if (token == ".") {
        placed.spans.push_back({end, end});
      } else {
        throw orvit::Error(name + ": token " + std::to_string(placed.tokens.size() + 1) + " ('" +
                           token + "') is not the text at offset " + std::to_string(begin) + " ('" +
                           std::string(text.substr(begin, 20)) + "')");
      }
      placed.tokens.push_back(token);
    }
    placed.sentence_ends.push_back(placed.tokens.size());
  }
  return placed;
}

std::vector<std::vector<std::string>> read_token_lines(std::string_view tokenized) {
  std::vector<std::vector<std::string>> sentences(1);
  while (!tokenized.empty()) {
    std::size_t newline = tokenized.find('\n');
    std::string_view line = tokenized.substr(0, newline);
    tokenized.remove_prefix(newline == std::string_view::npos ? tokenized.size() : newline + 1);
    std::size_t first = line.find_first_not_of(" \t\r");
    if (first == std::string_view::npos) {
      if (!sentences.back().empty()) sentences.emplace_back();
    } else if (!line.starts_with("%%") && line[first] != '<') {
      sentences.back().emplace_back(line);
    }
  }
  if (sentences.back().empty()) sentences.pop_back();
  return sentences;
}

Agreement compare_tokens(const PlacedTokens &gold, const PlacedTokens &found) {
  Agreement result;
  result.gold_tokens = gold.tokens.size();
  result.found_tokens = found.tokens.size();
  using Key = std::tuple<std::size_t, std::size_t, std::string>;
  std::set<Key> gold_keys;
  for (std::size_t i = 0; i < gold.tokens.size(); ++i)
    gold_keys.insert({gold.spans[i].begin, gold.spans[i].end, unescaped(gold.tokens[i])});
  for (std::size_t i = 0; i < found.tokens.size(); ++i)
    result.agreeing_tokens +=
        gold_keys.count({found.spans[i].begin, found.spans[i].end, unescaped(found.tokens[i])});

  auto ends = [](const PlacedTokens &placed) {
    std::set<std::size_t> offsets;
    for (std::size_t end : placed.sentence_ends)
      if (end > 0) offsets.insert(placed.spans[end - 1].end);
    return offsets;
  };
  std::set<std::size_t> gold_ends = ends(gold), found_ends = ends(found);
  result.gold_sentences = gold.sentence_ends.size();
  result.found_sentences = found.sentence_ends.size();
  for (std::size_t offset : found_ends) result.agreeing_sentences += gold_ends.count(offset);
  return result;
}

std::vector<std::vector<std::string>> corpus_words(const std::vector<ConllSentence> &corpus) {
  std::vector<std::vector<std::string>> sentences;
  for (const ConllSentence &sentence : corpus) {
    sentences.emplace_back();
    for (const ConllToken &token : sentence.tokens) sentences.back().push_back(token.word);
  }
  return sentences;
}

Agreement measure_tokenizer(const std::vector<std::vector<std::string>> &sentences) {
  PlacedTokens gold;
  const std::string text = rebuild_text(sentences, &gold);
  std::istringstream in(text);
  std::ostringstream out;
  tokenize(in, out);
  return compare_tokens(gold, place_tokens(text, read_token_lines(out.str()), "vornik-tokenize"));
}

std::string agreement_report(const Agreement &a) {
  return "tokens: " +
         scores(a.gold_tokens, a.found_tokens, a.agreeing_tokens, "agreeing", "agreement") +
         "sentence ends: " +
         scores(a.gold_sentences, a.found_sentences, a.agreeing_sentences, "agreeing", "F1");
}

ChunkAgreement compare_chunks(const std::vector<Sentence> &gold, const PlacedTokens &gold_places,
                              const std::vector<Sentence> &found,
                              const PlacedTokens &found_places) {
  using Key = std::tuple<std::size_t, std::size_t, std::string>;
  // Chunks as character spans, and each word's tag.
  auto collect = [](const std::vector<Sentence> &sentences, const PlacedTokens &places,
                    const char *side, std::set<Key> *chunks, std::vector<std::string> *tags) {
    std::size_t offset = 0;
    for (const Sentence &sentence : sentences) {
      if (offset + sentence.words.size() > places.spans.size())
        throw orvit::Error(std::string(side) + ": more words than tokens were placed on the text");
      for (const Chunk &chunk : sentence.chunks)
        chunks->insert({places.spans[offset + chunk.begin].begin,
                        places.spans[offset + chunk.end - 1].end, chunk.type});
      for (std::size_t i = 0; i < sentence.words.size(); ++i)
        tags->push_back(i < sentence.tags.size() ? sentence.tags[i] : "");
      offset += sentence.words.size();
    }
    if (offset != places.spans.size())
      throw orvit::Error(std::string(side) + ": fewer words than tokens were placed on the text");
  };
  std::set<Key> gold_chunks, found_chunks;
  std::vector<std::string> gold_tags, found_tags;
  collect(gold, gold_places, "gold", &gold_chunks, &gold_tags);
  collect(found, found_places, "found", &found_chunks, &found_tags);

  ChunkAgreement result;
  result.gold = gold_chunks.size();
  result.found = found_chunks.size();
  for (const Key &chunk : found_chunks) result.correct += gold_chunks.count(chunk);
  // Tags of agreeing tokens: walk both token lists in text order.
  std::size_t g = 0;
  for (std::size_t f = 0; f < found_places.spans.size(); ++f) {
    const Span &span = found_places.spans[f];
    while (g < gold_places.spans.size() &&
           std::tie(gold_places.spans[g].begin, gold_places.spans[g].end) <
               std::tie(span.begin, span.end))
      ++g;
    if (g < gold_places.spans.size() && gold_places.spans[g] == span &&
        unescaped(gold_places.tokens[g]) == unescaped(found_places.tokens[f])) {
      ++result.tagged;
      result.tags_correct += gold_tags[g] == found_tags[f];
    }
  }
  return result;
}

std::string chunk_report(const ChunkAgreement &a) {
  return "chunks: " + scores(a.gold, a.found, a.correct, "correct", "F1") +
         "POS accuracy on agreeing tokens: " + percent(a.tags_correct, a.tagged) + " (" +
         std::to_string(a.tags_correct) + " of " + std::to_string(a.tagged) + ")\n";
}

}  // namespace vornik
