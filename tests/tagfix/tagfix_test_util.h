// Helpers shared by the tag-fix tests: load rules from text through the real file
// reader, and run one sentence through the tag-fix pass into memory.
#pragma once
#include <cstdio>
#include <cstdlib>
#include <sstream>
#include <string>
#include <vector>

#include "run_vornik.h"
#include "symtab/lexicon.h"
#include "tagfix/fixapply.h"
#include "tagfix/fixrules.h"

// Empties the rule stores and reads `text` as a tag-fix file.
inline void load_rules(const std::string &text) {
  init_tries();
  ScratchDir dir;
  read_fixes(dir.write("rules.fix", text).c_str());
}

// Everything fix_tagged_sentence writes for `sentence` ("word/TAG word/TAG ...").
inline std::string tagger_input(const std::string &sentence) {
  std::vector<std::string> words;
  std::vector<int> tags;
  std::istringstream in(sentence);
  for (std::string item; in >> item;) {
    const auto slash = item.rfind('/');
    words.push_back(item.substr(0, slash));
    tags.push_back(tagtoint(item.substr(slash + 1).c_str()));
  }
  std::vector<char *> word_ptrs;
  for (std::string &w : words) word_ptrs.push_back(w.data());
  char *buffer = nullptr;
  std::size_t size = 0;
  FILE *out = open_memstream(&buffer, &size);
  fix_tagged_sentence(out, word_ptrs.data(), tags.data(), static_cast<int>(words.size()));
  std::fclose(out);
  std::string written(buffer, size);
  std::free(buffer);
  return written;
}

// The tags given to the chunk tagger for `sentence`, joined by blanks (framing cut off).
inline std::string fixed_tags(const std::string &sentence) {
  std::istringstream in(tagger_input(sentence));
  std::string joined;
  for (std::string line; std::getline(in, line);) {
    if (line == "$lim$" || line.empty()) continue;
    joined += (joined.empty() ? "" : " ") + line;
  }
  return joined;
}
