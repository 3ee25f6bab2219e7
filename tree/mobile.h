// Tree nodes ("mobiles") and the node pool they are recycled through. Nodes never own
// their strings.
#pragma once
#include <cstdint>
#include <cstdio>

struct mobile_t {
  int32_t id;          // terminal: word position; phrase: 500 up; root: sentence number
  int32_t serialid;
  char *string;        // word of a terminal node; null for phrase nodes and roots
  int32_t tag;         // POS tag / category id; in a root: build time (seconds)
  int32_t morph;       // morphological tag id; in a root: origin number
  mobile_t *parent;
  int32_t edgelabel;   // tag id of the edge label to the mother
  int32_t altedge[4];
  int32_t flags;
  char *comment;       // text inside a comment record, or null
  mobile_t *secparent[4];  // secondary mothers, up to the first null
  int32_t secedge[4];      // their edge labels; in a root, entry 0 is the editor number
  mobile_t *child;     // first child
  mobile_t *sister;    // next sister to the right
  mobile_t *next;      // next node in order of creation (next free node while pooled)
  void *info;
};
using MOBILE = mobile_t;

union t_commententry {
  t_commententry *next;  // while in the comment pool
  char string[81];       // while owned by a node: up to 80 characters
};
using CommentEntry = t_commententry;

// Takes a node from the pool (or allocates one), every field reset. A non-null
// `string` is replaced by its shared copy in the string pool.
mobile_t *newmobile(int32_t id, const char *string, int32_t tag, mobile_t *parent,
                    int32_t edgelabel, mobile_t *next);
// Gives the whole `next` chain starting at `s` back to the pool in one splice.
void mobile_free(mobile_t *s);
// Gives a comment entry back to the comment pool; `com` must not be used afterwards.
void freecomment(t_commententry *com);
