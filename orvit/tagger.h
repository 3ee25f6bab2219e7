// Tags one sentence: looks each token up (lexicon, lowercase fallback for
// sentence-initial words, suffix guesser) and decodes the best tag sequence.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "orvit/lattice.h"
#include "orvit/model_view.h"
#include "orvit/sentence_tagger.h"
#include "orvit/suffix_guesser.h"
#include "orvit/viterbi.h"

namespace orvit {

class Tagger : public SentenceTagger {
 public:
  // beam <= 1: exhaustive search; otherwise the -Z pruning factor.
  Tagger(const ModelView &model, double beam);

  // Best tag ids for `tokens`; valid until the next call.
  const std::vector<uint16_t> &tag(const std::vector<std::string_view> &tokens) override;
  // The name of tag id `tag`, valid while the model's storage lives.
  std::string_view tag_name(uint16_t tag) const override { return model_.tag_name(tag); }

  // Lexicon row used for token i of a sentence, or -1 when it is unknown.
  int32_t lexicon_entry(const std::vector<std::string_view> &tokens, size_t i);

  // The candidates and scores of the last sentence tagged; valid until the next tag().
  const Lattice &lattice() const { return lattice_; }

 private:
  ModelView model_;
  double beam_;
  SuffixGuesser guesser_;
  Viterbi viterbi_;
  Lattice lattice_;
  std::vector<uint16_t> best_;
  std::string lower_;
};

}  // namespace orvit
