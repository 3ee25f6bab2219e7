// Counting pass of the trainer. Each sentence is padded with two start
// states and one end state so every token (and the end) closes one trigram.
#include "orvit/training_counts.h"

#include <algorithm>
#include <map>
#include <unordered_map>

#include "orvit/error.h"

namespace orvit {

namespace {

void add_count(TagCounts& counts, int tag, uint64_t n) {
  for (auto& [t, c] : counts) {
    if (t == tag) {
      c += n;
      return;
    }
  }
  counts.emplace_back(tag, n);
}

void sort_counts(std::vector<TagCounts>& all) {
  for (auto& counts : all) std::sort(counts.begin(), counts.end());
}

// Drops the multi-byte suffixes with too little evidence and sorts each row.
// Counts shrink as suffixes grow, so the kept ones still form a trie.
void prune_suffixes(TrainingCounts& out, int cls) {
  StringTable kept;
  std::vector<TagCounts> kept_tags;
  const StringTable& all = out.suffixes[cls];
  for (size_t id = 0; id < all.size(); ++id) {
    TagCounts& tags = out.suffix_tags[cls][id];
    uint64_t total = 0;
    for (const auto& [t, c] : tags) total += c;
    std::string_view suffix = all.key(static_cast<int32_t>(id));
    if (suffix.size() > 1 && total < static_cast<uint64_t>(out.options.suffix_min)) continue;
    kept.intern(suffix);
    std::sort(tags.begin(), tags.end());
    kept_tags.push_back(std::move(tags));
  }
  out.suffixes[cls] = std::move(kept);
  out.suffix_tags[cls] = std::move(kept_tags);
}

}  // namespace

TrainingCounts count_corpus(const TaggedCorpus& corpus, const TrainOptions& options) {
  TrainingCounts out;
  out.options = options;

  std::map<std::string, int> tag_ids;
  for (const auto& tag : corpus.tags) tag_ids.emplace(tag, 0);
  for (auto& [name, id] : tag_ids) {
    if (name == kStartName || name == kEndName)
      throw Error("the tag \"" + name + "\" is reserved for sentence boundaries");
    id = static_cast<int>(out.tags.size());
    out.tags.push_back(name);
  }
  out.states = static_cast<int>(out.tags.size()) + 2;
  size_t s = static_cast<size_t>(out.states);

  std::vector<int> tag_of(corpus.tags.size());
  for (size_t i = 0; i < corpus.tags.size(); ++i) tag_of[i] = tag_ids[corpus.tags[i]];

  // Keyed by (t1 * S + t2) * S + t3: only seen trigrams take memory.
  std::unordered_map<uint64_t, uint64_t> trigram;
  for (size_t k = 0; k + 1 < corpus.starts.size(); ++k) {
    size_t t1 = out.bos(), t2 = out.bos();
    for (size_t i = corpus.starts[k]; i < corpus.starts[k + 1]; ++i) {
      size_t t3 = tag_of[i];
      ++trigram[(t1 * s + t2) * s + t3];
      t1 = t2;
      t2 = t3;
    }
    ++trigram[(t1 * s + t2) * s + out.eos()];
  }
  out.trigrams.reserve(trigram.size());
  for (const auto& [key, count] : trigram)
    out.trigrams.push_back({static_cast<int>(key / s / s), static_cast<int>(key / s % s),
                            static_cast<int>(key % s), count});
  sort_and_merge(out.trigrams);

  for (size_t i = 0; i < corpus.words.size(); ++i) {
    int id = out.words.intern(corpus.words[i]);
    if (static_cast<size_t>(id) == out.word_tags.size()) out.word_tags.emplace_back();
    add_count(out.word_tags[id], tag_of[i], 1);
  }
  sort_counts(out.word_tags);

  // Suffixes of rare words stand in for words never seen in training.
  for (size_t id = 0; id < out.words.size(); ++id) {
    uint64_t total = 0;
    for (const auto& [t, c] : out.word_tags[id]) total += c;
    if (total > static_cast<uint64_t>(options.rare_max)) continue;
    std::string_view word = out.words.key(static_cast<int32_t>(id));
    int cls = word_class(word);
    size_t longest = std::min(word.size(), static_cast<size_t>(options.max_suffix));
    for (size_t len = 1; len <= longest; ++len) {
      int node = out.suffixes[cls].intern(word.substr(word.size() - len));
      auto& tags = out.suffix_tags[cls];
      if (static_cast<size_t>(node) == tags.size()) tags.emplace_back();
      for (const auto& [t, c] : out.word_tags[id]) add_count(tags[node], t, c);
    }
  }
  for (int cls = 0; cls < kWordClassCount; ++cls) prune_suffixes(out, cls);
  return out;
}

}  // namespace orvit
