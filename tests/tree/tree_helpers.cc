// Helpers for the tree tests: sentence building, compact tree rendering, stream capture.
#include "tree_helpers.h"

#include <cstdlib>
#include <sstream>

#include "driver/parser.h"
#include "driver/vornik.h"
#include "symtab/lexicon.h"
#include "tree/chunkenc.h"

namespace {
std::vector<std::string> split(const std::string &text) {
  std::istringstream in(text);
  std::vector<std::string> parts;
  for (std::string part; in >> part;) parts.push_back(part);
  return parts;
}

void render_node(const mobile_t *node, const mobile_t *expected_parent, std::string &out) {
  if (node->child) {
    const char *category = inttotag(node->tag);
    out += '(';
    out += std::to_string(node->id);
    out += ':';
    out += category ? category : "";
    for (const mobile_t *c = node->child; c; c = c->sister) {
      out += " ";
      render_node(c, node, out);
    }
    out += ")";
  } else {
    out += std::to_string(node->id);
  }
  if (node->parent != expected_parent) out += "!";
}
}  // namespace

Sentence::Sentence(const std::string &depth_chars, const std::string &cats,
                   const std::string &word_list, const std::string &tag_list) {
  for (char c : depth_chars)
    if (c != ' ') depths += c;
  for (const std::string &cat : split(cats)) categories.push_back(cat == "_" ? 0 : tagtoint(cat.c_str()));
  words = split(word_list);
  for (std::size_t i = words.size(); i < depths.size(); ++i) words.push_back(std::string("w").append(std::to_string(i)));
  for (const std::string &tag : split(tag_list)) pos_tags.push_back(tagtoint(tag.c_str()));
  pos_tags.resize(depths.size(), tagtoint("T"));
  categories.resize(depths.size(), 0);
  for (std::string &word : words) word_ptrs.push_back(word.data());
  leaf.assign(depths.size() + 1, nullptr);
}

mobile_t *Sentence::decode() {
  return chunks_to_mobile(word_ptrs.data(), depths.data(), pos_tags.data(), categories.data(),
                          leaf.data(), static_cast<int>(depths.size()));
}

std::string render(const mobile_t *root) {
  std::string out;
  for (const mobile_t *top = root->child; top; top = top->sister) {
    if (!out.empty()) out += " ";
    render_node(top, nullptr, out);
  }
  return out;
}

std::string chain_ids(const mobile_t *root) {
  std::string out;
  for (const mobile_t *m = root; m; m = m->next) {
    if (m != root) out += ' ';
    out += std::to_string(m->id);
  }
  return out;
}

std::string capture(const std::function<void(FILE *)> &print) {
  char *buffer = nullptr;
  std::size_t size = 0;
  FILE *stream = open_memstream(&buffer, &size);
  print(stream);
  std::fclose(stream);
  std::string text(buffer, size);
  std::free(buffer);
  return text;
}

void reset_tree_settings() {
  allow_unary_bool = 0;
  lisp_output_bool = 0;
  negra_output_bool = 0;
  store_sgml_bool = 0;
  num_sgml_tags = 0;
  sentence_num = 0;
  lexicon_init();
}
