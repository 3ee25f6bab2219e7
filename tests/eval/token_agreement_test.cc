// The tokenizer measurement: running text rebuilt from corpus tokens, tokens, sentence
// ends and chunks compared by characters on a small sample with known disagreements,
// and vornik-tokenize's agreement on the CoNLL-2000 training text.
#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

#include "eval/gold_chunks.h"
#include "eval/token_agreement.h"
#include "orvit/error.h"
#include "support/run_vornik.h"
#include "train/conll_corpus.h"

namespace vornik {
namespace {

// Three gold sentences. vornik-tokenize does not end the second before "(", so it keeps
// "Inc." whole: two gold tokens, one found token and one sentence end disagree.
const char kGold[] =
    "Mr. NNP B-NP\nSmith NNP I-NP\nsaid VBD B-VP\n, , O\n`` `` O\nI PRP B-NP\ndo VBP B-VP\n"
    "n't RB I-VP\nknow VB I-VP\n. . O\n'' '' O\n\n"
    "He PRP B-NP\nworks VBZ B-VP\nat IN B-PP\nAcme NNP B-NP\nInc NNP I-NP\n. . O\n\n"
    "-LRB- ( O\nIt PRP B-NP\nrose VBD B-VP\n3\\/4 CD B-NP\n% NN I-NP\n-RRB- ) O\n";

// What a chunker might make of vornik-tokenize's tokens: "Acme Inc." is a chunk that
// ends one character later than the gold one, and "rose" has a wrong tag.
const char kFound[] =
    "Mr. NNP B-NP\nSmith NNP I-NP\nsaid VBD B-VP\n, , O\n`` `` O\nI PRP B-NP\ndo VBP B-VP\n"
    "n't RB I-VP\nknow VB I-VP\n. . O\n'' '' O\n\n"
    "He PRP B-NP\nworks VBZ B-VP\nat IN B-PP\nAcme NNP B-NP\nInc. NNP I-NP\n-LRB- ( O\n"
    "It PRP B-NP\nrose VBN B-VP\n3/4 CD B-NP\n% NN I-NP\n-RRB- ) O\n";

TEST(TokenAgreement, SmallSampleRebuiltTokenisedAndScoredByCharacters) {
  const std::vector<ConllSentence> gold = read_conll(kGold, "gold");
  PlacedTokens gold_places;
  EXPECT_EQ(rebuild_text(corpus_words(gold), &gold_places, 50),
            "Mr. Smith said, \"I don't know.\" He works at Acme\nInc. (It rose 3/4%)\n");
  EXPECT_EQ(agreement_report(measure_tokenizer(corpus_words(gold))),
            "tokens: gold 23  found 22  agreeing 21  precision 95.45%  recall 91.30%  "
            "agreement 93.33%\n"
            "sentence ends: gold 3  found 2  agreeing 2  precision 100.00%  recall 66.67%  "
            "F1 80.00%\n");

  const std::vector<ConllSentence> found = read_conll(kFound, "found");
  gold_places = {};
  const std::string text = rebuild_text(corpus_words(gold), &gold_places);
  EXPECT_EQ(chunk_report(compare_chunks(gold_sentences(gold), gold_places, gold_sentences(found),
                                        place_tokens(text, corpus_words(found), "found"))),
            "chunks: gold 11  found 11  correct 10  precision 90.91%  recall 90.91%  F1 90.91%\n"
            "POS accuracy on agreeing tokens: 95.24% (20 of 21)\n");
  EXPECT_THROW(place_tokens(text, {{"Mr.", "Jones"}}, "found"), orvit::Error);
  // vornik-tokenize's output read back: markup and comment lines are no tokens, and any
  // number of blank lines ends one sentence.
  const std::vector<std::vector<std::string>> sentences = {{"a", "b"}, {"d"}};
  EXPECT_EQ(read_token_lines("\na\nb\n\n \n<p>\n%% c\nd\n\n"), sentences);
}

// Corpus tokens joined the way English is written; the places of the tokens follow the
// same rules, so that the second row's gold spans are checked too.
TEST(TokenAgreement, RebuiltTextUndoesTheCorpusConventions) {
  const struct {
    std::vector<std::vector<std::string>> sentences;
    const char *text;
  } cases[] = {
      {{{"He", "said", ",", "``", "I", "do", "n't", "know", "...", "''"}, {"It", "'s", "ok", "."}},
       "He said, \"I don't know...\" It's ok.\n"},
      {{{"-LRB-", "a", "-RRB-", "$", "3", "US$", "4", "5", "%", "1\\/2", "`", "odd", "'", "--", "x",
         ";"}},
       "(a) $3 US$4 5% 1/2 'odd' -- x;\n"},
      {{{"the", "U.S.", "."}, {"Acme", "Inc", "."}, {"Yes", "!"}}, "the U.S. Acme Inc. Yes!\n"},
  };
  for (const auto &c : cases) {
    PlacedTokens gold;
    const std::string text = rebuild_text(c.sentences, &gold);
    EXPECT_EQ(text, c.text);
    const PlacedTokens placed = place_tokens(text, c.sentences, "again");
    EXPECT_EQ(placed.spans, gold.spans) << c.text;
    EXPECT_EQ(placed.sentence_ends, gold.sentence_ends) << c.text;
  }
}

TEST(TokenAgreement, TrainingTextAgreesAtLeast99Percent) {
  if (!corpus_missing("train.txt").empty()) GTEST_SKIP() << corpus_missing("train.txt");
  std::stringstream text;
  text << std::ifstream(corpus_file("train.txt")).rdbuf();
  const Agreement a =
      measure_tokenizer(corpus_words(read_conll(text.str(), corpus_file("train.txt"))));
  double precision = double(a.agreeing_tokens) / a.found_tokens;
  double recall = double(a.agreeing_tokens) / a.gold_tokens;
  EXPECT_GE(2 * precision * recall / (precision + recall), 0.99) << agreement_report(a);
  EXPECT_GE(2.0 * a.agreeing_sentences / (a.gold_sentences + a.found_sentences), 0.98)
      << agreement_report(a);
}

}  // namespace
}  // namespace vornik
