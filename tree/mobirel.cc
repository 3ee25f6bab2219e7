// Relations between tree nodes: the sister before a node among its mother's children,
// for the tag-fix rules' tree steps.
#include "tree/mobirel.h"

mobile_t *mob_leftsister(const mobile_t *m) {
  if (!m->parent) return nullptr;
  mobile_t *left = nullptr;
  for (mobile_t *c = m->parent->child; c && c != m; c = c->sister) left = c;
  return left;
}
