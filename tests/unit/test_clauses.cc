// Identity and counting rules of clauses, clause sets and the registry.
#include <gtest/gtest.h>

#include "clauses/basic_clause_set.hh"
#include "clauses/cl_registry.hh"
#include "clauses/id_manager.hh"

namespace {

LitVector lits_of(const BasicClause* cl) { return cl->get_lits(); }

TEST(ClauseSet, SameLiteralsInAnyOrderAreOneClause) {
  BasicClauseSet set;
  LitVector a{3, -2, 1};
  LitVector b{1, 3, -2};
  BasicClause* first = set.add_clause(a);
  BasicClause* second = set.add_clause(b);
  EXPECT_EQ(first, second);
  EXPECT_EQ(lits_of(first), (LitVector{1, -2, 3}));
  EXPECT_EQ(set.size(), 1u);
  EXPECT_EQ(set.get_num_cls(), 2u);
}

TEST(ClauseSet, ExtendedClauseIsFoundUnderItsNewLiterals) {
  BasicClauseSet set;
  LitVector a{1, -2, 3};
  BasicClause* cl = set.add_clause(a);
  set.extend_clause(cl, -9);
  EXPECT_EQ(lits_of(cl), (LitVector{1, -2, 3, -9}));
  LitVector old_lits{3, 1, -2};
  EXPECT_NE(set.add_clause(old_lits), cl);
  LitVector new_lits{-9, 3, -2, 1};
  EXPECT_EQ(set.add_clause(new_lits), cl);
}

TEST(ClauseSet, RepeatedLiteralsAreKept) {
  BasicClauseSet set;
  LitVector twice{1, 1};
  LitVector once{1};
  BasicClause* a = set.add_clause(twice);
  BasicClause* b = set.add_clause(once);
  EXPECT_NE(a, b);
  EXPECT_EQ(a->size(), 2u);
}

TEST(ClauseSet, KindOverwritesEarlierWeight) {
  BasicClauseSet set;
  LitVector lits{4, 5};
  BasicClause* cl = set.add_clause(lits);
  set.set_cl_weight(cl, 5);
  set.set_cltype(CL_SOFT);
  set.add_clause(lits);
  EXPECT_EQ(cl->get_weight(), 1u);
  set.set_cltype(CL_HARD);
  set.add_clause(lits);
  EXPECT_EQ(cl->get_weight(), set.get_top_weight());
}

TEST(IDManager, NewIdFollowsTopId) {
  IDManager imgr;
  EXPECT_EQ(imgr.new_id(), 1);
  imgr.set_top_id(10);
  EXPECT_EQ(imgr.new_id(), 11);
  EXPECT_EQ(imgr.get_top_id(), 11);
}

TEST(Registry, HashOfSequence) {
  EXPECT_EQ(LitVectHash::hash_of(LitVector{1, -2, 3}), 83u);
  EXPECT_EQ(LitVectHash::hash_of(LitVector{}), 0u);
}

}  // namespace
