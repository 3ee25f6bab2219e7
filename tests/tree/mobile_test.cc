// Tests of the node pool (LIFO reuse, reset fields, whole-chain release), the shared
// string pool copies, and mob_leftsister.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "tree/mobile.h"
#include "tree/mobirel.h"

namespace {
TEST(NodePool, ReusesReleasedChainLastInFirstOut) {
  mobile_t *a = newmobile(1, nullptr, 0, nullptr, 0, nullptr);
  mobile_t *b = newmobile(2, nullptr, 0, nullptr, 0, a);
  mobile_t *c = newmobile(3, nullptr, 0, nullptr, 0, b);
  mobile_free(c);  // chain c -> b -> a
  EXPECT_EQ(newmobile(0, nullptr, 0, nullptr, 0, nullptr), c);
  EXPECT_EQ(newmobile(0, nullptr, 0, nullptr, 0, nullptr), b);
  EXPECT_EQ(newmobile(0, nullptr, 0, nullptr, 0, nullptr), a);
  mobile_t *single = newmobile(9, nullptr, 0, nullptr, 0, nullptr);
  mobile_free(single);
  EXPECT_EQ(newmobile(0, nullptr, 0, nullptr, 0, nullptr), single);
}

TEST(NodePool, ReusedNodeIsReset) {
  mobile_t *other = newmobile(7, nullptr, 0, nullptr, 0, nullptr);
  mobile_t *m = newmobile(1, nullptr, 5, other, 6, other);
  m->child = other;
  m->sister = other;
  m->secparent[0] = other;
  m->secedge[0] = -4;
  m->morph = 3;
  m->flags = 1;
  m->serialid = 8;
  m->altedge[2] = 4;
  m->info = other;
  mobile_free(m);  // m -> other
  mobile_t *next = reinterpret_cast<mobile_t *>(0x1);  // any chain pointer will do
  mobile_t *r = newmobile(42, nullptr, 11, nullptr, 12, next);
  ASSERT_EQ(r, m);
  EXPECT_EQ(r->id, 42);
  EXPECT_EQ(r->tag, 11);
  EXPECT_EQ(r->edgelabel, 12);
  EXPECT_EQ(r->next, next);
  EXPECT_EQ(r->parent, nullptr);
  EXPECT_EQ(r->child, nullptr);
  EXPECT_EQ(r->sister, nullptr);
  EXPECT_EQ(r->comment, nullptr);
  EXPECT_EQ(r->secparent[0], nullptr);
  EXPECT_EQ(r->secedge[0], 0);
  EXPECT_EQ(r->morph, 0);
  EXPECT_EQ(r->flags, 0);
  EXPECT_EQ(r->serialid, 0);
  EXPECT_EQ(r->altedge[2], 0);
  EXPECT_EQ(r->info, nullptr);
  EXPECT_EQ(r->string, nullptr);
  r->next = nullptr;
  mobile_free(r);
}

TEST(NodePool, EqualTextsShareOnePooledCopy) {
  std::string first = "grelly", second = "grelly";
  mobile_t *a = newmobile(0, first.c_str(), 0, nullptr, 0, nullptr);
  mobile_t *b = newmobile(1, second.c_str(), 0, nullptr, 0, a);
  EXPECT_EQ(a->string, b->string);
  EXPECT_NE(a->string, first.c_str());
  first[0] = 'X';  // the pool's copy does not depend on the caller's text
  EXPECT_STREQ(a->string, "grelly");
  mobile_free(b);
}

TEST(NodePool, CommentIsReturnedToItsPool) {
  static t_commententry record;  // stays in the comment pool after the test
  std::strcpy(record.string, "note");
  mobile_t *m = newmobile(0, nullptr, 0, nullptr, 0, nullptr);
  m->comment = record.string;
  mobile_free(m);
  EXPECT_EQ(m->comment, nullptr);
}

TEST(LeftSister, FindsLeftNeighbour) {
  mobile_t *mother = newmobile(500, nullptr, 0, nullptr, 0, nullptr);
  mobile_t *kids[3];
  mobile_t *chain = mother;
  for (int i = 0; i < 3; ++i) chain = kids[i] = newmobile(i, nullptr, 0, mother, 0, chain);
  mother->child = kids[0];
  kids[0]->sister = kids[1];
  kids[1]->sister = kids[2];
  EXPECT_EQ(mob_leftsister(kids[0]), nullptr);
  EXPECT_EQ(mob_leftsister(kids[1]), kids[0]);
  EXPECT_EQ(mob_leftsister(kids[2]), kids[1]);
  EXPECT_EQ(mob_leftsister(mother), nullptr);  // no parent
  mobile_free(kids[2]);
}
}  // namespace
