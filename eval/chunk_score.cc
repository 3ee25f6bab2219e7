// Counting and the fixed-width report of ChunkScore. The report layout is parsed by
// scripts (the "overall" row's fourth field is F1), so it never changes with the data.
#include "eval/chunk_score.h"

#include <cstdarg>
#include <cstdio>

namespace vornik {
namespace {

__attribute__((format(printf, 2, 3))) void appendf(std::string &out, const char *format, ...) {
  va_list args, again;
  va_start(args, format);
  va_copy(again, args);
  const int size = std::vsnprintf(nullptr, 0, format, args);
  va_end(args);
  const std::size_t at = out.size();
  out.resize(at + size + 1);
  std::vsnprintf(out.data() + at, size + 1, format, again);
  va_end(again);
  out.resize(at + size);
}

double percent(std::size_t part, std::size_t whole) { return whole ? 100.0 * part / whole : 0.0; }

}  // namespace

void ChunkScore::add(const Sentence &gold, const Sentence &found) {
  ++sentences_;
  tokens_ += gold.words.size();
  for (std::size_t i = 0; i < gold.tags.size(); ++i) tags_correct_ += gold.tags[i] == found.tags[i];
  for (const Chunk &chunk : gold.chunks) ++types_[chunk.type].gold;
  // Both chunk lists are in sentence order without overlaps, so a found chunk can only
  // match the gold chunk that starts at its first word.
  auto g = gold.chunks.begin();
  for (const Chunk &chunk : found.chunks) {
    Counts &counts = types_[chunk.type];
    ++counts.found;
    while (g != gold.chunks.end() && g->begin < chunk.begin) ++g;
    if (g != gold.chunks.end() && *g == chunk) ++counts.correct;
  }
}

std::string ChunkScore::report() const {
  Counts all;
  for (const auto &[type, counts] : types_) {
    all.gold += counts.gold;
    all.found += counts.found;
    all.correct += counts.correct;
  }
  std::string out;
  appendf(out, "sentences: %zu  tokens: %zu\n", sentences_, tokens_);
  appendf(out, "POS accuracy: %.2f%% (%zu of %zu)\n", percent(tags_correct_, tokens_),
          tags_correct_, tokens_);
  appendf(out, "chunks: gold %zu  found %zu  correct %zu\n", all.gold, all.found, all.correct);
  appendf(out, "%-8s %10s %9s %8s %7s %7s\n", "type", "precision", "recall", "F1", "gold", "found");
  auto row = [&](const std::string &type, const Counts &counts) {
    const double p = percent(counts.correct, counts.found),
                 r = percent(counts.correct, counts.gold);
    appendf(out, "%-8s %9.2f%% %8.2f%% %8.2f %7zu %7zu\n", type.c_str(), p, r,
            p + r > 0 ? 2 * p * r / (p + r) : 0.0, counts.gold, counts.found);
  };
  for (const auto &[type, counts] : types_) row(type, counts);
  row("overall", all);
  return out;
}

}  // namespace vornik
