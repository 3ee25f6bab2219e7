// Reading tag-fix files: one rule per line, split into conditions at "#", node
// descriptions at "=", rules kept per old tag in file order. Any syntax error ends
// the program with error code 6 and the number of the offending line.
#include "tagfix/fixrules.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <string>
#include <utility>

#include <sys/types.h>

#include "driver/error.h"
#include "driver/utils.h"
#include "driver/ws_inout.h"
#include "symtab/lexicon.h"
#include "tagfix/pattern_limits.h"

t_bitnode *fix_idtrie, *noatt_idtrie, *skip_idtrie, *ignore_idtrie, *nostr_idtrie, *word_idtrie;
int current_line = 0;
int fix_rules_version = 0;
char tagfix_detail[TAGFIX_DETAIL_SIZE] = "";

const char *const tagfix_syntax =
    "Tagfix syntax: \n"
    "<tagfix-line> ::= <fix-description> | <skip/nostr/ignore-description> | "
    "<noatt-description>\n"
    "<fix-description> ::= <tagfix-command> <condition>+ -> <tag>\n"
    "<noatt-description> ::= <tagfix-command> <condition>+\n"
    "<tagfix-command> ::= fix\n"
    "<condition> ::= #<path> <node-description>\n"
    "<path> ::= (l|r)*(L|R|u)*\n"
    "<node-decription> ::= <function>(=(<category>)(=(<string-regexp>)))\n"
    "<skip/nostr/ignore-description> ::= skip|nostr|ignore (<tag>)*\n";

namespace {
constexpr int kMaxRuleLineBytes = 999;  // newline not counted
constexpr const char *kWhitespace = " \t\n\v\f\r";
constexpr const char *kTokenSeparators = " \t\n";

// The last rule of every chain, by store and old tag, so appending takes constant
// time however many rules one tag has. Stores are never freed, so a key never
// names a store that is gone.
std::map<std::pair<const t_bitnode *, int>, fix_descr *> chain_ends;

// Appends `rule` at the end of the chain kept under its old tag, so rules under one
// tag are tried in the order they were read.
void chain_rule(t_bitnode *store, fix_descr *rule) {
  fix_descr *&end = chain_ends[{store, rule->oldtag}];
  if (end) {
    end->next = rule;
  } else {
    bitstore(store, static_cast<uint32_t>(rule->oldtag), rule);
  }
  end = rule;
}

// Ends the run with error code 6 for the current line, saying why.
[[noreturn]] void refuse_line(const char *reason) {
  std::snprintf(tagfix_detail, sizeof tagfix_detail, "%s", reason);
  fehler(6);
}

// Enters every tag token of `rest` in the marker stores (once per tag).
void store_tags(char *rest, t_bitnode *store, t_bitnode *also) {
  char *save = nullptr;
  for (char *tag = strtok_r(rest, kTokenSeparators, &save); tag;
       tag = strtok_r(nullptr, kTokenSeparators, &save)) {
    const auto id = static_cast<uint32_t>(tagtoint(tag));
    if (!bitrecall(store, id)) bitstore(store, id, strdup("y"));
    if (also && !bitrecall(also, id)) bitstore(also, id, strdup("y"));
  }
}

// Tag id of a function or category component, recording a leading "~" in negbits.
int component_id(char *component, int negbit, node_descr *condition) {
  if (!*component) return 0;
  if (*component == '~') {
    condition->negbits |= negbit;
    ++component;
  }
  return tagtoint(component);
}

// The lower-case word of a pattern "^word$" whose characters all match only
// themselves (ignoring case), or null.
char *literal_word(const char *pattern) {
  std::size_t length = std::strlen(pattern);
  if (length < 3 || pattern[0] != '^' || pattern[length - 1] != '$') return nullptr;
  std::string word(pattern + 1, length - 2);
  for (char &c : word) {
    bool plain = (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '\'' || c == '-';
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    else if (!plain) return nullptr;
  }
  return strdup(word.c_str());
}

void compile_pattern(char *component, node_descr *condition) {
  const char *pattern = ".*";
  if (*component) {
    if (*component == '~') {
      condition->negbits |= NEG_PATTERN;
      ++component;
    }
    pattern = component;
    condition->match_any = 0;
    if (const char *fault = pattern_fault(pattern)) {
      std::snprintf(tagfix_detail, sizeof tagfix_detail, "bad pattern \"%.80s\": %s", pattern, fault);
      fehler(6);
    }
    // Such a pattern always compiles; comparing the word directly is faster, and
    // files with thousands of word rules load without thousands of compilations.
    condition->literal = literal_word(pattern);
    if (condition->literal) return;
  }
  const int status = regcomp(condition->string, pattern, REG_EXTENDED | REG_ICASE | REG_NOSUB);
  if (status != 0) {
    // A rule whose pattern cannot be used is a syntax error of its line, never a
    // rule that silently matches everything or nothing.
    char reason[TAGFIX_DETAIL_SIZE / 2];
    regerror(status, condition->string, reason, sizeof reason);
    std::snprintf(tagfix_detail, sizeof tagfix_detail, "bad pattern \"%.80s\": %s", pattern,
                  reason);
    fehler(6);
  }
}
}  // namespace

void init_tries() {
  ++fix_rules_version;
  fix_idtrie = bitinit();
  noatt_idtrie = bitinit();
  skip_idtrie = bitinit();
  ignore_idtrie = bitinit();
  nostr_idtrie = bitinit();
  word_idtrie = bitinit();
}

void read_fixes(const char *filename) {
  current_line = 0;
  FILE *file = openread(filename);
  if (!file) fehler(2, filename);
  // Lines are read whole: a comment line may be of any length, and a rule line longer
  // than a rule may be is refused rather than read as two rules.
  char *line = nullptr;
  std::size_t capacity = 0;
  ssize_t length;
  while ((length = getline(&line, &capacity, file)) >= 0) {
    ++current_line;
    if (line[0] == '%' && line[1] == '%') continue;
    if (length > 0 && line[length - 1] == '\n') --length;
    if (length > kMaxRuleLineBytes) refuse_line("a rule line is longer than 999 bytes");
    if (std::memchr(line, '\0', static_cast<std::size_t>(length)))
      refuse_line("a rule line holds a NUL byte");
    process_fix_line(line);
  }
  std::free(line);
  closeread(file, filename);
}

int process_fix_line(char *line) {
  // A line of whitespace only is blank, a CRLF line end included.
  if (!line[std::strspn(line, kWhitespace)]) return 0;
  char *command = line + std::strspn(line, kTokenSeparators);
  char *end = command + std::strcspn(command, kTokenSeparators);
  char *rest = end;
  if (*end) {
    *end = '\0';
    rest = end + 1;
  }
  if (std::strcmp(command, "fix") == 0) {
    char *arrow = std::strstr(rest, "->");
    if (!arrow) fehler(6);
    *arrow = '\0';
    fix_descr *rule = line_to_conditions(rest);
    char *save = nullptr;
    const char *newtag = strtok_r(arrow + 2, kTokenSeparators, &save);
    if (!newtag) fehler(6);
    rule->newtag = tagtoint(newtag);
    chain_rule(fix_idtrie, rule);
    ++fix_rules_version;
  } else if (std::strcmp(command, "noatt") == 0) {
    chain_rule(noatt_idtrie, line_to_conditions(rest));
  } else if (std::strcmp(command, "skip") == 0) {
    store_tags(rest, skip_idtrie, nullptr);
  } else if (std::strcmp(command, "nostr") == 0) {
    store_tags(rest, nostr_idtrie, nullptr);
  } else if (std::strcmp(command, "wordfix") == 0) {
    store_tags(rest, word_idtrie, nullptr);
  } else if (std::strcmp(command, "ignore") == 0) {
    store_tags(rest, ignore_idtrie, skip_idtrie);
  } else {
    fehler(6);
  }
  return 0;
}

fix_descr *line_to_conditions(char *line) {
  char *text[MAX_FIX_CONDITIONS];
  int count = 0;
  // Every "#" starts a condition.
  for (char *hash = std::strchr(line, '#'); hash; hash = std::strchr(hash + 1, '#')) {
    if (count == MAX_FIX_CONDITIONS) refuse_line("a rule has more than 100 conditions");
    *hash = '\0';
    text[count++] = hash + 1;
  }
  if (count == 0) fehler(6);
  fix_descr *rule = new_fix_descr();
  rule->self = string_to_condition(text[0]);
  if (rule->self->tag == 0) fehler(6);
  // The rule is found through the word's own tag, which then never differs from it.
  if (rule->self->negbits & NEG_CATEGORY)
    refuse_line("the category of the first condition cannot be negated: the rule could never apply");
  rule->oldtag = rule->self->tag;
  node_descr **tail = &rule->conditions;
  for (int i = 1; i < count; ++i) {
    *tail = string_to_condition(text[i]);
    tail = &(*tail)->next;
  }
  return rule;
}

node_descr *string_to_condition(char *description_ptr) {
  char *blank = std::strpbrk(description_ptr, " \t");
  if (!blank) fehler(6);
  *blank = '\0';
  char *after = nullptr;
  char *description = next_col(blank + 1, &after);
  if (!*description) fehler(6);

  node_descr *condition = new_condition();
  condition->path = strdup(description_ptr);
  char *component[3];
  one_separator_strtok(description, '=', component, 3);
  condition->edgelabel = component_id(component[0], NEG_FUNCTION, condition);
  condition->tag = component_id(component[1], NEG_CATEGORY, condition);
  compile_pattern(component[2], condition);
  return condition;
}

fix_descr *new_fix_descr() { return new fix_descr{}; }

node_descr *new_condition() {
  auto *condition = new node_descr{};
  condition->string = new regex_t{};
  condition->match_any = 1;
  return condition;
}

void one_separator_strtok(char *string, char separator, char **substring, int num_substrings) {
  char *position = string;
  for (int i = 0; i < num_substrings; ++i) {
    substring[i] = position;
    char *found = std::strchr(position, separator);
    if (found) {
      *found = '\0';
      position = found + 1;
    } else {
      position += std::strlen(position);  // remaining pieces are empty strings
    }
  }
}
