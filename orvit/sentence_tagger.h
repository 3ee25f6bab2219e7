// What the protocol loop needs of a tagger, whatever the kind of its model: tag ids
// for the tokens of a sentence, and the name of each tag.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace orvit {

class SentenceTagger {
 public:
  virtual ~SentenceTagger() = default;
  // Best tag ids for `tokens`, one per token; valid until the next call.
  virtual const std::vector<uint16_t> &tag(const std::vector<std::string_view> &tokens) = 0;
  // The name of tag id `tag`, valid while the tagger lives.
  virtual std::string_view tag_name(uint16_t tag) const = 0;
};

}  // namespace orvit
