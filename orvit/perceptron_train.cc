// The averaged perceptron trainer. Weights are integers during training (every update
// is +1 or -1), and the averages come from the usual running sum of step-weighted
// updates, so training is exact and its result independent of summation order.
#include "orvit/perceptron_train.h"

#include <unordered_map>

#include "orvit/averaged_weights.h"
#include "orvit/error.h"
#include "orvit/first_order_viterbi.h"

namespace orvit {

namespace {

// The features of every corpus position as indices into the weight rows.
struct FeatureIndex {
  std::vector<uint64_t> keys;                 // feature index -> key (training codes)
  std::vector<uint32_t> at;                   // features of all positions, back to back
  std::vector<size_t> begin{0};               // position p: at[begin[p], begin[p+1])
};

FeatureIndex index_features(const TaggedCorpus& corpus, const std::vector<TokenCodes>& codes,
                            int min_count) {
  std::unordered_map<uint64_t, uint32_t> id;
  std::vector<uint32_t> count;
  FeatureIndex index;
  std::vector<uint64_t> all;  // keys of all positions, in order
  std::vector<size_t> begin{0};
  for (size_t s = 0; s < corpus.sentence_count(); ++s) {
    const size_t first = corpus.starts[s], n = corpus.starts[s + 1] - first;
    for (size_t i = 0; i < n; ++i) {
      for_each_feature(&codes[first], n, i, [&](uint64_t key) {
        auto [it, added] = id.emplace(key, static_cast<uint32_t>(index.keys.size()));
        if (added) {
          index.keys.push_back(key);
          count.push_back(0);
        }
        ++count[it->second];
        all.push_back(it->second);
      });
      begin.push_back(all.size());
    }
  }
  // Renumber the features kept, in order of first appearance.
  std::vector<uint32_t> renumber(index.keys.size(), UINT32_MAX);
  std::vector<uint64_t> kept;
  for (size_t f = 0; f < index.keys.size(); ++f)
    if (count[f] >= static_cast<uint32_t>(min_count)) {
      renumber[f] = static_cast<uint32_t>(kept.size());
      kept.push_back(index.keys[f]);
    }
  index.keys = std::move(kept);
  for (size_t p = 0; p + 1 < begin.size(); ++p) {
    for (size_t k = begin[p]; k < begin[p + 1]; ++k)
      if (renumber[all[k]] != UINT32_MAX) index.at.push_back(renumber[all[k]]);
    index.begin.push_back(index.at.size());
  }
  return index;
}

}  // namespace

void train_perceptron(const TaggedCorpus& corpus, const PerceptronOptions& options,
                      PerceptronModel& model) {
  // At most as many labels as a model may have, so that orvit loads what this writes.
  const CorpusLabels labels = corpus_labels(corpus, kMaxLabels);
  const std::vector<uint16_t>& gold = labels.of_token;
  const size_t L = labels.names.size(), side = L + 1;

  // Token codes over the training vocabulary.
  StringTable parts;
  std::vector<TokenCodes> codes(corpus.words.size());
  for (size_t p = 0; p < codes.size(); ++p) {
    std::string_view cls, word;
    split_token(corpus.words[p], cls, word);
    codes[p].cls = static_cast<uint32_t>(parts.intern(cls)) + 2;
    if (!word.empty()) {
      codes[p].word = static_cast<uint32_t>(parts.intern(word)) + 2;
      codes[p].token = static_cast<uint32_t>(parts.intern(corpus.words[p])) + 2;
    }
    if (parts.size() > kMaxParts) throw Error("more than " + std::to_string(kMaxParts) + " distinct tokens");
  }
  const FeatureIndex index = index_features(corpus, codes, options.min_count);

  // Allowed transitions: those the corpus shows.
  std::vector<bool> allowed(side * side, false);
  for (size_t s = 0; s < corpus.sentence_count(); ++s) {
    size_t prev = L;
    for (size_t p = corpus.starts[s]; p < corpus.starts[s + 1]; ++p) {
      allowed[prev * side + gold[p]] = true;
      prev = gold[p];
    }
    if (corpus.starts[s + 1] > corpus.starts[s]) allowed[prev * side + L] = true;
  }

  // w: current weights; u: sum of step * update, for the averages w - u / step.
  AveragedWeights weights(index.keys.size() * L), tw(side * side);
  std::vector<double> emit, trans(side * side);
  ViterbiWork<double> work;
  std::vector<uint16_t> pred;
  std::vector<size_t> order(corpus.sentence_count());
  for (size_t s = 0; s < order.size(); ++s) order[s] = s;
  uint64_t rng = kShuffleSeed;
  int64_t step = 1;
  for (int epoch = 0; epoch < options.epochs; ++epoch) {
    shuffle_for_pass(order, rng);
    for (size_t c = 0; c < side * side; ++c)
      trans[c] = allowed[c] ? static_cast<double>(tw.w[c]) : kForbidden;
    const std::vector<std::vector<uint16_t>> preds = prepare_predecessors(trans.data(), static_cast<int>(L));
    for (size_t s : order) {
      const size_t first = corpus.starts[s], n = corpus.starts[s + 1] - first;
      if (n == 0) continue;
      emit.assign(n * L, 0.0);
      for (size_t i = 0; i < n; ++i)
        for (size_t k = index.begin[first + i]; k < index.begin[first + i + 1]; ++k) {
          const int32_t* row = &weights.w[static_cast<size_t>(index.at[k]) * L];
          for (size_t y = 0; y < L; ++y) emit[i * L + y] += row[y];
        }
      pred.resize(n);
      viterbi_first_order(emit.data(), n, static_cast<int>(L), trans.data(), preds, work, pred.data());
      for (size_t i = 0; i <= n; ++i) {
        const size_t g = i < n ? gold[first + i] : L, y = i < n ? pred[i] : L;
        const size_t gp = i > 0 ? gold[first + i - 1] : L, yp = i > 0 ? pred[i - 1] : L;
        if (g != y && i < n) {
          for (size_t k = index.begin[first + i]; k < index.begin[first + i + 1]; ++k) {
            const size_t row = static_cast<size_t>(index.at[k]) * L;
            weights.add(row + g, 1, step);
            weights.add(row + y, -1, step);
          }
        }
        if (g != y || gp != yp) {
          const size_t gc = gp * side + g, yc = yp * side + y;
          tw.add(gc, 1, step);
          trans[gc] = tw.w[gc];
          if (allowed[yc]) {
            tw.add(yc, -1, step);
            trans[yc] = tw.w[yc];
          }
        }
      }
      ++step;
    }
  }

  model.set_labels(labels.names);
  for (size_t c = 0; c < side * side; ++c)
    if (allowed[c]) model.set_transition(static_cast<int>(c / side), static_cast<int>(c % side), tw.average(c, step));
  std::vector<float> row(L);
  for (size_t f = 0; f < index.keys.size(); ++f) {
    const float largest = weights.average_row(f * L, step, row);
    if (largest == 0 || largest < options.min_weight) continue;
    // Re-code the key's parts in the model's own part table.
    const uint64_t key = index.keys[f];
    uint32_t code[3] = {0, 0, 0};
    for (int k = 0; k < 3; ++k) {
      const uint32_t c = static_cast<uint32_t>(key >> (5 + 19 * k)) & ((1u << 19) - 1);
      code[k] = c < 2 ? c : static_cast<uint32_t>(model.intern_part(parts.key(static_cast<int32_t>(c - 2)))) + 2;
    }
    model.add_feature(feature_key((key & 31) - 1, code[0], code[1], code[2]), row.data());
  }
  model.finish();
}

}  // namespace orvit
