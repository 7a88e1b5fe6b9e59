// Identity and counting rules of clauses, clause sets and the registry.
#include <gtest/gtest.h>

#include <vector>

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
  Cost top;
  Cost def_weight;
  Cost weight;
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

// Extending a clause can make its literals equal to another clause's: the registry keeps the
// entry of the clause that had them first, and removing the extended one leaves that entry.
TEST(Registry, EqualLiteralsByExtensionKeepTheFirstEntry) {
  ClauseRegistry& reg = *ClauseRegistry::clreg_instance;
  BasicClauseSet set;
  LitVector full{601, -602};
  LitVector part{601};
  BasicClause* first = set.add_clause(full);
  BasicClause* second = set.add_clause(part);
  set.extend_clause(second, -602);
  EXPECT_EQ(reg.find_clause(LitVector{601, -602}), first);
  set.remove_clause(second);
  EXPECT_EQ(reg.find_clause(LitVector{601, -602}), first);
  EXPECT_TRUE(set.is_member(first));
  EXPECT_EQ(set.size(), 1u);
  set.remove_clause(first);
  EXPECT_EQ(reg.find_clause(LitVector{601, -602}), nullptr);
}

// Members are visited in the order they joined, whatever their addresses; a removed member
// leaves no trace in the walk, and a clause that rejoins goes last.
TEST(ClauseSet, IterationFollowsTheOrderOfJoining) {
  BasicClauseSet set;
  std::vector<BasicClause*> joined;
  for (long v = 1101; v <= 1300; ++v) {
    LitVector lits{v, -(v + 1000)};
    joined.push_back(set.add_clause(lits));
  }
  for (std::size_t i = 0; i < joined.size(); i += 2) set.remove_clause(joined[i]);
  LitVector again{1102, -2102};
  EXPECT_EQ(set.add_clause(again), joined[1]) << "still a member: no new position";
  LitVector fresh{1400};
  BasicClause* last = set.add_clause(fresh);
  std::vector<BasicClause*> expected;
  for (std::size_t i = 1; i < joined.size(); i += 2) expected.push_back(joined[i]);
  expected.push_back(last);
  EXPECT_EQ(std::vector<BasicClause*>(set.begin(), set.end()), expected);
  EXPECT_EQ(set.size(), expected.size());
}

// A clause in two sets belongs to the first as its home and to the second as a guest; either
// set can remove it, and a set that ends releases its home members to the next set.
TEST(ClauseSet, MembershipInSeveralSets) {
  BasicClauseSet home;
  LitVector lits{1501, 1502};
  BasicClause* cl = home.add_clause(lits);
  {
    BasicClauseSet guest;
    guest.attach_clause(cl);
    EXPECT_TRUE(guest.is_member(cl));
    EXPECT_EQ(guest.size(), 1u);
    guest.remove_clause(cl);
    EXPECT_EQ(home.size(), 0u) << "destroyed through the guest set, gone from its home";
    EXPECT_EQ(home.begin(), home.end());
  }
  BasicClause* kept = nullptr;
  {
    BasicClauseSet earlier;
    LitVector more{1503};
    kept = earlier.add_clause(more);
  }
  BasicClauseSet later;
  later.attach_clause(kept);
  EXPECT_TRUE(later.is_member(kept));
  EXPECT_FALSE(home.is_member(kept));
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
