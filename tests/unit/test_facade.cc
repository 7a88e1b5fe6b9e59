// The facade's working operations as an embedding program uses them: clause additions and the
// top id, solving, enumeration with its cube counter and blocking clauses, the result
// operations before and after solving, and the life cycle across reset() and a second init().
// Instances are small enough that their optima are known by hand; each case says why.
#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

#include "clauses/basic_clause.hh"
#include "clauses/basic_clause_set.hh"
#include "clauses/cl_registry.hh"
#include "clauses/id_manager.hh"
#include "facade/qrnapp.hh"

namespace {

class FacadeTest : public ::testing::Test {
protected:
  void SetUp() override {
    q.set_runtime_defaults();
    q.set_verbosity(0);
    QRNConfig::enum_models = false;
    QRNConfig::num_cubes = 0;
    QRNConfig::enum_rv = true;
    QRNConfig::lst_unsat_cls = false;
    q.reset();
    q.init();
    q.set_prob_partial_maxsat();
  }
  void TearDown() override { q.reset(); }

  QRNCl* soft(std::vector<long> lits) {
    QRNCl* cl = q.add_clause(lits);
    q.set_clause_soft(cl);
    return cl;
  }
  QRNCl* hard(std::vector<long> lits) { return q.add_clause(lits); }

  // k independent pairs: hard (a b), soft -a, soft -b. Optimum k, 2^k optimal assignments,
  // each with its own set of falsified soft clauses.
  void add_pairs(long k) {
    for (long i = 0; i < k; ++i) {
      hard({2 * i + 1, 2 * i + 2});
      soft({-(2 * i + 1)});
      soft({-(2 * i + 2)});
    }
  }

  // Calls iter_solve until it says stop; returns the number of calls that said go on.
  long enumerate_all() {
    long go_on = 0;
    while (q.iter_solve()) ++go_on;
    return go_on;
  }

  Quarnel& q = Quarnel::instance();
};

TEST_F(FacadeTest, AddedClausesRaiseTheTopIdOnly) {
  IDManager* imgr = QuarnelExtended::bind_instance()->get_id_manager();
  q.add_unit_clause(-12);
  EXPECT_EQ(imgr->get_top_id(), 12);
  q.add_binary_clause(3, 5);
  EXPECT_EQ(imgr->get_top_id(), 12);
  q.add_ternary_clause(-20, 1, 2);
  EXPECT_EQ(imgr->get_top_id(), 20);
}

TEST_F(FacadeTest, SameLiteralsSameHandle) {
  QRNCl* a = q.add_binary_clause(4, -2);
  QRNCl* b = q.add_binary_clause(-2, 4);
  EXPECT_EQ(a, b);
  EXPECT_EQ(QuarnelExtended::bind_instance()->get_clause_set()->size(), 1u);
}

TEST_F(FacadeTest, KindSettersSetTheWeight) {
  QRNCl* cl = q.add_unit_clause(7);
  BasicClauseSet* set = QuarnelExtended::bind_instance()->get_clause_set();
  EXPECT_EQ(cl->get_weight(), set->get_top_weight());
  q.set_clause_soft(cl);
  EXPECT_EQ(cl->get_weight(), 1u);
  q.set_clause_weight(cl, 9);
  EXPECT_EQ(cl->get_weight(), 9u);
  q.set_clause_hard(cl);
  EXPECT_EQ(cl->get_weight(), set->get_top_weight());
}

TEST_F(FacadeTest, ResultOperationsBeforeSolvingGiveNothing) {
  QRNCl* cl = soft({1});
  std::vector<int> model;
  std::vector<long> rvars;
  q.get_model(model);
  q.get_relaxation_vars(rvars);
  EXPECT_TRUE(model.empty());
  EXPECT_TRUE(rvars.empty());
  EXPECT_FALSE(q.chk_unsat_clause(cl));
}

TEST_F(FacadeTest, SolveReportsCostModelAndUnsatClauses) {
  QRNCl* pos = soft({1});
  QRNCl* neg = soft({-1});
  soft({2});
  EXPECT_TRUE(q.solve());
  EXPECT_EQ(q.get_min_unsat_cost(), 1);
  EXPECT_EQ(q.get_num_init_vars(), 2);
  std::vector<int> model;
  q.get_model(model);
  ASSERT_GE(model.size(), 2u);
  EXPECT_GT(model[1], 0);
  // Exactly the clause the model falsifies is reported, through its relaxation variable.
  EXPECT_EQ(q.chk_unsat_clause(pos), model[0] < 0);
  EXPECT_EQ(q.chk_unsat_clause(neg), model[0] > 0);
  std::vector<long> rvars;
  q.get_relaxation_vars(rvars);
  ASSERT_EQ(rvars.size(), 2u);
  for (long rv : rvars) EXPECT_GT(rv, 2);
}

TEST_F(FacadeTest, GetModelAppends) {
  soft({1});
  hard({-1, 2});
  q.solve();
  std::vector<int> once;
  q.get_model(once);
  std::vector<int> twice;
  q.get_model(twice);
  q.get_model(twice);
  ASSERT_FALSE(once.empty());
  EXPECT_EQ(twice.size(), 2 * once.size());
  EXPECT_TRUE(std::equal(once.begin(), once.end(), twice.begin() + once.size()));
}

TEST_F(FacadeTest, UnsatClauseCheckWithoutStoredModelIsFalse) {
  // No model is kept: the relaxation variables lie beyond the (empty) stored model.
  QRNConfig::lst_model = false;
  QRNCl* pos = soft({1});
  QRNCl* neg = soft({-1});
  q.solve();
  EXPECT_EQ(q.get_min_unsat_cost(), 1);
  std::vector<int> model;
  q.get_model(model);
  EXPECT_TRUE(model.empty());
  EXPECT_FALSE(q.chk_unsat_clause(pos));
  EXPECT_FALSE(q.chk_unsat_clause(neg));
}

TEST_F(FacadeTest, UnsatisfiableHardClauses) {
  hard({1});
  hard({-1});
  soft({2});
  q.solve();
  EXPECT_EQ(q.get_min_unsat_cost(), -1);
  std::vector<int> model;
  q.get_model(model);
  EXPECT_TRUE(model.empty());
}

TEST_F(FacadeTest, IterSolveWithoutEnumerationDoesNothing) {
  add_pairs(1);
  EXPECT_FALSE(q.iter_solve());
  EXPECT_EQ(QRNAppObjs::_solver, nullptr);
  EXPECT_EQ(QRNAppObjs::_ncubes, 0);
}

TEST_F(FacadeTest, OneCubeRequested) {
  // Two cubes exist: the second call finds the other one, counts it and says stop.
  q.set_enumerate_models(1);
  add_pairs(1);
  EXPECT_TRUE(q.iter_solve());
  EXPECT_EQ(q.get_min_unsat_cost(), 1);
  EXPECT_EQ(QRNAppObjs::_ncubes, 1);
  EXPECT_FALSE(q.iter_solve());
  EXPECT_EQ(QRNAppObjs::_ncubes, 2);
}

TEST_F(FacadeTest, NoFurtherCubeLeavesTheCounter) {
  // The hard clauses force x1 true and x2 false: one cube, and the second call costs more.
  q.set_enumerate_models(1);
  hard({1, 2});
  hard({-2});
  soft({-1});
  EXPECT_TRUE(q.iter_solve());
  EXPECT_EQ(q.get_min_unsat_cost(), 1);
  EXPECT_FALSE(q.iter_solve());
  EXPECT_EQ(QRNAppObjs::_ncubes, 1);
  EXPECT_EQ(q.get_min_unsat_cost(), 1);
}

TEST_F(FacadeTest, EnumerateAllCubesOverEitherBasis) {
  struct Case {
    bool over_relaxation_vars;
    long cubes;
  };
  // Three pairs: 8 optimal assignments, 8 sets of falsified clauses.
  for (const Case& c : {Case{true, 8}, Case{false, 8}}) {
    SCOPED_TRACE(c.over_relaxation_vars);
    q.reset();
    q.init();
    if (c.over_relaxation_vars)
      q.set_enum_relax_vars();
    else
      q.set_enum_orig_vars();
    q.set_enumerate_models();
    add_pairs(3);
    EXPECT_EQ(enumerate_all(), c.cubes);
    EXPECT_EQ(QRNAppObjs::_ncubes, c.cubes);
    EXPECT_EQ(q.get_min_unsat_cost(), 3);
  }
}

TEST_F(FacadeTest, CostZeroHasOneRelaxationCubeAndAllModelsAsInputCubes) {
  // (1 2) alone: no core, so no relaxation variable; three models over the input variables.
  q.set_enumerate_models();
  soft({1, 2});
  EXPECT_EQ(enumerate_all(), 1);
  EXPECT_EQ(q.get_min_unsat_cost(), 0);

  q.reset();
  q.init();
  q.set_enum_orig_vars();
  soft({1, 2});
  EXPECT_EQ(enumerate_all(), 3);
}

TEST_F(FacadeTest, SolveThenIterSolve) {
  // solve() does not count; the first iter_solve() stores its own result.
  add_pairs(2);
  q.solve();
  EXPECT_EQ(q.get_min_unsat_cost(), 2);
  q.set_enumerate_models(5);
  EXPECT_TRUE(q.iter_solve());
  EXPECT_EQ(QRNAppObjs::_ncubes, 1);
  // The formula is already relaxed: the engine adds nothing to the cost.
  EXPECT_EQ(q.get_min_unsat_cost(), 0);
}

TEST_F(FacadeTest, ResetStartsAfresh) {
  q.set_enumerate_models();
  add_pairs(2);
  EXPECT_EQ(enumerate_all(), 4);
  q.reset();
  EXPECT_EQ(QRNAppObjs::_solver, nullptr);
  EXPECT_EQ(QRNAppObjs::_ncubes, 0);
  EXPECT_EQ(QuarnelExtended::bind_instance()->get_clause_set(), nullptr);

  // A new instance: its own optimum and cubes, nothing of the old one.
  q.init();
  add_pairs(1);
  EXPECT_EQ(enumerate_all(), 2);
  EXPECT_EQ(q.get_min_unsat_cost(), 1);
}

TEST_F(FacadeTest, SecondInitReplacesTheInstance) {
  add_pairs(2);
  q.solve();
  EXPECT_EQ(q.get_min_unsat_cost(), 2);
  q.init();
  EXPECT_EQ(QuarnelExtended::bind_instance()->get_clause_set()->size(), 0u);
  EXPECT_EQ(QuarnelExtended::bind_instance()->get_id_manager()->get_top_id(), 0);
  soft({5});
  q.solve();
  EXPECT_EQ(q.get_min_unsat_cost(), 0);
}

TEST_F(FacadeTest, SecondInitStartsANewEnumeration) {
  q.set_enumerate_models();
  add_pairs(1);
  EXPECT_EQ(enumerate_all(), 2);
  q.init();
  add_pairs(2);
  EXPECT_EQ(enumerate_all(), 4);
  EXPECT_EQ(QRNAppObjs::_ncubes, 4);
  EXPECT_EQ(q.get_min_unsat_cost(), 2);
}

// Relaxation and auxiliary variable ids are handed out again by the next instance; the clauses
// over them must not outlive their instance, or they would shadow the next instance's own
// clauses of the same literals in the registry (and be lost when their set goes).
TEST_F(FacadeTest, NextInstanceClausesAreRegistered) {
  for (int round = 0; round < 2; ++round) {
    SCOPED_TRACE(round);
    q.reset();
    q.init();
    add_pairs(2);
    q.solve();
    EXPECT_EQ(q.get_min_unsat_cost(), 2);
    for (BasicClause* cl : *QuarnelExtended::bind_instance()->get_clause_set())
      EXPECT_EQ(ClauseRegistry::clreg_instance->find_clause(cl->get_lits()), cl);
  }
}

// Death tests run before all others (the suite name says so), in a process that holds no
// clause from an earlier test.
using FacadeDeathTest = FacadeTest;

TEST_F(FacadeDeathTest, GetVarAndPrintStatsEndTheProcess) {
  EXPECT_EXIT(q.get_var(1), ::testing::ExitedWithCode(3), "");
  EXPECT_EXIT(q.print_stats(), ::testing::ExitedWithCode(3), "");
}

}  // namespace
