// Fuzz target: a tag-fix file is read (every line through the rule parser, with its
// line and pattern limits) and its rules are applied to a sentence of odd words, so a
// pattern that compiles or matches too slowly shows up as a timeout.
#include <string>
#include <vector>
#include <unistd.h>

#include "driver/vornik.h"
#include "fuzz/fuzz_support.h"
#include "symtab/lexicon.h"
#include "tagfix/fixapply.h"
#include "tagfix/fixrules.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
  static std::vector<int> tags = [] {
    lexicon_init();
    std::vector<int> ids;
    for (const char *tag : {"A", "B", "NN", "DT", "IN"}) ids.push_back(tagtoint(tag));
    return ids;
  }();
  init_tries();
  const std::string text(reinterpret_cast<const char *>(data), size);
  const std::string name = memory_file(text);
  // A fatal error ends a real run, and with it every file the reader had open; here the
  // run goes on, so those files are closed by hand (else the fuzzer runs out of them).
  const int first_free = dup(0);
  close(first_free);
  if (!runs_to_end([&] { read_fixes(name.c_str()); })) {
    for (int fd = first_free; fd < first_free + 16; ++fd) close(fd);
    return 0;
  }
  // Words: a few fixed ones, the longest a reader lets through, and the input's bytes.
  static std::string long_word(999, 'a');
  std::vector<std::string> words = {"the", "A-1'b", long_word, "", "x"};
  for (char c : text) {
    if (c == ' ' || c == '\n' || c == '\t' || c == '\0' || words.back().size() >= 200) {
      if (!words.back().empty()) words.emplace_back();
      if (words.size() >= 12) break;
    } else {
      words.back() += c;
    }
  }
  std::vector<char *> word_ptrs;
  std::vector<int> word_tags;
  for (std::string &w : words) {
    if (w.empty()) w = "w";
    word_ptrs.push_back(w.data());
    word_tags.push_back(tags[word_tags.size() % tags.size()]);
  }
  std::vector<int> chosen(words.size());
  fix_tagged_sentence(word_ptrs.data(), word_tags.data(), static_cast<int>(words.size()), chosen.data());
  return 0;
}
