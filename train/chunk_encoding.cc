// Encoding IOB2 chunk tags as relative-depth chunk tags for the chunk model, the form
// vornik decodes back into the same chunks.
#include "train/chunk_encoding.h"

#include "orvit/error.h"
#include "train/lexical_rules.h"

namespace vornik {

std::vector<std::string> encode_chunk_tags(const ConllSentence &sentence,
                                           const std::vector<std::string> &tokens,
                                           const std::string &file) {
  std::vector<std::string> tags;
  tags.reserve(tokens.size());
  std::string open;  // type of the chunk the previous word is in; empty outside
  for (size_t i = 0; i < sentence.tokens.size(); ++i) {
    const std::string &chunk = sentence.tokens[i].chunk;
    const std::string token = state_token(tokens[i]);
    long line = sentence.first_line + static_cast<long>(i);
    if (token.find('/') != std::string::npos)
      throw orvit::Error(orvit::where(file, line, "tag \"" + token + "\" holds a \"/\""));
    if (chunk == "O") {
      tags.push_back(token + "/1/O/_");
      open.clear();
      continue;
    }
    std::string type = chunk.substr(2);
    bool continues = chunk[0] == 'I' && type == open;
    tags.push_back(token + (continues ? "/0/I-" : "/1/B-") + type + "/" + type);
    open = type;
  }
  return tags;
}

}  // namespace vornik
