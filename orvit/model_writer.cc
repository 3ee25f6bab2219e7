// Model file writer: header, tags, smoothing weights, then trigram, lexicon
// and suffix rows, each section sorted so the bytes are reproducible.
#include "orvit/model_writer.h"

#include <algorithm>
#include <cstdio>

#include "orvit/ngram_stats.h"

namespace orvit {

namespace {

std::string number(double x) {
  char buf[40];
  std::snprintf(buf, sizeof buf, "%.17g", x);
  return buf;
}

std::vector<int32_t> sorted_ids(const StringTable& table) {
  std::vector<int32_t> ids(table.size());
  for (size_t i = 0; i < ids.size(); ++i) ids[i] = static_cast<int32_t>(i);
  std::sort(ids.begin(), ids.end(),
            [&](int32_t a, int32_t b) { return table.key(a) < table.key(b); });
  return ids;
}

void append_tag_counts(std::string& out, const std::vector<std::string>& tags,
                       const TagCounts& counts) {
  for (const auto& [t, c] : counts) {
    out += ' ';
    out += tags[t];
    out += ' ';
    out += std::to_string(c);
  }
  out += '\n';
}

}  // namespace

std::string write_model_text(const TrainingCounts& counts) {
  NgramStats stats = make_ngram_stats(counts.trigrams, counts.states);
  std::array<double, 3> lambda = deleted_interpolation(stats, counts.trigrams);
  double theta = suffix_theta(stats, static_cast<int>(counts.tags.size()));

  std::string out;
  out.reserve(1 << 20);
  out += kModelMagic;
  out += "\n# orvit trigram HMM tagger model; see docs/orvit-model-format.md\n";
  out += "tags " + std::to_string(counts.tags.size()) + "\n";
  for (const auto& tag : counts.tags) out += "tag " + tag + "\n";
  out += "lambdas " + number(lambda[0]) + " " + number(lambda[1]) + " " + number(lambda[2]) + "\n";
  out += "theta " + number(theta) + "\n";
  if (!counts.tag_class.empty()) {
    out += "class-weight " + number(counts.class_weight) + "\n";
    for (size_t t = 0; t < counts.tag_class.size(); ++t)
      if (counts.tag_class[t] != static_cast<int>(t))
        out += "class " + counts.tags[t] + " " + counts.tags[counts.tag_class[t]] + "\n";
  }
  out += "rare-max " + std::to_string(counts.options.rare_max) + "\n";
  out += "suffix-length " + std::to_string(counts.options.max_suffix) + "\n";
  out += "suffix-min " + std::to_string(counts.options.suffix_min) + "\n";
  if (counts.options.known_guess_max > 0)
    out += "known-guess " + std::to_string(counts.options.known_guess_max) + " " +
           number(counts.options.known_guess_weight) + "\n";

  auto state_name = [&](int t) -> const std::string& {
    static const std::string start = kStartName, end = kEndName;
    if (t == counts.bos()) return start;
    if (t == counts.eos()) return end;
    return counts.tags[t];
  };
  // Start state first, then real tags, then the end state, so rows read in
  // sentence order.
  auto rank = [&](int t) { return t == counts.bos() ? 0 : t + 1; };
  std::vector<TrigramCount> rows = counts.trigrams;
  std::sort(rows.begin(), rows.end(), [&](const TrigramCount& a, const TrigramCount& b) {
    if (a.t1 != b.t1) return rank(a.t1) < rank(b.t1);
    if (a.t2 != b.t2) return rank(a.t2) < rank(b.t2);
    return rank(a.t3) < rank(b.t3);
  });
  for (const TrigramCount& g : rows)
    out += "trigram " + state_name(g.t1) + " " + state_name(g.t2) + " " + state_name(g.t3) + " " +
           std::to_string(g.count) + "\n";

  for (int32_t id : sorted_ids(counts.words)) {
    out += "word ";
    out += counts.words.key(id);
    append_tag_counts(out, counts.tags, counts.word_tags[id]);
  }
  for (int cls = 0; cls < kWordClassCount; ++cls) {
    for (int32_t id : sorted_ids(counts.suffixes[cls])) {
      out += "suffix ";
      out += word_class_name(cls);
      out += ' ';
      out += counts.suffixes[cls].key(id);
      append_tag_counts(out, counts.tags, counts.suffix_tags[cls][id]);
    }
  }
  return out;
}

}  // namespace orvit
