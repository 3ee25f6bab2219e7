// Benchmark of the tag-fix pass: applies a rule file to a tagged text held in memory
// (word and tag in the first two columns, blank line between sentences), writing to
// /dev/null, and reports the median words per second of several runs.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "driver/parser.h"
#include "symtab/lexicon.h"
#include "tagfix/fixapply.h"
#include "tagfix/fixrules.h"

namespace {
struct Sentence {
  std::vector<char *> words;
  std::vector<int> tags;
};

std::vector<Sentence> read_text(const char *path, std::vector<std::string> &store) {
  std::ifstream in(path);
  if (!in) {
    std::fprintf(stderr, "cannot read %s\n", path);
    std::exit(1);
  }
  std::vector<std::vector<std::string>> words(1);
  std::vector<Sentence> sentences(1);
  for (std::string line; std::getline(in, line);) {
    std::istringstream columns(line);
    std::string word, tag;
    if (!(columns >> word >> tag)) {
      if (!sentences.back().tags.empty()) {
        sentences.emplace_back();
        words.emplace_back();
      }
      continue;
    }
    words.back().push_back(word);
    sentences.back().tags.push_back(tagtoint(tag.c_str()));
  }
  if (sentences.back().tags.empty()) {
    sentences.pop_back();
    words.pop_back();
  }
  // Word strings live in one flat store so the pointers stay put.
  std::size_t total = 0;
  for (const auto &s : words) total += s.size();
  store.reserve(total);
  for (std::size_t i = 0; i < sentences.size(); ++i) {
    for (const std::string &w : words[i]) {
      store.push_back(w);
      sentences[i].words.push_back(store.back().data());
    }
  }
  return sentences;
}

// Median words per second over `runs` passes of the whole text, `repeat` times each.
double median_rate(const std::vector<Sentence> &text, FILE *sink, int repeat, int runs) {
  std::size_t words = 0;
  for (const Sentence &s : text) words += s.tags.size();
  std::vector<double> rates;
  std::vector<int> chosen;
  for (const Sentence &s : text) chosen.resize(std::max(chosen.size(), s.tags.size() + 1));
  for (int run = 0; run < runs; ++run) {
    const auto start = std::chrono::steady_clock::now();
    for (int r = 0; r < repeat; ++r) {
      for (const Sentence &s : text) {
        const int length = static_cast<int>(s.tags.size());
        fix_tagged_sentence(const_cast<char **>(s.words.data()), s.tags.data(), length,
                            chosen.data());
        tags_to_chunk_tagger(sink, chosen.data(), length);
      }
    }
    const std::chrono::duration<double> seconds = std::chrono::steady_clock::now() - start;
    rates.push_back(static_cast<double>(words) * repeat / seconds.count());
  }
  std::sort(rates.begin(), rates.end());
  return rates[rates.size() / 2];
}

int count_rules() {
  int rules = 0;
  for (int tag = 1; tag <= tag_count; ++tag) {
    for (auto *r = static_cast<fix_descr *>(bitrecall(fix_idtrie, static_cast<uint32_t>(tag))); r;
         r = r->next) {
      ++rules;
    }
  }
  return rules;
}
}  // namespace

int main(int argc, char **argv) {
  const char *rules = argc > 1 ? argv[1] : BENCH_RULES;
  const char *text_path = argc > 2 ? argv[2] : BENCH_TEXT;
  const int repeat = argc > 3 ? std::atoi(argv[3]) : 5;
  const int runs = argc > 4 ? std::atoi(argv[4]) : 7;
  std::vector<std::string> store;
  const std::vector<Sentence> text = read_text(text_path, store);
  FILE *sink = std::fopen("/dev/null", "w");
  if (!sink || repeat < 1 || runs < 1) return 1;
  std::size_t words = 0;
  for (const Sentence &s : text) words += s.tags.size();

  init_tries();
  const double bare = median_rate(text, sink, repeat, runs);
  read_fixes(rules);
  const double fixed = median_rate(text, sink, repeat, runs);
  std::printf("text: %zu sentences, %zu words (x%d per run), %d runs\n", text.size(), words,
              repeat, runs);
  std::printf("no rules:  %.0f words/s (median)\n", bare);
  std::printf("%d rules: %.0f words/s (median)\n", count_rules(), fixed);
  return 0;
}
