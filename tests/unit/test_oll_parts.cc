// The parts of the incremental engine that can be wrong on their own: the totalizer's outputs
// (checked on every count of true inputs, built at once and extended step by step), the weight
// levels of stratification, and the engine's answer when it is told to stop.
#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <vector>

#include "clauses/basic_clause_set.hh"
#include "clauses/instance_snapshot.hh"
#include "engine/oll_solver.hh"
#include "engine/totalizer.hh"
#include "engine/weight_strata.hh"
#include "sat/sat_oracle.hh"

namespace {

// With exactly `m` of `n` inputs forced true, "at most k-1 are true" (the negated output k) is
// satisfiable exactly when m < k, for every output that exists.
void expect_counts(int n, int first_bound, bool stepwise) {
  std::mt19937 gen(static_cast<unsigned>(n * 31 + first_bound));
  for (int m = 0; m <= n; ++m) {
    auto sat = make_sat_oracle();
    std::vector<int> inputs;
    for (int i = 0; i < n; ++i) inputs.push_back(sat->new_var());
    std::vector<int> order = inputs;
    std::shuffle(order.begin(), order.end(), gen);
    for (int i = 0; i < n; ++i) sat->add_unit(i < m ? order[static_cast<std::size_t>(i)] : -order[static_cast<std::size_t>(i)]);
    Totalizer tot(*sat, inputs, first_bound);
    if (stepwise)
      for (int b = first_bound + 1; b <= n + 1; ++b) tot.extend(*sat, b);
    else
      tot.extend(*sat, n + 1);
    ASSERT_EQ(tot.bound(), n);
    for (int k = 1; k <= n; ++k) {
      const bool expect_sat = m < k;
      EXPECT_EQ(sat->solve({-tot.output(k)}) == SatOracle::Result::satisfiable, expect_sat)
          << "n " << n << " true " << m << " output " << k << (stepwise ? " stepwise" : "");
    }
  }
}

TEST(Totalizer, OutputsCountTrueInputsBuiltAtOnceOrExtended) {
  for (int n = 1; n <= 9; ++n) {
    expect_counts(n, 1, true);
    expect_counts(n, 2, false);
    expect_counts(n, n, false);
  }
}

TEST(WeightStrata, LevelsDescendToTheEnd) {
  // Few distinct weights: one level each.
  std::vector<Cost> weights = {5, 5, 3, 9, 1, 3};
  std::vector<Cost> seen;
  for (Cost t = next_weight_threshold(weights, ~Cost(0)); t != 0; t = next_weight_threshold(weights, t))
    seen.push_back(t);
  EXPECT_EQ(seen, (std::vector<Cost>{9, 5, 3}));

  // Many distinct weights: levels grouped, never more than the cap, always descending.
  std::vector<Cost> many;
  for (Cost w = 1; w <= 10000; ++w) many.push_back(w * 7);
  std::size_t levels = 0;
  Cost last = ~Cost(0);
  for (Cost t = next_weight_threshold(many, last); t != 0; t = next_weight_threshold(many, t)) {
    EXPECT_LT(t, last);
    last = t;
    ++levels;
  }
  EXPECT_LE(levels, 2 * max_weight_levels);
  EXPECT_GT(levels, max_weight_levels / 2);
}

// An instance whose optimum takes several cores: a stop request before the end gives the best
// model found so far, checked, or no model; never a claimed optimum.
TEST(OllSolver, StopRequestGivesTheBestModelOrNone) {
  BasicClauseSet clset;
  clset.set_cltype(CL_WEIGHTED);
  std::vector<long> lits;
  for (long v = 1; v <= 12; ++v) {
    lits = {v};
    clset.set_cl_weight(clset.add_clause(lits), static_cast<weight_t>(v));
    for (long u = v + 1; u <= 12; ++u) {
      lits = {-v, -u};
      clset.set_cl_hard(clset.add_clause(lits));
    }
  }
  const InstanceSnapshot instance(clset);
  for (int polls = 0; polls < 6; ++polls) {
    EngineOptions options;
    int count = 0;
    options.out_of_time = [&count, polls] { return ++count > polls; };
    OllSolver solver(instance, options);
    const EngineResult r = solver.solve();
    ASSERT_NE(r.status, EngineStatus::internal_error) << r.error;
    if (r.status == EngineStatus::optimum) {
      EXPECT_EQ(r.cost, Cost(1 + 2 + 3 + 4 + 5 + 6 + 7 + 8 + 9 + 10 + 11));
    } else if (r.status == EngineStatus::satisfiable) {
      EXPECT_TRUE(instance.satisfies_hard(r.model));
      EXPECT_EQ(instance.cost_of(r.model), r.cost);
    } else {
      EXPECT_EQ(r.status, EngineStatus::unknown);
      EXPECT_TRUE(r.model.empty());
    }
  }
}

}  // namespace
