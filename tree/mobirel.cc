// Relations between tree nodes.
#include "tree/mobirel.h"

mobile_t *mob_leftsister(const mobile_t *m) {
  if (!m->parent) return nullptr;
  mobile_t *left = nullptr;
  for (mobile_t *c = m->parent->child; c && c != m; c = c->sister) left = c;
  return left;
}
