// Applying tag-fix rules: for every word, the tag of the first fix rule under its own
// tag whose conditions all hold (or its own tag). Conditions always see the
// uncorrected tags of the neighbours. Writing the tags to the tagger is the driver's.
#include "tagfix/fixapply.h"

#include <string>
#include <unordered_map>
#include <vector>

#include "symtab/lexicon.h"
#include "tree/mobirel.h"

namespace {
// Word nodes of the current sentence plus a closing null. It grows with the longest
// sentence seen and is reused, so a warm run allocates nothing.
std::vector<mobile_t *> sentence_leaves(1000);

// 1 when `value` passes the test against `wanted` (0 = no constraint); a "~" mark
// turns "equals" into "differs".
bool label_holds(int value, int wanted, bool negated) {
  if (wanted == 0) return true;
  return negated ? value != wanted : value == wanted;
}

// The node a condition's path leads to from the word at `position`, or null when a
// step finds no node. l and r move by word position; L, R and u along tree links.
mobile_t *node_reached(mobile_t *mobile, mobile_t **leaf_list, int position,
                       const node_descr *condition) {
  mobile_t *m = mobile;
  int p = position;
  for (const char *step = condition->path; *step; ++step) {
    switch (*step) {
      case 'l':
        if (p == 0) return nullptr;
        m = leaf_list[--p];
        break;
      case 'r':
        if (!leaf_list[p + 1]) return nullptr;
        m = leaf_list[++p];
        break;
      case 'L':
        m = mob_leftsister(m);
        if (!m) return nullptr;
        break;
      case 'R':
        m = m->sister;
        if (!m) return nullptr;
        break;
      case 'u':
        m = m->parent;
        if (!m) return nullptr;
        break;
      default:
        break;
    }
  }
  return m;
}

// The category and function tests of `condition` at node `m`.
bool labels_hold(const mobile_t *m, const node_descr *condition) {
  return label_holds(m->tag, condition->tag, condition->negbits & NEG_CATEGORY) &&
         label_holds(m->edgelabel, condition->edgelabel, condition->negbits & NEG_FUNCTION);
}

// Word patterns ignore case as the compiled ones do (REG_ICASE, ASCII letters).
char ascii_lower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

bool pattern_matches(const node_descr *condition, const char *word) {
  if (!condition->literal) return regexec(condition->string, word, 0, nullptr, 0) == 0;
  const char *l = condition->literal;
  for (; *word; ++word, ++l)
    if (ascii_lower(*word) != *l) return false;
  return *l == '\0';
}

// The word test: an unmarked pattern must match the word (a node without a word
// passes); a marked one needs a word that it does not match.
bool word_holds(const mobile_t *m, const node_descr *condition) {
  if (condition->negbits & NEG_PATTERN) return m->string && !pattern_matches(condition, m->string);
  return condition->match_any || !m->string || pattern_matches(condition, m->string);
}

// Word rules ("fix # =TAG=^word$ -> NEW", nothing else) often come by the thousand
// under one tag. A run of them in a chain is looked up by the word instead of being
// tried rule by rule; the first rule of the run for that word wins, as in the chain.
bool word_rule(const fix_descr *rule) {
  const node_descr *self = rule->self;
  return !rule->conditions && self->literal && !*self->path && self->negbits == 0 &&
         self->edgelabel == 0;
}

// One step of a tag's chain: a single rule, or a run of word rules.
struct ChainStep {
  fix_descr *rule;                                       // the rule, or the first rule of the run
  std::unordered_map<std::string, fix_descr *> by_word;  // empty for a single rule
};

// Plans by tag id, empty for a tag without rules. A server gives the ids of tags its
// clients made up out again after each connection; such a tag never has rules (rules
// are read at start), so its empty plan stays right for the tag that gets the id next,
// and the map holds no more entries than the kept tags and the most one connection brought.
std::unordered_map<int, std::vector<ChainStep>> plans;
int plans_made_at = -1;  // fix_rules_version when `plans` was made

const std::vector<ChainStep> &chain_plan(int tag) {
  if (plans_made_at != fix_rules_version) {
    plans.clear();
    plans_made_at = fix_rules_version;
  }
  auto found = plans.find(tag);
  if (found != plans.end()) return found->second;
  std::vector<ChainStep> &plan = plans[tag];
  auto *rule = static_cast<fix_descr *>(bitrecall(fix_idtrie, static_cast<uint32_t>(tag)));
  while (rule) {
    if (!word_rule(rule) || !rule->next || !word_rule(rule->next)) {
      plan.push_back({rule, {}});
      rule = rule->next;
      continue;
    }
    ChainStep run{rule, {}};
    for (; rule && word_rule(rule); rule = rule->next)
      run.by_word.emplace(rule->self->literal, rule);
    plan.push_back(std::move(run));
  }
  return plan;
}

bool rule_holds(fix_descr *rule, mobile_t *mobile, mobile_t **leaf_list, int position) {
  // A rule is a pure conjunction, so the cheap tests (paths, tags, functions) of all
  // its conditions run first and the patterns only for rules that pass them all.
  mobile_t *reached[MAX_FIX_CONDITIONS];
  int count = 0;
  for (node_descr *c = rule->self; c; c = c == rule->self ? rule->conditions : c->next) {
    mobile_t *m = reached[count++] = node_reached(mobile, leaf_list, position, c);
    if (!m || !labels_hold(m, c)) return false;
  }
  count = 0;
  for (node_descr *c = rule->self; c; c = c == rule->self ? rule->conditions : c->next) {
    if (!word_holds(reached[count++], c)) return false;
  }
  return true;
}

// The rule of a run that holds for `mobile`'s word, or null.
fix_descr *run_match(const ChainStep &run, const mobile_t *mobile, std::string &key) {
  if (!mobile->string) return run.rule;  // a node without a word passes any pattern
  key.assign(mobile->string);
  for (char &c : key) c = ascii_lower(c);
  auto hit = run.by_word.find(key);
  return hit == run.by_word.end() ? nullptr : hit->second;
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

void fix_tagged_sentence(char **word, const int *pos_tag, int length, int *chosen) {
  if (sentence_leaves.size() < static_cast<std::size_t>(length) + 1)
    sentence_leaves.resize(2 * static_cast<std::size_t>(length) + 1);
  mobile_t **leaves = sentence_leaves.data();
  mobile_t *head = words_to_mobiles(word, pos_tag, length);
  int count = 0;
  for (mobile_t *m = head->next; m; m = m->next) leaves[count++] = m;
  leaves[count] = nullptr;
  for (int i = 0; i < length; ++i) chosen[i] = match_fix(leaves[i], leaves, i);
  mobile_free(head);
}

int match_fix(mobile_t *mobile, mobile_t **leaf_list, int position) {
  static std::string key;
  for (const ChainStep &step : chain_plan(mobile->tag)) {
    if (step.by_word.empty()) {
      if (rule_holds(step.rule, mobile, leaf_list, position)) return step.rule->newtag;
    } else if (fix_descr *rule = run_match(step, mobile, key)) {
      return rule->newtag;
    }
  }
  return mobile->tag;
}
