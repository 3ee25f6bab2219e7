// Viterbi decoding checked against brute-force enumeration of every tag
// sequence on small random models (dense and sparse transition tables agree
// entry by entry and in the paths chosen; a huge beam changes nothing), plus
// hand-worked best paths.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <random>

#include "model.h"
#include "model_loader.h"
#include "tagged_corpus.h"
#include "tagger.h"
#include "model_writer.h"
#include "training_counts.h"
#include "viterbi.h"

namespace {

// The same random transitions as a dense and as a sparse table. As in a
// trained model, a seen trigram scores at least its pair's unseen value.
struct RandomModel {
  int states;
  orvit::TransitionTable dense, sparse;
};

RandomModel random_model(std::mt19937& rng, int real_tags) {
  RandomModel m{real_tags + 2, {}, {}};
  const size_t s = static_cast<size_t>(m.states);
  std::uniform_real_distribution<float> u(-6.0f, 0.0f);
  std::uniform_int_distribution<int> one_in_ten(0, 9), one_in_three(0, 2);
  std::vector<float> unseen(s * s);
  for (float& v : unseen) v = one_in_ten(rng) == 0 ? -std::numeric_limits<float>::infinity() : u(rng);
  std::vector<std::pair<uint64_t, float>> seen;
  for (uint64_t key = 0; key < s * s * s; ++key) {
    if (one_in_three(rng) != 0) continue;
    float base = unseen[key % (s * s)];
    // Some seen values tie with the unseen one, to exercise tie-breaking.
    float v = std::isinf(base) ? u(rng) : one_in_ten(rng) == 0 ? base : base + 0.5f * -u(rng);
    seen.emplace_back(key, v);
  }
  m.dense.build(m.states, unseen, seen, s * s * s);
  m.sparse.build(m.states, unseen, seen, 0);
  return m;
}

orvit::Lattice random_lattice(std::mt19937& rng, int real_tags, int length) {
  orvit::Lattice lat;
  std::uniform_real_distribution<float> u(-8.0f, 0.0f);
  for (int i = 0; i < length; ++i) {
    std::vector<uint16_t> tags;
    for (int t = 0; t < real_tags; ++t) tags.push_back(static_cast<uint16_t>(t));
    std::shuffle(tags.begin(), tags.end(), rng);
    int n = std::uniform_int_distribution<int>(1, real_tags)(rng);
    for (int k = 0; k < n; ++k) lat.add(tags[k], u(rng));
    lat.end_token();
  }
  return lat;
}

// Score of one full path, candidate indices in `pick`.
float path_score(const RandomModel& m, const orvit::Lattice& lat, const std::vector<int>& pick) {
  const size_t S = static_cast<size_t>(m.states);
  size_t t1 = m.states - 2, t2 = m.states - 2;
  float score = 0;
  for (size_t i = 0; i < lat.size(); ++i) {
    size_t e = lat.start[i] + pick[i];
    size_t t3 = lat.tag[e];
    score += m.dense.logp(t1, t2, t3) + lat.logp[e];
    t1 = t2;
    t2 = t3;
  }
  return score + m.dense.logp(t1, t2, S - 1);
}

float brute_force_best(const RandomModel& m, const orvit::Lattice& lat) {
  std::vector<int> pick(lat.size(), 0);
  float best = -std::numeric_limits<float>::infinity();
  for (;;) {
    best = std::max(best, path_score(m, lat, pick));
    size_t i = 0;
    while (i < pick.size() && ++pick[i] == static_cast<int>(lat.start[i + 1] - lat.start[i]))
      pick[i++] = 0;
    if (i == pick.size()) return best;
  }
}

std::vector<int> picks_of(const orvit::Lattice& lat, const std::vector<uint16_t>& tags) {
  std::vector<int> pick;
  for (size_t i = 0; i < lat.size(); ++i) {
    int found = -1;
    for (uint32_t e = lat.start[i]; e < lat.start[i + 1]; ++e)
      if (lat.tag[e] == tags[i]) found = static_cast<int>(e - lat.start[i]);
    pick.push_back(found);
  }
  return pick;
}

TEST(Decoding, ViterbiMatchesBruteForce) {
  std::mt19937 rng(12345);
  orvit::Viterbi viterbi;
  for (int trial = 0; trial < 300; ++trial) {
    int real_tags = 1 + trial % 4;
    int length = 1 + (trial / 4) % 6;
    RandomModel m = random_model(rng, real_tags);
    orvit::Lattice lat = random_lattice(rng, real_tags, length);
    ASSERT_TRUE(m.dense.is_dense());
    ASSERT_FALSE(m.sparse.is_dense());
    for (int t1 = 0; t1 < m.states; ++t1)
      for (int t2 = 0; t2 < m.states; ++t2)
        for (int t3 = 0; t3 < m.states; ++t3)
          ASSERT_EQ(m.sparse.logp(t1, t2, t3), m.dense.logp(t1, t2, t3)) << t1 << t2 << t3;
    std::vector<uint16_t> best;
    viterbi.decode(m.dense, lat, 0, best);
    ASSERT_EQ(best.size(), lat.size());
    std::vector<int> pick = picks_of(lat, best);
    for (int p : pick) ASSERT_GE(p, 0) << "tag outside the candidates, trial " << trial;
    float expected = brute_force_best(m, lat);
    float got = path_score(m, lat, pick);
    if (std::isinf(expected))
      EXPECT_TRUE(std::isinf(got)) << "trial " << trial;
    else
      EXPECT_NEAR(got, expected, 1e-4) << "trial " << trial;

    std::vector<uint16_t> sparse;
    viterbi.decode(m.sparse, lat, 0, sparse);
    EXPECT_EQ(sparse, best) << "sparse table, trial " << trial;

    std::vector<uint16_t> wide;
    viterbi.decode(m.dense, lat, 1e30, wide);
    EXPECT_EQ(wide, best) << "a huge beam changed the result, trial " << trial;

    std::vector<uint16_t> narrow, narrow_sparse;
    viterbi.decode(m.dense, lat, 2.0, narrow);
    for (int p : picks_of(lat, narrow)) EXPECT_GE(p, 0) << "trial " << trial;
    viterbi.decode(m.sparse, lat, 2.0, narrow_sparse);
    EXPECT_EQ(narrow_sparse, narrow) << "sparse table with a beam, trial " << trial;
  }
}

// Two tags, one ambiguous word: the trigram context decides.
TEST(Decoding, ContextResolvesAmbiguousWord) {
  std::string corpus;
  for (int i = 0; i < 5; ++i) corpus += "the D\nrun N\nstops V\n\nthey P\nrun V\nfast A\n\n";
  orvit::Model model;
  orvit::parse_model(orvit::write_model_text(orvit::count_corpus(
                         orvit::parse_tagged_corpus(corpus, "ambiguous", 1, 2), orvit::TrainOptions{})),
                     "ambiguous.orv", model);
  orvit::Tagger tagger(model, 0);
  struct Case {
    std::vector<std::string_view> words;
    std::vector<std::string> tags;
  } cases[] = {
      {{"the", "run", "stops"}, {"D", "N", "V"}},
      {{"they", "run", "fast"}, {"P", "V", "A"}},
      {{"they", "run"}, {"P", "V"}},
      {{"the", "run"}, {"D", "N"}},
  };
  for (const auto& c : cases) {
    const auto& best = tagger.tag(c.words);
    std::vector<std::string> names;
    for (uint16_t t : best) names.push_back(model.tag_name(t));
    EXPECT_EQ(names, c.tags);
  }
}

}  // namespace
