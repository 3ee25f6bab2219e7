// Applying tag-fix rules: for every word, the tag of the first fix rule under its own
// tag whose conditions all hold (or its own tag), written to the chunk tagger between
// boundary lines. Conditions always see the uncorrected tags of the neighbours.
#include "tagfix/fixapply.h"

#include <cstdlib>

#include "driver/vornik.h"
#include "symtab/lexicon.h"
#include "tree/mobirel.h"

namespace {
constexpr int kNegFunction = 1, kNegCategory = 2, kNegPattern = 4;

// Word nodes of the current sentence plus a closing null, and the chosen tags. Both
// grow with the longest sentence seen and are reused, so a warm run allocates nothing.
mobile_t **leaf_list = nullptr;
int *new_tag = nullptr;
int capacity = 0;

void reserve_words(int length) {
  if (length + 1 <= capacity) return;
  int wanted = capacity > 0 ? capacity : 1000;
  while (wanted < length + 1) wanted *= 2;
  void *leaves = std::realloc(leaf_list, static_cast<std::size_t>(wanted) * sizeof *leaf_list);
  if (leaves) leaf_list = static_cast<mobile_t **>(leaves);
  void *tags = std::realloc(new_tag, static_cast<std::size_t>(wanted) * sizeof *new_tag);
  if (tags) new_tag = static_cast<int *>(tags);
  if (!leaves || !tags) {
    std::fputs("Memory exceeded, exiting\n", stderr);
    std::exit(255);
  }
  capacity = wanted;
}

// 1 when `value` passes the test against `wanted` (0 = no constraint); a "~" mark
// turns "equals" into "differs".
bool label_holds(int value, int wanted, bool negated) {
  if (wanted == 0) return true;
  return negated ? value != wanted : value == wanted;
}
}  // namespace

mobile_t *words_to_mobiles(char **word, const int *pos_tag, int length) {
  mobile_t *head = newmobile(0, nullptr, 0, nullptr, 0, nullptr);
  mobile_t *last = head;
  for (int i = 0; i < length; ++i) {
    // The node points at the sentence's own word, which outlives this pass; pooling
    // a copy would cost a trie walk per word and keep every word for good.
    mobile_t *node = newmobile(i, nullptr, pos_tag[i], nullptr, 0, nullptr);
    node->string = word[i];
    last->next = node;
    last = node;
  }
  return head;
}

void fix_tagged_sentence(FILE *outfile, char **word, const int *pos_tag, int length) {
  reserve_words(length);
  mobile_t *head = words_to_mobiles(word, pos_tag, length);
  int count = 0;
  for (mobile_t *m = head->next; m; m = m->next) leaf_list[count++] = m;
  leaf_list[count] = nullptr;

  std::fputs("$lim$\n$lim$\n", outfile);
  for (int i = 0; i < length; ++i) {
    new_tag[i] = match_fix(leaf_list[i], leaf_list, i);
    const char *tag = inttotag(new_tag[i]);
    std::fputs(tag ? tag : CAT_UNDEFINED, outfile);
    std::fputc('\n', outfile);
  }
  std::fputs("$lim$\n\n", outfile);
  // One flush per sentence: the tagger answers only after the blank line, and a
  // flush per line would cost a system call per word.
  std::fflush(outfile);
  mobile_free(head);
}

int match_fix(mobile_t *mobile, mobile_t **leaf_list, int position) {
  auto *rule = static_cast<fix_descr *>(bitrecall(fix_idtrie, static_cast<uint32_t>(mobile->tag)));
  for (; rule; rule = rule->next) {
    if (!match_condition(mobile, leaf_list, position, rule->self)) continue;
    node_descr *condition = rule->conditions;
    while (condition && match_condition(mobile, leaf_list, position, condition)) {
      condition = condition->next;
    }
    if (!condition) return rule->newtag;
  }
  return mobile->tag;
}

int match_condition(mobile_t *mobile, mobile_t **leaf_list, int position, node_descr *condition) {
  mobile_t *m = mobile;
  int p = position;
  // l and r move by word position; L, R and u move along the tree links from m.
  for (const char *step = condition->path; *step; ++step) {
    switch (*step) {
      case 'l':
        if (p == 0) return 0;
        m = leaf_list[--p];
        break;
      case 'r':
        if (!leaf_list[p + 1]) return 0;
        m = leaf_list[++p];
        break;
      case 'L':
        m = mob_leftsister(m);
        if (!m) return 0;
        break;
      case 'R':
        if (!m->sister) return 0;
        m = m->sister;
        break;
      case 'u':
        if (!m->parent) return 0;
        m = m->parent;
        break;
      default:
        break;
    }
  }
  const int neg = condition->negbits;
  if (!label_holds(m->tag, condition->tag, neg & kNegCategory)) return 0;
  if (!label_holds(m->edgelabel, condition->edgelabel, neg & kNegFunction)) return 0;
  if (neg & kNegPattern) {
    // A marked pattern needs a word that it does not match.
    if (!m->string || regexec(condition->string, m->string, 0, nullptr, 0) == 0) return 0;
  } else if (!condition->match_any && m->string) {
    if (regexec(condition->string, m->string, 0, nullptr, 0) != 0) return 0;
  }
  return 1;
}
