// Tree node pool: nodes are taken one at a time and given back a whole chain at once,
// last in first out. Node texts are shared through the string pool.
#include "tree/mobile.h"

#include "driver/error.h"
#include "symtab/lexicon.h"

namespace {
mobile_t *free_mobiles = nullptr;
t_commententry *free_comments = nullptr;
}  // namespace

mobile_t *newmobile(int32_t id, const char *string, int32_t tag, mobile_t *parent,
                    int32_t edgelabel, mobile_t *next) {
  mobile_t *m = free_mobiles;
  if (m) {
    free_mobiles = m->next;
  } else {
    m = static_cast<mobile_t *>(memalloc(sizeof(mobile_t)));
  }
  *m = mobile_t{};
  m->id = id;
  m->string = string ? pooled_text(string) : nullptr;
  m->tag = tag;
  m->parent = parent;
  m->edgelabel = edgelabel;
  m->next = next;
  return m;
}

void mobile_free(mobile_t *s) {
  if (!s) return;
  mobile_t *last = s;
  for (mobile_t *m = s; m; m = m->next) {
    if (m->comment) {
      // The comment text is the first member of its record.
      freecomment(reinterpret_cast<t_commententry *>(m->comment));
      m->comment = nullptr;
    }
    last = m;
  }
  last->next = free_mobiles;
  free_mobiles = s;
}

void freecomment(t_commententry *com) {
  com->next = free_comments;
  free_comments = com;
}
