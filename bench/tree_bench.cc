// Micro-benchmark of tree decoding and printing: decodes and prints many sentences in
// each tree output mode to /dev/null and reports sentences per second (median of runs),
// and the bytes allocated once the node pool is warm (expected 0).
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "driver/error.h"
#include "driver/parser.h"
#include "driver/vornik.h"
#include "symtab/lexicon.h"
#include "tree/chunkenc.h"

namespace {
struct BenchSentence {
  std::vector<std::string> words;
  std::vector<char *> word_ptrs;
  std::vector<int> pos_tags;
  std::string depths;
  std::vector<int> categories;
};

// Deterministic pseudo-random sentences of 5 to 45 words over all depth characters.
std::vector<BenchSentence> make_sentences(int count) {
  const char depth_choice[] = "000000---++1=dui2";
  const char *const category_choice[] = {"NP", "VP", "PP", "AP", "ADVP", "_"};
  const char *const tag_choice[] = {"DET", "NOUN", "VERB", "ADJ", "PREP", "ADV", "PUNCT"};
  const char *const word_choice[] = {"the", "vorp", "plinks", "grelly", "of", "very", ".",
                                     "zub", "a", "dask", "consequentially"};
  unsigned state = 12345;
  auto next = [&state](unsigned range) {
    state = state * 1103515245u + 12345u;
    return (state >> 16) % range;
  };
  std::vector<BenchSentence> sentences(count);
  for (BenchSentence &s : sentences) {
    const int length = 5 + static_cast<int>(next(41));
    for (int i = 0; i < length; ++i) {
      s.words.emplace_back(word_choice[next(11)]);
      s.pos_tags.push_back(tagtoint(tag_choice[next(7)]));
      s.depths += i == 0 ? '1' : depth_choice[next(sizeof depth_choice - 1)];
      const char *category = category_choice[next(6)];
      s.categories.push_back(category[0] == '_' ? 0 : tagtoint(category));
    }
    for (std::string &word : s.words) s.word_ptrs.push_back(word.data());
  }
  return sentences;
}

double run_once(FILE *out, std::vector<BenchSentence> &sentences, int rounds) {
  const auto start = std::chrono::steady_clock::now();
  for (int r = 0; r < rounds; ++r) {
    for (BenchSentence &s : sentences) {
      chunks_to_tree(out, s.word_ptrs.data(), s.depths.data(), s.pos_tags.data(),
                     s.categories.data(), static_cast<int>(s.depths.size()));
      std::fputc('\n', out);  // what the sentence loop adds
      ++sentence_num;
    }
  }
  const std::chrono::duration<double> seconds = std::chrono::steady_clock::now() - start;
  return rounds * static_cast<double>(sentences.size()) / seconds.count();
}
}  // namespace

int main(int argc, char **argv) {
  const int runs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 7;
  const int rounds = argc > 2 ? std::max(1, std::atoi(argv[2])) : 20;
  lexicon_init();
  std::vector<BenchSentence> sentences = make_sentences(1000);
  long words = 0;
  for (const BenchSentence &s : sentences) words += static_cast<long>(s.depths.size());
  FILE *out = std::fopen("/dev/null", "w");
  if (!out) return 1;

  struct Mode { const char *name; int lisp; int negra; };
  const Mode modes[] = {{"bracketing", 0, 0}, {"lisp", 1, 0}, {"negra", 0, 1}};
  std::printf("%zu sentences (%ld words) x %d rounds per run, median of %d runs\n",
              sentences.size(), words, rounds, runs);
  for (const Mode &mode : modes) {
    lisp_output_bool = mode.lisp;
    negra_output_bool = mode.negra;
    run_once(out, sentences, 1);  // warm the node pool
    const std::size_t warm = memory_allocated;
    std::vector<double> rates;
    for (int i = 0; i < runs; ++i) rates.push_back(run_once(out, sentences, rounds));
    std::sort(rates.begin(), rates.end());
    std::printf("%-10s %10.0f sentences/s   (min %.0f, max %.0f)   allocated when warm: %zu bytes\n",
                mode.name, rates[rates.size() / 2], rates.front(), rates.back(),
                memory_allocated - warm);
  }
  std::fclose(out);
  return 0;
}
