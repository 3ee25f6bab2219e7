// The perceptron model kinds: label scores against an oracle built from the feature names,
// decoding against enumeration, model text read back to the same bytes, and training's
// refusal of an empty corpus (what it writes is pinned by the bundled models' regeneration).
#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <cmath>
#include <functional>
#include <map>
#include <random>
#include <string>
#include <vector>

#include "orvit/candidate_viterbi.h"
#include "orvit/error.h"
#include "orvit/first_order_viterbi.h"
#include "orvit/perceptron_model.h"
#include "orvit/perceptron_tagger.h"
#include "orvit/perceptron_train.h"
#include "orvit/pos_model.h"
#include "orvit/pos_tagger.h"
#include "orvit/pos_train.h"

namespace {

using orvit::kForbidden;

// Score of sequence y under emit/trans, as viterbi_first_order defines it.
double sequence_score(const std::vector<double> &emit, const std::vector<double> &trans, int L,
                      const std::vector<int> &y) {
  const size_t side = static_cast<size_t>(L) + 1;
  double s = 0;
  size_t prev = static_cast<size_t>(L);
  for (size_t i = 0; i < y.size(); ++i) {
    s += trans[prev * side + y[i]] + emit[i * L + y[i]];
    prev = static_cast<size_t>(y[i]);
  }
  return s + trans[prev * side + L];
}

bool uses_forbidden(const std::vector<double> &trans, int L, const std::vector<int> &y) {
  const size_t side = static_cast<size_t>(L) + 1;
  size_t prev = static_cast<size_t>(L);
  for (int label : y) {
    if (trans[prev * side + label] == kForbidden) return true;
    prev = static_cast<size_t>(label);
  }
  return trans[prev * side + L] == kForbidden;
}

// Calls f(y) for every sequence whose label y[i] is one of cands[i].
template <typename F>
void for_each_sequence(const std::vector<std::vector<int>> &cands, F f) {
  std::vector<size_t> k(cands.size(), 0);
  std::vector<int> y(cands.size());
  for (;;) {
    for (size_t i = 0; i < cands.size(); ++i) y[i] = cands[i][k[i]];
    f(y);
    size_t i = 0;
    while (i < cands.size() && ++k[i] == cands[i].size()) k[i++] = 0;
    if (i == cands.size()) return;
  }
}

double best_over(const std::vector<std::vector<int>> &cands, const std::vector<double> &emit,
                 const std::vector<double> &trans, int L) {
  double best = -INFINITY;
  for_each_sequence(cands, [&](const std::vector<int> &y) {
    best = std::max(best, sequence_score(emit, trans, L, y));
  });
  return best;
}

// Both decoders on random scores: the first-order one over every label (every third
// transition forbidden, in some rounds all of them), the candidate one over random
// candidate sets, each against enumeration.
TEST(PerceptronDecoding, ViterbiAndCandidateViterbiMatchEnumeration) {
  std::mt19937 rng(7);
  std::uniform_real_distribution<double> score(-3, 3);
  int all_forbidden_cases = 0;
  for (int round = 0; round < 400; ++round) {
    const int L = 1 + round % 4;
    const size_t n = static_cast<size_t>(round % 6);
    std::vector<double> emit(n * L), trans((L + 1) * (L + 1));
    for (double &e : emit) e = score(rng);
    for (size_t c = 0; c < trans.size(); ++c)
      trans[c] = (round % 7 == 6 || rng() % 3 == 0) ? kForbidden : score(rng);
    const auto preds = orvit::prepare_predecessors(trans.data(), L);
    orvit::ViterbiWork<double> work;
    std::vector<uint16_t> out(n), picked(n);
    orvit::viterbi_first_order(emit.data(), n, L, trans.data(), preds, work, out.data());
    std::vector<std::vector<int>> every(n), cands(n);
    orvit::CandidateLattice<double> lattice;
    for (size_t i = 0; i < n; ++i) {
      for (int y = 0; y < L; ++y) {
        every[i].push_back(y);
        if (rng() % 2 == 0 && !(y == L - 1 && cands[i].empty())) continue;
        cands[i].push_back(y);
        lattice.labels.push_back(static_cast<uint16_t>(y));
        lattice.emit.push_back(emit[i * L + y]);
      }
      lattice.begin.push_back(static_cast<uint32_t>(lattice.labels.size()));
    }
    orvit::viterbi_candidates(lattice, L, trans.data(), picked.data());
    if (n == 0) continue;
    // The best allowed sequence, else the best of all.
    double best_allowed = -INFINITY;
    for_each_sequence(every, [&](const std::vector<int> &y) {
      if (!uses_forbidden(trans, L, y))
        best_allowed = std::max(best_allowed, sequence_score(emit, trans, L, y));
    });
    std::vector<int> got(out.begin(), out.end()), got_picked(picked.begin(), picked.end());
    if (best_allowed == -INFINITY) {
      ++all_forbidden_cases;
      EXPECT_NEAR(sequence_score(emit, trans, L, got), best_over(every, emit, trans, L), 1e-9)
          << "round " << round;
    } else {
      EXPECT_FALSE(uses_forbidden(trans, L, got)) << "round " << round;
      EXPECT_NEAR(sequence_score(emit, trans, L, got), best_allowed, 1e-9) << "round " << round;
    }
    for (size_t i = 0; i < n; ++i)
      EXPECT_NE(std::find(cands[i].begin(), cands[i].end(), got_picked[i]), cands[i].end())
          << "round " << round;
    EXPECT_NEAR(sequence_score(emit, trans, L, got_picked), best_over(cands, emit, trans, L), 1e-6)
        << "round " << round;
  }
  EXPECT_GT(all_forbidden_cases, 20);
}

// Equal sums go to the lower label, at the last token and among predecessors.
TEST(PerceptronDecoding, TiesGoToTheLowerLabel) {
  const int L = 3;
  const std::vector<double> trans((L + 1) * (L + 1), 0.0);
  const auto preds = orvit::prepare_predecessors(trans.data(), L);
  const struct {
    std::vector<double> emit;  // 3 tokens
    std::vector<uint16_t> all_labels, labels_1_and_2;
  } cases[] = {
      {{0, 0, 0, 0, 0, 0, 0, 0, 0}, {0, 0, 0}, {1, 1, 1}},
      {{0, 0, 0, 0, 0, 0, 0, 1, 1}, {0, 0, 1}, {1, 1, 1}},
      {{0, 1, 1, 0, 0, 0, 0, 0, 0}, {1, 0, 0}, {1, 1, 1}},
  };
  for (const auto &c : cases) {
    orvit::ViterbiWork<double> work;
    std::vector<uint16_t> out(3);
    orvit::viterbi_first_order(c.emit.data(), 3, L, trans.data(), preds, work, out.data());
    EXPECT_EQ(out, c.all_labels);
    orvit::CandidateLattice<double> lattice;
    for (size_t i = 0; i < 3; ++i) {
      lattice.labels.insert(lattice.labels.end(), {1, 2});
      lattice.emit.insert(lattice.emit.end(), {c.emit[i * L + 1], c.emit[i * L + 2]});
      lattice.begin.push_back(static_cast<uint32_t>(lattice.labels.size()));
    }
    orvit::viterbi_candidates(lattice, L, trans.data(), out.data());
    EXPECT_EQ(out, c.labels_1_and_2);
  }
}

const std::vector<std::string> kClasses = {"DT", "NN", "VB"};
const std::vector<std::string> kWords = {"the", "dog"};

// The class, word and whole token a template reads for token `t` ("" when it has none).
std::string part_text(char kind, const std::string &t) {
  const size_t at = t.find('@');
  const bool lexical = at != std::string::npos;
  if (kind == 'C') return lexical ? t.substr(0, at) : t;
  if (kind == 'W') return lexical ? t.substr(at + 1) : "";
  return lexical ? t : "";
}

// Every feature text that fires at position i, built from the template name alone.
std::vector<std::string> oracle_features(const std::vector<std::string> &tokens, size_t i) {
  std::vector<std::string> out;
  for (const orvit::FeatureTemplate &ft : orvit::feature_templates()) {
    // Parse names like "C-1W0": a kind letter, then a signed offset.
    std::string name = ft.name, text = name;
    bool fires = true;
    for (size_t p = 0; p < name.size() && fires;) {
      const char kind = name[p++];
      size_t q = p + 1;
      while (q < name.size() && std::isdigit(static_cast<unsigned char>(name[q]))) ++q;
      const long at = static_cast<long>(i) + std::stol(name.substr(p, q - p));
      p = q;
      std::string part;
      if (at < 0 || at >= static_cast<long>(tokens.size()))
        part = kind == 'C' ? "<pad>" : "";
      else
        part = part_text(kind, tokens[at]);
      fires = !part.empty();
      text += " " + part;
    }
    if (fires) out.push_back(text);
  }
  return out;
}

std::string random_token(std::mt19937 &rng) {
  const std::string &cls = kClasses[rng() % kClasses.size()];
  return rng() % 2 ? cls : cls + "@" + kWords[rng() % kWords.size()];
}

// A random model text of either kind over the labels A B C: transition rows (about
// one in three left out) and, for the features `fire(tokens, i)` names in 30 sentences
// of `sentence()`, a row of random quarter weights for about two in three of them.
struct RandomModel {
  std::string text;
  std::vector<double> trans = std::vector<double>(16, 0.0);  // from * 4 + to; 3 is <s>, </s>
  std::map<std::string, std::vector<float>> features;
};

template <typename Sentence, typename Fire>
RandomModel random_model(std::mt19937 &rng, const std::string &head, Sentence sentence, Fire fire) {
  RandomModel m;
  m.text = head + "labels 3\nlabel A\nlabel B\nlabel C\n";
  const char *names[] = {"A", "B", "C", "<s>", "</s>"};
  for (int f = 0; f <= 3; ++f)
    for (int t = 0; t <= 3; ++t)
      if (rng() % 3 != 0 && !(f == 3 && t == 3)) {
        m.trans[f * 4 + t] = static_cast<int>(rng() % 9) - 4;
        m.text += std::string("transition ") + names[f] + " " + names[t == 3 ? 4 : t] + " " +
                  std::to_string(static_cast<int>(m.trans[f * 4 + t])) + "\n";
      }
  for (int s = 0; s < 30; ++s) {
    const std::vector<std::string> tokens = sentence();
    for (size_t i = 0; i < tokens.size(); ++i)
      for (const std::string &f : fire(tokens, i)) {
        if (rng() % 3 == 0 || m.features.count(f)) continue;
        std::vector<float> w(3);
        for (float &x : w) x = static_cast<float>(static_cast<int>(rng() % 17) - 8) / 4;
        if (w == std::vector<float>(3, 0.0f)) w[1] = 0.5;
        m.text.append("feature ").append(f);
        for (int y = 0; y < 3; ++y)
          if (w[y] != 0) m.text.append(" ").append(std::to_string(y) + ":" + std::to_string(w[y]));
        m.text += "\n";
        m.features[f] = w;
      }
  }
  return m;
}

TEST(PerceptronScoring, EmissionsAndTagsMatchTheOracle) {
  std::mt19937 rng(11);
  const auto random_sentence = [&] {
    std::vector<std::string> tokens(1 + rng() % 4);
    for (std::string &t : tokens) t = random_token(rng);
    return tokens;
  };
  for (int round = 0; round < 20; ++round) {
    const RandomModel m =
        random_model(rng, "orvit-perceptron 1\n", random_sentence, oracle_features);
    orvit::PerceptronModel model;
    orvit::parse_perceptron_model(m.text, "r.orv", model);
    orvit::PerceptronTagger tagger(model);
    for (int s = 0; s < 20; ++s) {
      std::vector<std::string> tokens(1 + rng() % 5);
      for (std::string &t : tokens) t = rng() % 10 ? random_token(rng) : "XX@unseen";
      std::vector<std::string_view> views(tokens.begin(), tokens.end());
      const std::vector<uint16_t> tags = tagger.tag(views);
      std::vector<double> emit(tokens.size() * 3, 0.0), trans(16);
      for (size_t i = 0; i < tokens.size(); ++i)
        for (const std::string &f : oracle_features(tokens, i)) {
          auto it = m.features.find(f);
          if (it == m.features.end()) continue;
          for (int y = 0; y < 3; ++y) emit[i * 3 + y] += it->second[y];
        }
      for (size_t e = 0; e < emit.size(); ++e)
        ASSERT_NEAR(tagger.emissions()[e], emit[e], 1e-4) << "round " << round << " sentence " << s;
      for (int f = 0; f <= 3; ++f)
        for (int t = 0; t <= 3; ++t) trans[f * 4 + t] = model.transition(f, t);
      const std::vector<std::vector<int>> every(tokens.size(), {0, 1, 2});
      EXPECT_NEAR(sequence_score(emit, trans, 3, std::vector<int>(tags.begin(), tags.end())),
                  best_over(every, emit, trans, 3), 1e-4)
          << "round " << round << " sentence " << s;
    }
    const std::string written = orvit::write_perceptron_model_text(model);
    orvit::PerceptronModel again;
    orvit::parse_perceptron_model(written, "w.orv", again);
    EXPECT_EQ(orvit::write_perceptron_model_text(again), written);
    EXPECT_EQ(again.feature_count(), m.features.size());
  }
}

// The POS oracle's lexicon: "the" is restricted to A, "dog" was seen as A and B.
const std::vector<std::string> kPosWords = {"the", "dog", "Dog", "runs", "x-ray", "3.5", "Ab-1"};

// The shapes of kPosWords and of the unseen word "zz".
const std::map<std::string, std::string> kPosShapes = {
    {"the", "x"},     {"dog", "x"},   {"Dog", "Xx"},    {"runs", "x"},
    {"x-ray", "x-x"}, {"3.5", "d.d"}, {"Ab-1", "Xx-d"}, {"zz", "x"}};

// Every feature text ("KIND VALUE") that fires at position i.
std::vector<std::string> oracle_pos_features(const std::vector<std::string> &tokens, size_t i) {
  std::vector<std::string> out;
  const char *word_kind[] = {"w-2", "w-1", "w0", "w+1", "w+2"};
  const char *boundary_kind[] = {"b-2", "b-1", "", "b+1", "b+2"};
  for (long o = -2; o <= 2; ++o) {
    const long at = static_cast<long>(i) + o;
    if (at < 0 || at >= static_cast<long>(tokens.size())) {
      if (o != 0) out.push_back(std::string(boundary_kind[o + 2]) + " _");
      continue;
    }
    out.push_back(std::string(word_kind[o + 2]) + " " + tokens[at]);
  }
  const std::string &w = tokens[i];
  if (w == "the") return out.push_back("a0 A"), out;
  if (w == "dog") out.push_back("a0 A|B");
  if (w == "Dog") out.push_back("a0 ~A|B");
  for (size_t k = 1; k <= 5 && k <= w.size(); ++k) {
    out.push_back("s" + std::to_string(k) + " " + w.substr(w.size() - k));
    if (k <= 4) out.push_back("p" + std::to_string(k) + " " + w.substr(0, k));
  }
  out.push_back("shape " + kPosShapes.at(w));
  if (w.find('-') != std::string::npos) out.push_back("h " + w.substr(w.find('-') + 1));
  return out;
}

TEST(PosScoring, CandidatesScoresAndTagsMatchTheOracle) {
  std::mt19937 rng(13);
  const auto random_sentence = [&] {
    std::vector<std::string> tokens(1 + rng() % 5);
    for (std::string &t : tokens) t = rng() % 8 ? kPosWords[rng() % kPosWords.size()] : "zz";
    return tokens;
  };
  for (int round = 0; round < 20; ++round) {
    const RandomModel m =
        random_model(rng, "orvit-pos-perceptron 1\n", random_sentence, oracle_pos_features);
    const std::string text = m.text + "open B C\nword the A\nknown dog A B\n";
    orvit::PosModel model;
    orvit::parse_pos_model(text, "r.orv", model);
    orvit::PosTagger tagger(model);
    for (int s = 0; s < 20; ++s) {
      const std::vector<std::string> tokens = random_sentence();
      const std::vector<std::string_view> views(tokens.begin(), tokens.end());
      const std::vector<uint16_t> tags = tagger.tag(views);
      const auto &lattice = tagger.lattice();
      const size_t n = tokens.size();
      ASSERT_EQ(lattice.size(), n);
      std::vector<double> emit(n * 3, -1e9);
      std::vector<std::vector<int>> cands(n);
      for (size_t i = 0; i < n; ++i) {
        cands[i] = tokens[i] == "the" ? std::vector<int>{0} : std::vector<int>{1, 2};
        if (tokens[i] == "dog")
          cands[i] = {0, 1, 2};  // seen, not restricted: its tags and the open ones
        double sum[3] = {0, 0, 0};
        for (const std::string &f : oracle_pos_features(tokens, i))
          if (auto it = m.features.find(f); it != m.features.end())
            for (int y = 0; y < 3; ++y) sum[y] += it->second[y];
        ASSERT_EQ(lattice.begin[i + 1] - lattice.begin[i], cands[i].size()) << tokens[i];
        for (size_t k = 0; k < cands[i].size(); ++k) {
          ASSERT_EQ(lattice.labels[lattice.begin[i] + k], cands[i][k]);
          ASSERT_NEAR(lattice.emit[lattice.begin[i] + k],
                      cands[i].size() > 1 ? sum[cands[i][k]] : 0, 1e-4)
              << "round " << round << " word " << tokens[i];
          emit[i * 3 + cands[i][k]] = sum[cands[i][k]];
        }
      }
      EXPECT_NEAR(sequence_score(emit, m.trans, 3, std::vector<int>(tags.begin(), tags.end())),
                  best_over(cands, emit, m.trans, 3), 1e-4)
          << "round " << round << " sentence " << s;
    }
    const std::string written = orvit::write_pos_model_text(model);
    orvit::PosModel again;
    orvit::parse_pos_model(written, "w.orv", again);
    EXPECT_EQ(orvit::write_pos_model_text(again), written);
    EXPECT_EQ(again.feature_count(), m.features.size());
  }
}

// What training writes for a corpus is pinned byte for byte by the regeneration of the
// bundled models; either kind refuses an empty corpus, and more labels than orvit loads.
TEST(Training, RefusesAnEmptyCorpusAndMoreLabelsThanAModelMayHave) {
  orvit::TaggedCorpus too_many;
  for (int k = 0; k <= orvit::kMaxLabels; ++k) {
    too_many.words.push_back("w");
    too_many.tags.push_back(std::to_string(k));
  }
  too_many.starts.push_back(too_many.words.size());
  const auto refusal = [](const std::function<void()> &train) -> std::string {
    try {
      train();
    } catch (const orvit::Error &error) {
      return error.what();
    }
    return "trained";
  };
  for (const auto &[corpus, message] :
       {std::pair{orvit::TaggedCorpus{}, std::string("no tokens to train on")},
        std::pair{too_many, "more than " + std::to_string(orvit::kMaxLabels) + " labels"}}) {
    orvit::PerceptronModel chunk;
    orvit::PosModel pos;
    EXPECT_EQ(refusal([&] { orvit::train_perceptron(corpus, {}, chunk); }), message);
    EXPECT_EQ(refusal([&] { orvit::train_pos_perceptron(corpus, {}, pos); }), message);
  }
}

}  // namespace
