// Helpers for the tree tests: build a sentence tree from relative depth characters and
// categories, render it compactly, and capture what a printer writes.
#pragma once
#include <cstdio>
#include <functional>
#include <string>
#include <vector>

#include "tree/mobile.h"

// One sentence for the decoder: word i is "w<i>" with POS tag "T" unless given.
struct Sentence {
  std::vector<std::string> words;
  std::vector<int> pos_tags;
  std::string depths;          // one relative depth character per word
  std::vector<int> categories; // tag ids, 0 for "_"
  std::vector<char *> word_ptrs;
  std::vector<mobile_t *> leaf;

  // `depths` like "1 0 - 0" (blanks ignored); `cats` like "NP NP _ PP".
  Sentence(const std::string &depth_chars, const std::string &cats,
           const std::string &word_list = "", const std::string &tag_list = "");
  // Decodes with chunks_to_mobile into `leaf`; the caller frees the root.
  mobile_t *decode();
};

// "(500:NP 0 1 (501:PP 2)) 3": phrase nodes as (id:category children...), terminals as
// their id; a node whose parent link disagrees with its place is marked with "!".
std::string render(const mobile_t *root);
// The ids along the creation chain from the root.
std::string chain_ids(const mobile_t *root);
// Everything `print` writes to the stream it is given.
std::string capture(const std::function<void(FILE *)> &print);
// Resets the settings and the markup store the tree code reads.
void reset_tree_settings();
