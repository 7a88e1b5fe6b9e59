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

// The registry is process-wide: the tests below use variables of their own (hundreds apart) so
// that no clause of one test is met by another.

TEST(ClauseSet, ArrayFormLeavesTheCallersArrayAlone) {
  BasicClauseSet set;
  const long lits[] = {103, -101, 102};
  BasicClause* cl = set.add_clause(3, lits);
  EXPECT_EQ(lits_of(cl), (LitVector{-101, 102, 103}));
  EXPECT_EQ(lits[0], 103);
  EXPECT_EQ(lits[1], -101);
  LitVector same{102, 103, -101};
  EXPECT_EQ(set.add_clause(same), cl);
}

TEST(ClauseSet, EmptyClauseIsAClauseLikeAnyOther) {
  BasicClauseSet set;
  LitVector none;
  BasicClause* cl = set.add_clause(none);
  EXPECT_EQ(cl->size(), 0u);
  EXPECT_EQ(ClauseRegistry::clreg_instance->find_clause(LitVector{}), cl);
  LitVector again;
  EXPECT_EQ(set.add_clause(again), cl);
}

// How attach_clause classifies a clause, by the set's default kind, top weight and default
// weight: the weight it gives, and which counter goes up (num_cls always does).
struct KindCase {
  int cltype;
  weight_t top;
  weight_t def_weight;
  weight_t weight;
  int counter;  // 0 hard, 1 soft, 2 weighted
};

class AttachKinds : public ::testing::TestWithParam<KindCase> {};

TEST_P(AttachKinds, WeightAndCounter) {
  const KindCase& k = GetParam();
  BasicClauseSet set;
  set.set_top_weight(k.top);
  set.set_cltype(k.cltype);
  set.set_def_weight(k.def_weight);
  LitVector lits{201, 202};
  BasicClause* cl = set.add_clause(lits);
  EXPECT_EQ(cl->get_weight(), k.weight);
  EXPECT_EQ(set.get_num_hard_cls(), k.counter == 0 ? 1u : 0u);
  EXPECT_EQ(set.get_num_soft_cls(), k.counter == 1 ? 1u : 0u);
  EXPECT_EQ(set.get_num_wght_cls(), k.counter == 2 ? 1u : 0u);
  EXPECT_EQ(set.get_num_cls(), 1u);
}

INSTANTIATE_TEST_SUITE_P(Kinds, AttachKinds,
                         ::testing::Values(KindCase{CL_HARD, 50, 7, 50, 0},
                                           KindCase{CL_SOFT, 50, 7, 1, 1},
                                           KindCase{CL_SOFT, 1, 7, 1, 0},
                                           KindCase{CL_WEIGHTED, 50, 7, 7, 2},
                                           KindCase{CL_WEIGHTED, 50, 50, 50, 0},
                                           KindCase{CL_WEIGHTED, 50, 1, 1, 1},
                                           KindCase{CL_WEIGHTED, 50, 0, 0, 2},
                                           KindCase{CL_WEIGHTED, 0, 0, 0, 0}));

TEST(ClauseSet, KindSettersCountEveryAssignmentAndNeverDecrement) {
  BasicClauseSet set;
  set.set_top_weight(9);
  LitVector lits{301};
  BasicClause* cl = set.add_clause(lits);  // hard by default
  set.set_cl_soft(cl);
  set.set_cl_weight(cl, 4);
  set.set_cl_weight(cl, 9);
  set.set_cl_hard(cl);
  EXPECT_EQ(cl->get_weight(), 9u);
  EXPECT_EQ(set.get_num_hard_cls(), 3u);
  EXPECT_EQ(set.get_num_soft_cls(), 1u);
  EXPECT_EQ(set.get_num_wght_cls(), 1u);
  EXPECT_EQ(set.get_num_cls(), 5u);
  EXPECT_EQ(set.size(), 1u);
}

TEST(ClauseSet, KindSettersDoNotMakeMembers) {
  BasicClauseSet owner;
  BasicClauseSet other;
  LitVector lits{351, 352};
  BasicClause* cl = owner.add_clause(lits);
  other.set_cl_weight(cl, 3);
  EXPECT_FALSE(other.is_member(cl));
  EXPECT_EQ(other.size(), 0u);
  EXPECT_EQ(cl->get_weight(), 3u) << "the clause object is shared";
}

TEST(ClauseSet, SoftGroupsListTheirClausesInOrder) {
  BasicClauseSet set;
  LitVector a{401};
  LitVector b{402};
  BasicClause* first = set.add_clause(a);
  BasicClause* second = set.add_clause(b);
  set.set_cl_group(first, 7);
  EXPECT_EQ(first->get_weight(), 7u);
  ASSERT_EQ(set.get_grp_map().count(7), 1u);
  EXPECT_EQ(*set.get_grp_map().at(7), (ClauseList{first}));
  set.set_cl_group(second, 7);
  set.set_cl_group(first, 7);
  set.set_cl_group(second, 2);
  EXPECT_EQ(*set.get_grp_map().at(7), (ClauseList{first, second, first}));
  EXPECT_EQ(*set.get_grp_map().at(2), (ClauseList{second}));
  EXPECT_EQ(set.get_num_cls(), 2u) << "group assignment counts nothing";
}

TEST(ClauseSet, RemoveClauseTakesItOutOfSetAndRegistry) {
  BasicClauseSet set;
  LitVector lits{-501, 502};
  BasicClause* cl = set.add_clause(lits);
  LitVector other{503};
  BasicClause* kept = set.add_clause(other);
  set.remove_clause(cl);
  EXPECT_EQ(set.size(), 1u);
  EXPECT_TRUE(set.is_member(kept));
  EXPECT_EQ(ClauseRegistry::clreg_instance->find_clause(LitVector{-501, 502}), nullptr);
  LitVector again{502, -501};
  BasicClause* fresh = set.add_clause(again);
  EXPECT_EQ(ClauseRegistry::clreg_instance->find_clause(LitVector{-501, 502}), fresh);
  EXPECT_EQ(set.size(), 2u);
}

TEST(Registry, FindRegisterUnregister) {
  ClauseRegistry& reg = *ClauseRegistry::clreg_instance;
  const LitVector lits{601, -602, 603};
  EXPECT_EQ(reg.find_clause(lits), nullptr);
  BasicClause first(lits);
  reg.register_clause(&first);
  EXPECT_EQ(reg.find_clause(lits), &first);
  // A second object with the same literals is not entered, and unregistering it leaves the
  // first one's entry alone.
  BasicClause second(lits);
  reg.register_clause(&second);
  EXPECT_EQ(reg.find_clause(lits), &first);
  reg.unregister_clause(&second);
  EXPECT_EQ(reg.find_clause(lits), &first);
  reg.unregister_clause(&first);
  EXPECT_EQ(reg.find_clause(lits), nullptr);
  reg.unregister_clause(&first);  // nothing left to remove
  EXPECT_EQ(reg.find_clause(lits), nullptr);
}

TEST(Registry, SetsShareClausesAcrossLifetimes) {
  BasicClause* made = nullptr;
  {
    BasicClauseSet earlier;
    LitVector lits{701, -702};
    made = earlier.add_clause(lits);
  }
  BasicClauseSet later;
  BasicClauseSet beside;
  LitVector lits{-702, 701};
  EXPECT_EQ(later.add_clause(lits), made) << "clauses outlive the set that made them";
  LitVector same{701, -702};
  EXPECT_EQ(beside.add_clause(same), made);
  EXPECT_TRUE(later.is_member(made));
  EXPECT_TRUE(beside.is_member(made));
}

TEST(Registry, NewClauseIsKeyedByItsOwnLiterals) {
  // The caller's vector is only borrowed for the lookup: changing it afterwards must not
  // disturb the registry's entry.
  BasicClauseSet set;
  LitVector lits{801, 802};
  BasicClause* cl = set.add_clause(lits);
  lits.assign({999001});
  EXPECT_EQ(ClauseRegistry::clreg_instance->find_clause(LitVector{801, 802}), cl);
  EXPECT_EQ(ClauseRegistry::clreg_instance->find_clause(LitVector{999001}), nullptr);
}

TEST(Registry, ExtendedClauseLeavesItsOldLiteralsFree) {
  BasicClauseSet set;
  LitVector lits{901, 902};
  BasicClause* cl = set.add_clause(lits);
  set.extend_clause(cl, 903);
  EXPECT_EQ(ClauseRegistry::clreg_instance->find_clause(LitVector{901, 902}), nullptr);
  EXPECT_EQ(ClauseRegistry::clreg_instance->find_clause(LitVector{901, 902, 903}), cl);
  EXPECT_TRUE(set.is_member(cl));
  EXPECT_EQ(set.size(), 1u);
}

}  // namespace
