// The core-guided loop through the facade, the way an embedding program drives it: init, clauses,
// kinds and weights, problem type, solve, results. Cases that end the process (placeholder
// algorithms, time budget, unsupported problem types, cost overflow) run in a child whose
// output is compared line by line.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <limits>
#include <regex>
#include <string>
#include <vector>

#include "clauses/basic_clause_set.hh"
#include "engine/qrn/umaxsat_solver.hh"
#include "engine_test_support.hh"
#include "facade/qrnapp.hh"

namespace {

using engine_test::ConfigGuard;
using engine_test::holds;
using engine_test::run_in_child;

class Qrn1Test : public ::testing::Test {
protected:
  void SetUp() override {
    QRNConfig::optlock = false;  // nothing in the facade clears the lock; each test starts open
    q.set_runtime_defaults();
    q.set_verbosity(0);
    q.init();
  }
  void TearDown() override { q.reset(); }

  BasicClauseSet& clset() { return *QuarnelExtended::bind_instance()->get_clause_set(); }
  UnsatMaxSATSolver& solver() { return *QRNAppObjs::_solver; }

  QRNCl* hard(std::vector<long> lits) { return q.add_clause(lits); }
  QRNCl* soft(std::vector<long> lits, long w) {
    QRNCl* cl = q.add_clause(lits);
    q.set_clause_weight(cl, w);
    return cl;
  }
  QRNCl* soft(std::vector<long> lits) {
    QRNCl* cl = q.add_clause(lits);
    q.set_clause_soft(cl);
    return cl;
  }

  std::vector<long> relaxation_vars() {
    std::vector<long> rv;
    q.get_relaxation_vars(rv);
    std::sort(rv.begin(), rv.end());
    return rv;
  }

  ConfigGuard guard;
  Quarnel& q = Quarnel::instance();
};

// Whether the model satisfies the clause (variables beyond the model count as false).
bool satisfied(const std::vector<int>& model, const std::vector<long>& lits) {
  for (long lit : lits) {
    std::size_t v = static_cast<std::size_t>(std::labs(lit));
    int value = v <= model.size() ? model[v - 1] : -1;
    if ((lit > 0 && value > 0) || (lit < 0 && value < 0)) return true;
  }
  return false;
}

TEST_F(Qrn1Test, RoadOfOneInstance) {
  // p wcnf 3 4 10: two hard clauses, soft (1) of weight 2 and soft (2 3) of weight 5, which the
  // hard clauses keep from holding together.
  clset().set_top_weight(10);
  hard({-1, -2});
  hard({-1, -3});
  QRNCl* light = soft({1}, 2);
  QRNCl* heavy = soft({2, 3}, 5);
  q.set_prob_weighted_maxsat();
  // The first SAT call hands the clauses over in the set's order, and the core lists them so.
  std::vector<BasicClause*> order(clset().begin(), clset().end());
  const bool light_first = std::find(order.begin(), order.end(), light) <
                           std::find(order.begin(), order.end(), heavy);

  ASSERT_TRUE(q.solve());
  EXPECT_EQ(q.get_min_unsat_cost(), 2);
  EXPECT_EQ(relaxation_vars(), (std::vector<long>{4, 5}));
  const long light_rv = light_first ? 4 : 5;
  const long copy_rv = light_first ? 5 : 4;

  EXPECT_EQ(light->get_lits(), (std::vector<long>{1, light_rv})) << "relaxed in place";
  EXPECT_EQ(light->get_weight(), 2u);
  EXPECT_EQ(heavy->get_lits(), (std::vector<long>{2, 3})) << "split, not relaxed";
  EXPECT_EQ(heavy->get_weight(), 3u);
  ASSERT_TRUE(holds(clset(), {2, 3, copy_rv}));
  BasicClause* copy = engine_test::registered({2, 3, copy_rv});
  EXPECT_EQ(copy->get_weight(), 2u);
  EXPECT_EQ(solver().get_rvar_cl_map().at(light_rv), light);
  EXPECT_EQ(solver().get_rvar_cl_map().at(copy_rv), copy);
  EXPECT_TRUE(holds(clset(), {4, 5})) << "at-least-one half of the exactly-one constraint";

  std::vector<int> model;
  q.get_model(model);
  EXPECT_TRUE(satisfied(model, {-1, -2}));
  EXPECT_TRUE(satisfied(model, {-1, -3}));
  EXPECT_FALSE(satisfied(model, {1}));
  EXPECT_TRUE(satisfied(model, {2, 3}));
  EXPECT_TRUE(q.chk_unsat_clause(light));
}

TEST_F(Qrn1Test, ProgressLinesOfTheRoad) {
  auto outcome = run_in_child([this] {
    q.set_verbosity(2);
    clset().set_top_weight(10);
    hard({-1, -2});
    hard({-1, -3});
    soft({1}, 2);
    soft({2, 3}, 5);
    q.set_prob_weighted_maxsat();
    q.solve();
    std::cout << "cost " << q.get_min_unsat_cost() << "\n";
  });
  ASSERT_TRUE(outcome.exited);
  EXPECT_EQ(outcome.status, 0);
  const std::regex want(
      "c Found core #1\\. Iterating\\.\\.\\. CPU Time: [0-9.e+-]+\n"
      "c Min unsat cost LB: 2 \\.\\.\\. \n"
      "c Found MaxSAT solution\\. Terminating\\.\\.\\. CPU Time: [0-9.e+-]+\n"
      "cost 2\n");
  EXPECT_TRUE(std::regex_match(outcome.output, want)) << outcome.output;
}

TEST_F(Qrn1Test, AllSatisfiableCostsNothing) {
  hard({1, 2});
  soft({-1});
  soft({-2, 3});
  q.set_prob_partial_maxsat();
  q.solve();
  EXPECT_EQ(q.get_min_unsat_cost(), 0);
  EXPECT_TRUE(relaxation_vars().empty());
  std::vector<int> model;
  q.get_model(model);
  EXPECT_TRUE(satisfied(model, {1, 2}));
  EXPECT_TRUE(satisfied(model, {-1}));
  EXPECT_TRUE(satisfied(model, {-2, 3}));
}

TEST_F(Qrn1Test, ContradictoryHardClausesGiveMinusOne) {
  auto outcome = run_in_child([this] {
    q.set_verbosity(2);
    hard({1, 2});
    hard({-1});
    hard({-2});
    soft({3});
    soft({-3, 4});
    q.set_prob_partial_maxsat();
    q.solve();
    std::cout << "cost " << q.get_min_unsat_cost() << "\n";
  });
  ASSERT_TRUE(outcome.exited);
  EXPECT_EQ(outcome.status, 0);
  const std::regex want("c Found core #1\\. Iterating\\.\\.\\. CPU Time: [0-9.e+-]+\ncost -1\n");
  EXPECT_TRUE(std::regex_match(outcome.output, want)) << outcome.output;
}

TEST_F(Qrn1Test, PlainMaxSatAddsOnePerCore) {
  // Three independent contradictions: three cores, cost 3.
  for (long v = 1; v <= 3; ++v) {
    soft({v});
    soft({-v});
  }
  q.set_prob_plain_maxsat();
  q.solve();
  EXPECT_EQ(q.get_min_unsat_cost(), 3);
  EXPECT_EQ(relaxation_vars().size(), 6u);
}

TEST_F(Qrn1Test, WeightedCoreSplitsHeavierClauses) {
  QRNCl* three = soft({1}, 3);
  QRNCl* five = soft({-1}, 5);
  q.set_prob_weighted_maxsat();
  q.solve();
  EXPECT_EQ(q.get_min_unsat_cost(), 3);
  const std::vector<long> rv = relaxation_vars();
  ASSERT_EQ(rv.size(), 2u);
  const long three_rv = three->get_lits().back();
  EXPECT_EQ(three->get_weight(), 3u);
  EXPECT_EQ(three->size(), 2u);
  EXPECT_EQ(five->get_lits(), (std::vector<long>{-1}));
  EXPECT_EQ(five->get_weight(), 2u) << "the remainder 5 - 3 stays soft";
  const long copy_rv = three_rv == rv[0] ? rv[1] : rv[0];
  ASSERT_TRUE(holds(clset(), {-1, copy_rv}));
  EXPECT_EQ(engine_test::registered({-1, copy_rv})->get_weight(), 3u);
}

TEST_F(Qrn1Test, EqualWeightsAreAllRelaxedInPlace) {
  QRNCl* a = soft({1}, 4);
  QRNCl* b = soft({-1}, 4);
  q.set_prob_weighted_maxsat();
  q.solve();
  EXPECT_EQ(q.get_min_unsat_cost(), 4);
  EXPECT_EQ(a->size(), 2u);
  EXPECT_EQ(b->size(), 2u);
  EXPECT_EQ(relaxation_vars().size(), 2u);
}

TEST_F(Qrn1Test, WeightsBeyond32BitsAreExact) {
  const Cost big = Cost(1) << 40;
  clset().set_top_weight(Cost(1) << 50);
  QRNCl* a = q.add_unit_clause(1);
  QRNCl* b = q.add_unit_clause(-1);
  clset().set_cl_weight(a, big + 1);
  clset().set_cl_weight(b, big);
  q.set_prob_weighted_maxsat();
  q.solve();
  EXPECT_EQ(q.get_min_unsat_cost(), static_cast<long>(big));
}

TEST_F(Qrn1Test, WeightZeroClausesCannotStallTheLoop) {
  // Were the weight-0 clause handed over, the first core could be {(1), (-1)} with minimum 0:
  // no progress, and a weight-0 copy of (-1) to meet again.
  soft({1}, 0);
  soft({-1}, 5);
  soft({1, 2}, 3);
  hard({-2});
  q.set_prob_weighted_maxsat();
  q.solve();
  EXPECT_EQ(q.get_min_unsat_cost(), 3);
}

TEST_F(Qrn1Test, OnlyWeightZeroClausesConflicting) {
  soft({1}, 0);
  soft({-1}, 0);
  soft({1, 2}, 0);
  q.set_prob_weighted_maxsat();
  q.solve();
  EXPECT_EQ(q.get_min_unsat_cost(), 0);
  EXPECT_TRUE(relaxation_vars().empty());
}

TEST_F(Qrn1Test, RepeatedSolveOnTheRelaxedFormulaAddsNothing) {
  soft({1}, 2);
  soft({-1}, 2);
  q.set_prob_weighted_maxsat();
  q.solve();
  EXPECT_EQ(q.get_min_unsat_cost(), 2);
  q.solve();
  EXPECT_EQ(q.get_min_unsat_cost(), 0);
}

// The registry outlives the facade's reset, and a second instance in the same process hands out
// the same relaxation variables again, so its relaxed clauses take the literal sequences of the
// first instance's. Neither instance's clauses may leak (the sanitizer build's leak check fails
// this test otherwise), and each must solve as if it ran alone.
TEST_F(Qrn1Test, SecondInstanceRelaxesIntoLiteralsOfTheFirst) {
  for (int run = 0; run < 2; ++run) {
    if (run > 0) q.init();
    QRNCl* a = soft({1});
    hard({-1});
    q.set_prob_partial_maxsat();
    q.solve();
    EXPECT_EQ(q.get_min_unsat_cost(), 1);
    EXPECT_EQ(a->get_lits(), (std::vector<long>{1, 2}));
    EXPECT_TRUE(solver().get_clause_rvars(a) != nullptr);
    if (run == 0) q.reset();
  }
}

struct Placeholder {
  const char* alg;
  const char* message;
};

void PrintTo(const Placeholder& p, std::ostream* os) { *os << p.alg; }

class PlaceholderTest : public Qrn1Test, public ::testing::WithParamInterface<Placeholder> {};

TEST_P(PlaceholderTest, StopsBeforeAnySatCall) {
  auto outcome = run_in_child([this] {
    q.set_verbosity(2);
    QRNConfig::optlock = false;
    q.set_algorithm(GetParam().alg);
    soft({1});
    soft({-1});
    q.solve();
  });
  ASSERT_TRUE(outcome.exited);
  EXPECT_EQ(outcome.status, 3);
  EXPECT_EQ(outcome.output, std::string("QRN ERROR: ") + GetParam().message + "\n");
}

INSTANTIATE_TEST_SUITE_P(
    Algorithms, PlaceholderTest,
    ::testing::Values(Placeholder{"2", "Algorithm qrn2.0 not yet implemented"},
                      Placeholder{"3", "Algorithm qrn3.0 not yet implemented"},
                      Placeholder{"3.1", "Algorithm qrn3.1 not yet implemented"},
                      Placeholder{"4", "Algorithm qrn4.0 not yet implemented"}),
    [](const ::testing::TestParamInfo<Placeholder>& info) {
      std::string name = std::string("qrn") + info.param.alg;
      std::replace(name.begin(), name.end(), '.', '_');
      return name;
    });

TEST_F(Qrn1Test, ZeroTimeBudgetStopsAfterTheFirstRelaxation) {
  auto outcome = run_in_child([this] {
    q.set_verbosity(2);
    q.set_timeout(0);
    for (long v = 1; v <= 3; ++v) {
      soft({v});
      soft({-v});
    }
    q.set_prob_plain_maxsat();
    q.solve();
  });
  ASSERT_TRUE(outcome.exited);
  EXPECT_EQ(outcome.status, 3);
  const std::regex want("c Found core #1\\. Iterating\\.\\.\\. CPU Time: [0-9.e+-]+\nQRN WARN: CPU time exceeded\n");
  EXPECT_TRUE(std::regex_match(outcome.output, want)) << outcome.output;
}

TEST_F(Qrn1Test, ZeroTimeBudgetDoesNotStopASatisfiableInstance) {
  q.set_timeout(0);
  soft({1});
  q.solve();
  EXPECT_EQ(q.get_min_unsat_cost(), 0);
}

struct Fatal {
  const char* name;
  int type;
  const char* message;
};

void PrintTo(const Fatal& f, std::ostream* os) { *os << f.name; }

class FatalTypeTest : public Qrn1Test, public ::testing::WithParamInterface<Fatal> {};

TEST_P(FatalTypeTest, StopsAtTheFirstCore) {
  auto outcome = run_in_child([this] {
    soft({1});
    soft({-1});
    QRNConfig::qrntype = GetParam().type;
    q.solve();
  });
  ASSERT_TRUE(outcome.exited);
  EXPECT_EQ(outcome.status, 3);
  EXPECT_EQ(outcome.output, std::string("QRN ERROR: ") + GetParam().message + "\n");
}

TEST_P(FatalTypeTest, SatisfiableInstanceIsSolvedWhateverTheType) {
  soft({1});
  soft({2});
  QRNConfig::qrntype = GetParam().type;
  q.solve();
  EXPECT_EQ(q.get_min_unsat_cost(), 0);
}

INSTANTIATE_TEST_SUITE_P(
    Types, FatalTypeTest,
    ::testing::Values(Fatal{"softcnf", MS_SOFTCNF, "Currently unable to solve SoftCNF problems"},
                      Fatal{"unknown", 0x1234, "Invalid MaxSAT solver problem type"}),
    [](const ::testing::TestParamInfo<Fatal>& info) { return std::string(info.param.name); });

TEST_F(Qrn1Test, TwoWeightsOf2To63AreBeyondTheCostRange) {
  auto outcome = run_in_child([this] {
    clset().set_top_weight(std::numeric_limits<Cost>::max());
    QRNCl* a = q.add_unit_clause(1);
    QRNCl* b = q.add_unit_clause(-1);
    clset().set_cl_weight(a, Cost(1) << 63);
    clset().set_cl_weight(b, Cost(1) << 63);
    q.set_prob_weighted_maxsat();
    q.solve();
  });
  ASSERT_TRUE(outcome.exited);
  EXPECT_EQ(outcome.status, 3);
  EXPECT_EQ(outcome.output, "QRN ERROR: Cost out of range\n");
}

TEST_F(Qrn1Test, SoftWeightsBeyondTheCostRangeAreRefusedBeforeSolving) {
  // Four weights of 2^62 add up to 2^64: refused before the first SAT call, no bound printed.
  auto outcome = run_in_child([this] {
    q.set_verbosity(1);
    clset().set_top_weight(std::numeric_limits<Cost>::max());
    for (long v = 1; v <= 2; ++v) {
      QRNCl* a = q.add_unit_clause(v);
      QRNCl* b = q.add_unit_clause(-v);
      clset().set_cl_weight(a, Cost(1) << 62);
      clset().set_cl_weight(b, Cost(1) << 62);
    }
    q.set_prob_weighted_maxsat();
    q.solve();
  });
  ASSERT_TRUE(outcome.exited);
  EXPECT_EQ(outcome.status, 3);
  EXPECT_EQ(outcome.output, "QRN ERROR: Cost out of range\n");
}

TEST_F(Qrn1Test, CostsBeyondTheSignedRangeAreExactUnsigned) {
  // Soft clauses against hard ones, weighing together 2^64 - 2, the largest total allowed: the
  // optimum is that total, exact through the unsigned getter, an error through the signed one.
  const Cost half = Cost(1) << 63;
  clset().set_top_weight(std::numeric_limits<Cost>::max());
  q.add_unit_clause(-1);
  q.add_unit_clause(-2);
  clset().set_cl_weight(q.add_unit_clause(1), half);
  clset().set_cl_weight(q.add_unit_clause(2), half - 2);
  q.set_prob_weighted_maxsat();
  q.solve();
  std::uint64_t cost = 0;
  ASSERT_TRUE(QuarnelExtended::bind_instance()->get_exact_min_unsat_cost(cost));
  EXPECT_EQ(cost, max_total_cost);
  auto outcome = run_in_child([this] { q.get_min_unsat_cost(); });
  ASSERT_TRUE(outcome.exited);
  EXPECT_EQ(outcome.status, 3);
  EXPECT_EQ(outcome.output, "QRN ERROR: Cost out of range\n");
}

TEST_F(Qrn1Test, LargestRepresentableBoundIsReported) {
  clset().set_top_weight(std::numeric_limits<Cost>::max());
  const Cost half = Cost(1) << 62;
  QRNCl* a = q.add_unit_clause(1);
  QRNCl* b = q.add_unit_clause(-1);
  QRNCl* c = q.add_unit_clause(2);
  QRNCl* d = q.add_unit_clause(-2);
  clset().set_cl_weight(a, half);
  clset().set_cl_weight(b, half);
  clset().set_cl_weight(c, half - 1);
  clset().set_cl_weight(d, half - 1);
  q.set_prob_weighted_maxsat();
  q.solve();
  EXPECT_EQ(q.get_min_unsat_cost(), std::numeric_limits<long>::max());
}

}  // namespace
