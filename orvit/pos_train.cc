// The POS perceptron trainer. Weights are integers during training (every update is +1
// or -1) and the averages come from the running sum of step-weighted updates, so the
// result does not depend on summation order.
#include "orvit/pos_train.h"

#include <unordered_map>

#include "orvit/averaged_weights.h"
#include "orvit/candidate_viterbi.h"
#include "orvit/error.h"
#include "orvit/perceptron_model.h"

namespace orvit {

namespace {

// The features every word type gives at each offset, as indices into the weight rows.
struct TypeFeatures {
  std::vector<std::string> keys;   // feature index -> kind byte + value
  std::vector<uint32_t> at;        // lists back to back
  std::vector<uint32_t> begin{0};  // list of (type t, offset o): 5 * t + o + 2
};

}  // namespace

void train_pos_perceptron(const TaggedCorpus &corpus, const PosTrainOptions &options,
                          PosModel &model) {
  const CorpusLabels labels = corpus_labels(corpus, kMaxLabels);
  const std::vector<uint16_t> &gold = labels.of_token;
  const size_t L = labels.names.size(), side = L + 1;
  model.set_labels(labels.names);

  // Word types in order of first appearance (type 0: outside the sentence), their
  // counts and the tags seen with them.
  StringTable types;
  types.intern("");
  std::vector<uint32_t> type(corpus.words.size());
  std::vector<long> count{0};
  std::vector<std::vector<bool>> seen{std::vector<bool>(L)};
  for (size_t p = 0; p < type.size(); ++p) {
    type[p] = static_cast<uint32_t>(types.intern(corpus.words[p]));
    if (type[p] == count.size()) {
      count.push_back(0);
      seen.emplace_back(L);
    }
    ++count[type[p]];
    seen[type[p]][gold[p]] = true;
  }
  const size_t T = types.size();
  std::vector<long> hapax(L, 0);  // words seen once, by tag
  std::vector<uint16_t> tags;
  for (size_t t = 1; t < T; ++t) {
    tags.clear();
    for (size_t y = 0; y < L; ++y)
      if (seen[t][y]) tags.push_back(static_cast<uint16_t>(y));
    const bool restricted = count[t] >= options.dictionary_min;
    if (count[t] >= options.lexicon_min)
      model.add_word(types.key(static_cast<int32_t>(t)), tags, restricted);
    if (count[t] == 1) ++hapax[tags[0]];
  }
  tags.clear();
  for (size_t y = 0; y < L; ++y)
    if (hapax[y] >= options.open_min) tags.push_back(static_cast<uint16_t>(y));
  if (!tags.empty()) model.set_open_labels(tags);

  // Candidates and feature lists of every type.
  std::vector<uint16_t> cand_labels;  // candidates of all types back to back
  std::vector<uint32_t> cand_begin{0};
  TypeFeatures features;
  std::unordered_map<std::string, uint32_t> feature_id;
  std::string shape, key;
  WordInfo info;
  for (size_t t = 0; t < T; ++t) {
    const std::string_view word = types.key(static_cast<int32_t>(t));
    const int32_t d = model.lexicon.find(word);
    model.candidates(d, tags);
    cand_labels.insert(cand_labels.end(), tags.begin(), tags.end());
    cand_begin.push_back(static_cast<uint32_t>(cand_labels.size()));
    model.word_info(word, d, info);
    for (int o = -2; o <= 2; ++o) {
      pos_token_features(word, o, info, shape, [&](PosKind kind, std::string_view value) {
        key.clear();
        append_feature_key(kind, value, key);
        auto [it, added] = feature_id.emplace(key, static_cast<uint32_t>(features.keys.size()));
        if (added) features.keys.push_back(key);
        features.at.push_back(it->second);
      });
      features.begin.push_back(static_cast<uint32_t>(features.at.size()));
    }
  }
  const size_t F = features.keys.size();

  // w: current weights; u: sum of step * update, for the averages w - u / step.
  AveragedWeights weights(F * L), tw(side * side);
  std::vector<double> trans(side * side, 0.0);
  CandidateLattice<double> lattice;
  std::vector<uint16_t> pred;
  std::vector<size_t> order(corpus.sentence_count());
  for (size_t s = 0; s < order.size(); ++s) order[s] = s;
  uint64_t rng = kShuffleSeed;
  int64_t step = 1;
  // Calls fn(feature) for every feature at position i of the sentence starting at `first`.
  const auto for_features = [&](size_t first, size_t n, size_t i, auto &&fn) {
    for (long o = -2; o <= 2; ++o) {
      const long at = static_cast<long>(i) + o;
      const size_t t =
          at < 0 || at >= static_cast<long>(n) ? 0 : type[first + static_cast<size_t>(at)];
      const size_t list = 5 * t + static_cast<size_t>(o + 2);
      for (uint32_t k = features.begin[list]; k < features.begin[list + 1]; ++k) fn(features.at[k]);
    }
  };
  for (int epoch = 0; epoch < options.epochs; ++epoch) {
    shuffle_for_pass(order, rng);
    for (size_t s : order) {
      const size_t first = corpus.starts[s], n = corpus.starts[s + 1] - first;
      if (n == 0) continue;
      lattice.clear();
      for (size_t i = 0; i < n; ++i) {
        const size_t t = type[first + i];
        const size_t slot = lattice.labels.size();
        lattice.labels.insert(lattice.labels.end(), cand_labels.begin() + cand_begin[t],
                              cand_labels.begin() + cand_begin[t + 1]);
        lattice.emit.resize(lattice.labels.size(), 0.0);
        for_features(first, n, i, [&](uint32_t f) {
          const int32_t *row = &weights.w[static_cast<size_t>(f) * L];
          for (size_t k = slot; k < lattice.labels.size(); ++k)
            lattice.emit[k] += row[lattice.labels[k]];
        });
        lattice.begin.push_back(static_cast<uint32_t>(lattice.labels.size()));
      }
      pred.resize(n);
      viterbi_candidates(lattice, static_cast<int>(L), trans.data(), pred.data());
      for (size_t i = 0; i <= n; ++i) {
        const size_t g = i < n ? gold[first + i] : L, y = i < n ? pred[i] : L;
        const size_t gp = i > 0 ? gold[first + i - 1] : L, yp = i > 0 ? pred[i - 1] : L;
        if (g != y && i < n) {
          for_features(first, n, i, [&](uint32_t f) {
            const size_t row = static_cast<size_t>(f) * L;
            weights.add(row + g, 1, step);
            weights.add(row + y, -1, step);
          });
        }
        if (g != y || gp != yp) {
          const size_t gc = gp * side + g, yc = yp * side + y;
          tw.add(gc, 1, step);
          trans[gc] = tw.w[gc];
          tw.add(yc, -1, step);
          trans[yc] = tw.w[yc];
        }
      }
      ++step;
    }
  }

  for (size_t c = 0; c < side * side; ++c)
    model.set_transition(static_cast<int>(c / side), static_cast<int>(c % side), tw.average(c, step));
  std::vector<float> row(L);
  for (size_t f = 0; f < F; ++f) {
    if (weights.average_row(f * L, step, row) == 0) continue;
    const std::string_view k = features.keys[f];
    model.add_feature(static_cast<PosKind>(k[0]), k.substr(1), row.data());
  }
  model.finish();
}

}  // namespace orvit
