// The SAT bridge: outcome, model and core of one complete SAT call over a clause set. Cores are
// checked against what they must be (clauses of the set, each once, in the order the set hands
// them over, and unsatisfiable on their own by exhaustive search), not against a fixed list,
// since which core the library finds is its own business.
#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "clauses/basic_clause_set.hh"
#include "clauses/id_manager.hh"
#include "engine_test_support.hh"
#include "sat/picosat_bridge.hh"

namespace {

using engine_test::ConfigGuard;

class BridgeTest : public ::testing::Test {
protected:
  BasicClause* hard(LitVector lits) {
    set.set_cltype(CL_HARD);
    return set.add_clause(lits);
  }
  BasicClause* weighted(LitVector lits, Cost w) {
    set.set_cltype(CL_WEIGHTED);
    set.set_def_weight(w);
    BasicClause* cl = set.add_clause(lits);
    set.set_cltype(CL_HARD);
    return cl;
  }

  // The clauses in the order the set hands them to the library.
  std::vector<BasicClause*> handover_order() const {
    return std::vector<BasicClause*>(set.begin(), set.end());
  }

  ConfigGuard guard;
  BasicClauseSet set;
  std::vector<BasicClause*> core;
  PicosatWrapper sat{set, core, false};
};

// Whether the clauses have no common model, by trying every assignment of their variables.
bool unsatisfiable(const std::vector<BasicClause*>& cls) {
  std::vector<long> vars;
  for (const BasicClause* cl : cls)
    for (long lit : *cl)
      if (std::find(vars.begin(), vars.end(), std::labs(lit)) == vars.end())
        vars.push_back(std::labs(lit));
  EXPECT_LE(vars.size(), 20u);
  for (std::uint32_t bits = 0; bits < (1u << vars.size()); ++bits) {
    auto value = [&](long var) {
      std::size_t i = std::find(vars.begin(), vars.end(), var) - vars.begin();
      return ((bits >> i) & 1u) != 0;
    };
    bool all = true;
    for (const BasicClause* cl : cls) {
      bool sat = false;
      for (long lit : *cl) sat = sat || (value(std::labs(lit)) == (lit > 0));
      if (!sat) {
        all = false;
        break;
      }
    }
    if (all) return false;
  }
  return true;
}

// Every clause satisfied by the model (entry v-1 for variable v).
bool satisfies(const std::vector<int>& model, const std::vector<BasicClause*>& cls) {
  for (const BasicClause* cl : cls) {
    bool sat = false;
    for (long lit : *cl) {
      std::size_t v = static_cast<std::size_t>(std::labs(lit));
      if (v <= model.size() && model[v - 1] == (lit > 0 ? 1 : -1)) sat = true;
    }
    if (!sat) return false;
  }
  return true;
}

TEST_F(BridgeTest, EmptySetIsSatisfiableWithEmptyModel) {
  EXPECT_EQ(sat.run_sat_solver(), PicosatWrapper::SAT);
  std::vector<int> model{7, 7};
  sat.get_model(model);
  EXPECT_TRUE(model.empty());
  EXPECT_TRUE(core.empty());
}

TEST_F(BridgeTest, ModelCoversVariablesUpToTheLargestOccurring) {
  BasicClause* a = hard({1, -3});
  BasicClause* b = hard({-1, 7});
  BasicClause* c = hard({-7, 2});
  ASSERT_EQ(sat.run_sat_solver(), PicosatWrapper::SAT);
  std::vector<int> model;
  sat.get_model(model);
  ASSERT_EQ(model.size(), 7u) << "not the allocator's top id";
  EXPECT_TRUE(satisfies(model, {a, b, c}));
  for (int v : {1, 2, 3, 7}) EXPECT_NE(model[v - 1], 0) << "variable " << v;
}

TEST_F(BridgeTest, GetModelMakesAnExactCopy) {
  hard({1, 2});
  hard({-2});
  ASSERT_EQ(sat.run_sat_solver(), PicosatWrapper::SAT);
  std::vector<int> longer(10, 5);
  std::vector<int> shorter;
  sat.get_model(longer);
  sat.get_model(shorter);
  EXPECT_EQ(longer, (std::vector<int>{1, -1}));
  EXPECT_EQ(shorter, longer);
}

TEST_F(BridgeTest, ModelsOfCallsWithoutResetFollowEachOther) {
  hard({1});
  hard({-2});
  ASSERT_EQ(sat.run_sat_solver(), PicosatWrapper::SAT);
  ASSERT_EQ(sat.run_sat_solver(), PicosatWrapper::SAT);
  std::vector<int> model;
  sat.get_model(model);
  EXPECT_EQ(model, (std::vector<int>{1, -1, 1, -1}));
  sat.reset();
  sat.get_model(model);
  EXPECT_TRUE(model.empty());
}

TEST_F(BridgeTest, CoreHoldsOnlySetClausesInHandoverOrder) {
  // A contradiction over 1..3 and unrelated satisfiable clauses over 4..8.
  BasicClause* c1 = hard({1, 2});
  BasicClause* c2 = hard({-1, 2});
  BasicClause* c3 = weighted({1, -2}, 3);
  BasicClause* c4 = weighted({-1, -2, 3}, 5);
  BasicClause* c5 = hard({-3, -2});
  std::vector<BasicClause*> unrelated{hard({4, 5}), hard({-5, 6}), weighted({7, -8}, 2)};
  core.push_back(unrelated[0]);  // the list is appended to, never emptied by the bridge

  ASSERT_EQ(sat.run_sat_solver(), PicosatWrapper::UNSAT);
  ASSERT_GE(core.size(), 2u);
  EXPECT_EQ(core.front(), unrelated[0]);
  std::vector<BasicClause*> found(core.begin() + 1, core.end());

  std::vector<BasicClause*> order = handover_order();
  std::size_t pos = 0;
  for (BasicClause* cl : found) {
    EXPECT_TRUE(set.is_member(cl));
    auto it = std::find(order.begin() + static_cast<long>(pos), order.end(), cl);
    ASSERT_NE(it, order.end()) << "core clause out of hand-over order, or repeated";
    pos = static_cast<std::size_t>(it - order.begin()) + 1;
    EXPECT_TRUE(cl == c1 || cl == c2 || cl == c3 || cl == c4 || cl == c5)
        << "clause outside the contradiction";
  }
  EXPECT_TRUE(unsatisfiable(found));
  sat.reset();
}

TEST_F(BridgeTest, EmptyClauseIsAnUnsatisfiableCore) {
  hard({1, 2});
  BasicClause* empty = hard({});
  ASSERT_EQ(empty->size(), 0u);
  ASSERT_EQ(sat.run_sat_solver(), PicosatWrapper::UNSAT);
  EXPECT_EQ(core, (std::vector<BasicClause*>{empty}));
}

TEST_F(BridgeTest, WeightZeroClausesAreNotHandedOver) {
  BasicClause* unit = hard({1});
  BasicClause* neg = hard({-1});
  weighted({2}, 0);
  weighted({-2, 1}, 0);
  ASSERT_EQ(sat.run_sat_solver(), PicosatWrapper::UNSAT);
  std::sort(core.begin(), core.end());
  std::vector<BasicClause*> want{unit, neg};
  std::sort(want.begin(), want.end());
  EXPECT_EQ(core, want);
}

TEST_F(BridgeTest, WeightZeroClausesAloneAreSatisfiable) {
  weighted({1}, 0);
  weighted({-1}, 0);
  EXPECT_EQ(sat.run_sat_solver(), PicosatWrapper::SAT);
  EXPECT_TRUE(core.empty());
}

TEST_F(BridgeTest, VariablesOnlyInWeightZeroClausesAreFalse) {
  // Variable 3 lies below the largest handed-over variable, 9 above it.
  hard({1, 5});
  hard({-5, 2});
  weighted({3, -1}, 0);
  weighted({3}, 0);
  weighted({9, 4}, 0);
  weighted({4}, 0);
  ASSERT_EQ(sat.run_sat_solver(), PicosatWrapper::SAT);
  std::vector<int> model;
  sat.get_model(model);
  ASSERT_EQ(model.size(), 9u);
  EXPECT_EQ(model[3 - 1], -1);
  EXPECT_EQ(model[4 - 1], -1);
  EXPECT_EQ(model[9 - 1], -1);
}

TEST_F(BridgeTest, WeightZeroIsHardUnderATopWeightOfZero) {
  set.set_top_weight(0);
  weighted({1}, 0);
  weighted({-1}, 0);
  EXPECT_EQ(sat.run_sat_solver(), PicosatWrapper::UNSAT);
  EXPECT_EQ(core.size(), 2u);
}

TEST_F(BridgeTest, SoftCnfHandsOverGroupZero) {
  // In soft CNF instances the weight field is a group id, so 0 is a group like any other.
  PicosatWrapper scnf{set, core, true};
  BasicClause* unit = hard({1});
  set.set_cltype(CL_HARD);
  LitVector lits{-1};
  BasicClause* grp0 = set.add_clause(lits);
  set.set_cl_group(grp0, 0);
  ASSERT_EQ(scnf.run_sat_solver(), PicosatWrapper::UNSAT);
  std::sort(core.begin(), core.end());
  std::vector<BasicClause*> want{unit, grp0};
  std::sort(want.begin(), want.end());
  EXPECT_EQ(core, want);
}

TEST_F(BridgeTest, ResetBetweenCallsLeavesNoStaleCoreEntries) {
  // Fewer clauses reach the library in the second call than in the first; the core of the
  // second call must still name only clauses of that call.
  BasicClause* a = hard({1});
  BasicClause* b = hard({-1});
  BasicClause* c = hard({2, 3});
  ASSERT_EQ(sat.run_sat_solver(), PicosatWrapper::UNSAT);
  core.clear();
  sat.reset();
  c->set_weight(0);
  b->set_weight(0);
  hard({-2});
  hard({-3});
  ASSERT_EQ(sat.run_sat_solver(), PicosatWrapper::SAT);
  sat.reset();
  b->set_weight(set.get_top_weight());
  ASSERT_EQ(sat.run_sat_solver(), PicosatWrapper::UNSAT);
  for (BasicClause* cl : core) EXPECT_NE(cl, c);
  EXPECT_NE(std::find(core.begin(), core.end(), a), core.end());
  EXPECT_NE(std::find(core.begin(), core.end(), b), core.end());
}

TEST_F(BridgeTest, CoreAfterASatisfiableCallWithoutReset) {
  // The first call hands over three clauses, the second only two of them: the clause index
  // the library gave the third must not reappear in the second core.
  BasicClause* a = hard({1});
  BasicClause* b = weighted({-1, 2}, 4);
  BasicClause* c = hard({3, 4});
  ASSERT_EQ(sat.run_sat_solver(), PicosatWrapper::SAT);
  b->set_weight(0);
  c->set_weight(0);
  BasicClause* d = hard({-1});
  ASSERT_EQ(sat.run_sat_solver(), PicosatWrapper::UNSAT);
  std::sort(core.begin(), core.end());
  std::vector<BasicClause*> want{a, d};
  std::sort(want.begin(), want.end());
  EXPECT_EQ(core, want);
}

}  // namespace
