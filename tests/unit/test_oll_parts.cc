// The parts of the incremental engine that can be wrong on their own: the totalizer's outputs
// (checked on every count of true inputs, built at once and extended step by step), the weight
// levels of stratification, the instance snapshot's numbering of variables, and the engine's
// answer when it is told to stop.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <random>
#include <vector>

#include "clauses/basic_clause_set.hh"
#include "clauses/instance_snapshot.hh"
#include "engine/hybrid_solver.hh"
#include "engine/oll/generalized_totalizer.hh"
#include "engine/oll/oll_solver.hh"
#include "engine/oll/totalizer.hh"
#include "engine/oll/weight_strata.hh"
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

// With the inputs fixed, "the true inputs weigh less than k" (the negated output at_least(k))
// is satisfiable exactly when their weight is below k, for every k up to cap + 1; inputs may
// share a variable or be its negation, as the objective's literals can.
TEST(GeneralizedTotalizer, BoundsTheWeightOfTheTrueInputs) {
  std::mt19937 gen(7);
  for (int round = 0; round < 300; ++round) {
    auto sat = make_sat_oracle();
    const int n = 1 + static_cast<int>(gen() % 8);
    std::vector<int> vars;
    for (int i = 0; i < n; ++i) vars.push_back(sat->new_var());
    std::vector<GeneralizedTotalizer::Input> inputs;
    for (int i = 0; i < n; ++i) {
      const int v = vars[gen() % vars.size()];
      inputs.push_back({gen() % 2 ? v : -v, 1 + Cost(gen() % 9)});
    }
    const Cost cap = gen() % 30;
    std::vector<bool> value(vars.size() + 1);
    for (int v : vars) {
      value[static_cast<std::size_t>(v)] = gen() % 2 != 0;
      sat->add_unit(value[static_cast<std::size_t>(v)] ? v : -v);
    }
    Cost weight = 0;
    for (const auto& in : inputs)
      if (value[static_cast<std::size_t>(std::abs(in.lit))] == (in.lit > 0)) weight += in.weight;
    GeneralizedTotalizer gte(*sat, inputs, cap);
    for (Cost k = 1; k <= cap + 1; ++k) {
      const int out = gte.at_least(k);
      if (out == 0) {
        EXPECT_LT(weight, k) << "round " << round;
        continue;
      }
      EXPECT_EQ(sat->solve({-out}) == SatOracle::Result::satisfiable, weight < k)
          << "round " << round << " weight " << weight << " k " << k << " cap " << cap;
    }
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

// The snapshot numbers the variables that occur 1..n in the order of their ids, whether the ids
// are dense enough for a table or so sparse that they are searched in a sorted list; variables of
// weight-0 soft clauses count, and the engine's optimum is the instance's.
TEST(InstanceSnapshot, NumbersTheVariablesThatOccurDensely) {
  for (const std::vector<long>& ids : {std::vector<long>{5, 9, 12, 13}, std::vector<long>{7, 1000000000, 1999999999, 2000000000}}) {
    BasicClauseSet clset;
    clset.set_cltype(CL_WEIGHTED);
    std::vector<long> lits = {ids[0], -ids[1]};
    clset.set_cl_hard(clset.add_clause(lits));
    lits = {ids[1]};
    clset.set_cl_weight(clset.add_clause(lits), 3);
    lits = {-ids[0], ids[2]};
    clset.set_cl_weight(clset.add_clause(lits), 2);
    lits = {ids[3]};
    clset.set_cl_weight(clset.add_clause(lits), 0);
    const InstanceSnapshot snapshot(clset);
    ASSERT_EQ(snapshot.num_vars(), 4) << ids[3];
    for (int v = 1; v <= 4; ++v) {
      EXPECT_EQ(snapshot.input_var(v), ids[static_cast<std::size_t>(v) - 1]);
      EXPECT_EQ(snapshot.snapshot_var(ids[static_cast<std::size_t>(v) - 1]), v);
    }
    EXPECT_EQ(snapshot.snapshot_var(ids[0] + 1), 0);
    EXPECT_EQ(snapshot.snapshot_var(0), 0);
    EXPECT_EQ(std::vector<int>(snapshot.hard(0).begin(), snapshot.hard(0).end()), (std::vector<int>{1, -2}));
    ASSERT_EQ(snapshot.num_soft(), 2u);
    // Falsifying (ids[1]) costs 3, so ids[0] or ids[2] must give way: optimum 0 with all true.
    const EngineResult r = OllSolver(snapshot, EngineOptions()).solve();
    ASSERT_EQ(r.status, EngineStatus::optimum) << r.error;
    EXPECT_EQ(r.cost, Cost(0));
    EXPECT_EQ(r.model.size(), 5u);
  }
}

// An instance whose optimum takes several cores: a stop request before the end gives the best
// model found so far, checked, or no model; never a claimed optimum.
TEST(OllSolver, StopRequestGivesTheBestModelOrNone) {
  BasicClauseSet clset;
  clset.set_cltype(CL_WEIGHTED);
  std::vector<long> lits;
  for (long v = 1; v <= 12; ++v) {
    lits = {v};
    clset.set_cl_weight(clset.add_clause(lits), static_cast<Cost>(v));
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

namespace {

// A random instance over `nvars` variables: clauses of 1 to 3 literals, hard with the given
// chance in percent, soft ones with weights 1 to 4.
void random_clause_set(BasicClauseSet& clset, std::mt19937& gen, int nvars, int nclauses, int hard_percent) {
  clset.set_cltype(CL_WEIGHTED);
  std::vector<long> lits;
  for (int c = 0; c < nclauses; ++c) {
    lits.clear();
    const int len = 1 + static_cast<int>(gen() % 3);
    for (int i = 0; i < len; ++i) {
      const long v = 1 + static_cast<long>(gen() % static_cast<unsigned>(nvars));
      lits.push_back(gen() % 2 ? v : -v);
    }
    BasicClause* cl = clset.add_clause(lits);
    if (static_cast<int>(gen() % 100) < hard_percent)
      clset.set_cl_hard(cl);
    else
      clset.set_cl_weight(cl, 1 + gen() % 4);
  }
}

void expect_checked(const InstanceSnapshot& instance, const EngineResult& r, Cost optimum) {
  ASSERT_EQ(r.status, EngineStatus::optimum) << r.error;
  EXPECT_EQ(r.cost, optimum);
  EXPECT_TRUE(instance.satisfies_hard(r.model));
  EXPECT_EQ(instance.cost_of(r.model), r.cost);
}

// Paused after every few polls and run again, the search ends where an uninterrupted one does.
TEST(OllSolver, PausedRunsResumeToTheSameOptimum) {
  std::mt19937 gen(7);
  for (int round = 0; round < 60; ++round) {
    BasicClauseSet clset;
    random_clause_set(clset, gen, 8 + round % 10, 40 + round, 15);
    const InstanceSnapshot instance(clset);
    const EngineResult whole = OllSolver(instance, EngineOptions()).solve();
    if (whole.status == EngineStatus::unsatisfiable) continue;
    OllSolver solver(instance, EngineOptions());
    int polls = 0, runs = 0;
    EngineResult r;
    do {
      r = solver.run([&polls] { return ++polls % 3 == 0; });
      ++runs;
    } while (solver.was_paused() && runs < 10000);
    expect_checked(instance, r, whole.cost);
  }
}

// Branch and bound taking over at once (a probe of no effort) finds the same optimum as the
// core-guided search alone, on instances without hard clauses.
TEST(HybridSolver, BranchAndBoundTakesOverWithTheSameOptimum) {
  std::mt19937 gen(11);
  for (int round = 0; round < 200; ++round) {
    BasicClauseSet clset;
    random_clause_set(clset, gen, 4 + round % 12, 10 + round % 50, 0);
    const InstanceSnapshot instance(clset);
    const EngineResult core_guided = OllSolver(instance, EngineOptions()).solve();
    ASSERT_EQ(core_guided.status, EngineStatus::optimum);
    expect_checked(instance, HybridSolver(instance, EngineOptions(), true, 0).solve(), core_guided.cost);
  }
}

}  // namespace
