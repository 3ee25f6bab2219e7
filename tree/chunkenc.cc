// Decoding of the chunk tags of one sentence (a relative depth character and a mother
// category per word) into a tree of mobiles, left to right, one word at a time.
#include "tree/chunkenc.h"

#include <cstdio>
#include <cstdlib>
#include <ctime>

#include "driver/error.h"
#include "driver/parser.h"
#include "driver/vornik.h"
#include "tree/bracketing.h"
#include "tree/export.h"
#include "tree/conll.h"
#include "tree/json.h"

namespace {
// The leaf array: entry i is the terminal node of word i. Allocated once, grown for
// longer sentences, never cleared (entries past the sentence are stale and unread).
mobile_t **leaf = nullptr;
int curr_max_mob = 500;

int word_id = 0;    // number of the next terminal node
int phrase_id = 0;  // number of the next phrase node
mobile_t *dummy = nullptr;        // root of the tree being built
mobile_t *last_mobile = nullptr;  // last node of its creation chain

mobile_t **new_leaf_array(int entries) {
  auto *array = static_cast<mobile_t **>(std::calloc(entries, sizeof(mobile_t *)));
  if (!array) memory_exceeded();
  return array;
}

void append_to_chain(mobile_t *node) {
  last_mobile->next = node;
  last_mobile = node;
}

bool is_skipped(char rel_depth) { return rel_depth == '2' || rel_depth == 'i'; }
}  // namespace

int depth_prev_word(char rel_depth) {
  switch (rel_depth) {
    case '0': case '-': case 'd': return 1;
    case '+': case '=': return 2;
    case 'u': return 3;
    case '1': case '2': case 'i': return 0;
    default: return -1;
  }
}

int depth_curr_word(char rel_depth) {
  switch (rel_depth) {
    case '0': case '+': case 'u': case '1': return 1;
    case '-': case '=': return 2;
    case 'd': return 3;
    case '2': case 'i': return 0;
    default: return -1;
  }
}

mobile_t *create_parent_node(mobile_t *mobile) {
  mobile_t *parent = newmobile(phrase_id++, nullptr, 0, nullptr, 0, nullptr);
  mobile->parent = parent;
  parent->child = mobile;
  append_to_chain(parent);
  return parent;
}

int add_child(mobile_t *attachment_site, mobile_t *last_child, mobile_t *child_node) {
  if (!attachment_site) return 0;
  if (child_node->parent == attachment_site) return 1;
  if (last_child) {
    last_child->sister = child_node;
  } else {
    attachment_site->child = child_node;
  }
  child_node->parent = attachment_site;
  return 2;
}

mobile_t *attach_word(char rel_depth, int mother_categ, mobile_t *prev_word) {
  int p = 0;
  int c = 0;
  if (prev_word) {
    p = depth_prev_word(rel_depth);
    c = depth_curr_word(rel_depth);
    // A character outside the encoding places the word unattached, like "1": it must
    // never be appended to the previous word, which is a terminal node.
    if (p < 0 || c < 0) p = c = 0;
  }
  mobile_t *node = newmobile(word_id++, nullptr, 0, nullptr, 0, nullptr);
  append_to_chain(node);
  // Every node above the previous word is the last child of its mother: words are
  // attached left to right, always at the end of a child list on the way up from
  // the word before. So the node climbed from last is the site's last child, and
  // appending costs nothing however many children the site has.
  mobile_t *attachment_site = prev_word;
  mobile_t *last_child = nullptr;
  for (int level = 0; level < p; ++level) {
    if (!attachment_site->parent) create_parent_node(attachment_site);
    last_child = attachment_site;
    attachment_site = attachment_site->parent;
  }
  mobile_t *top = node;
  for (int level = 1; level < c; ++level) top = create_parent_node(top);
  if (allow_unary_bool && rel_depth == '1' && mother_categ != 0) create_parent_node(top);
  if (p != 0 && c != 0) add_child(attachment_site, last_child, top);
  return node;
}

void attach_unattached(mobile_t *dummy_node, mobile_t **leaf_array, int sentence_length) {
  // A node without parent gets a sister only here, so a top node is already in the
  // root's list exactly when it has a sister or is the last one appended.
  mobile_t *last_top = nullptr;
  for (int i = 0; i < sentence_length; ++i) {
    mobile_t *top = leaf_array[i];
    while (top->parent) top = top->parent;
    if (top == last_top || top->sister) continue;
    if (last_top) {
      last_top->sister = top;
    } else {
      dummy_node->child = top;
    }
    last_top = top;
  }
}

mobile_t *chunks_to_mobile(char **word, const char *rel_depth, const int *pos_tag,
                           const int *mother_category, mobile_t **leaf_array,
                           int sentence_length) {
  dummy = newmobile(sentence_num, nullptr, 0, nullptr, 0, nullptr);
  dummy->secedge[0] = -4;
  dummy->tag = static_cast<int32_t>(std::time(nullptr));
  last_mobile = dummy;
  word_id = 0;
  phrase_id = sentence_length <= 500 ? 500 : sentence_length + 1;

  mobile_t *prev_word = nullptr;
  for (int i = 0; i < sentence_length; ++i) {
    mobile_t *node = attach_word(rel_depth[i], mother_category[i], prev_word);
    leaf_array[i] = node;
    node->tag = pos_tag[i];
    node->string = word[i];
    if (!is_skipped(rel_depth[i])) prev_word = node;
  }
  // A phrase node takes the first defined mother category among its word children.
  for (int i = 0; i < sentence_length; ++i) {
    mobile_t *parent = leaf_array[i]->parent;
    if (parent && parent->tag == 0) parent->tag = mother_category[i];
  }
  attach_unattached(dummy, leaf_array, sentence_length);
  return dummy;
}

void chunks_to_tree(FILE *outfile, char **word, const char *rel_depth, const int *pos_tag,
                    const int *mother_category, int sentence_length) {
  if (!leaf) leaf = new_leaf_array(curr_max_mob);
  if (sentence_length > curr_max_mob) {
    std::free(leaf);
    curr_max_mob = sentence_length + 1;
    leaf = new_leaf_array(curr_max_mob);
  }
  mobile_t *root =
      chunks_to_mobile(word, rel_depth, pos_tag, mother_category, leaf, sentence_length);
  if (conll_output_bool) {
    print_conll(outfile, leaf, sentence_length);
  } else if (json_output_bool) {
    print_json(outfile, root, leaf, sentence_length);
  } else if (negra_output_bool) {
    mobile_output(outfile, root);
    std::fflush(outfile);
  } else {
    print_bracketing(outfile, root, leaf, sentence_length);
  }
  mobile_free(root);
}
