// The weighted local search against an exhaustive search on random small instances: every model
// it reports satisfies the hard clauses and costs exactly what it says, no cost falls below the
// optimum, the reported improvements fall strictly, and a modest flip budget reaches the optimum
// on nearly every instance. Beside that: the same seed gives the same walk, in one call or in
// slices; a stop request ends a call within one poll; a walk seeded with a model of the hard
// clauses keeps a feasible best and improves on it; costs beyond 64 bits saturate.
//
// Seeds are fixed: case i of a category uses seed base + i. QUARNEL_SLS_CASES sets the number of
// instances per category (default 300; the deep one gets a tenth), QUARNEL_SLS_CASE=i runs only case i.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <sstream>
#include <string>
#include <vector>

#include "clauses/instance_snapshot.hh"
#include "engine/oll/weighted_local_search.hh"
#include "random_instances.hh"
#include "test_env.hh"

namespace {

using namespace random_instances;

const auto never = [] { return false; };

class WeightedLocalSearchTest : public ::testing::TestWithParam<CategoryCase> {};

// Empty when the search's best is a model of the drawn clauses with the cost it claims, at or
// above the optimum, reached through strictly falling improvements; else what is wrong.
std::string check_best(const Instance& inst, const InstanceSnapshot& snapshot, const WeightedLocalSearch& search,
                       const std::vector<Cost>& improvements, long long optimum) {
  std::ostringstream err;
  if (optimum < 0) {
    if (search.has_model() || !improvements.empty()) err << "a model although the hard clauses have none";
    return err.str();
  }
  if (!search.has_model()) return "";  // not found within the budget: counted by the caller
  // The snapshot numbers the variables that occur densely; the drawn clauses use the input's ids.
  std::vector<bool> model(static_cast<std::size_t>(inst.nvars) + 1, false);
  for (int v = 1; v <= snapshot.num_vars(); ++v)
    model[static_cast<std::size_t>(snapshot.input_var(v))] = search.best_model()[static_cast<std::size_t>(v)];
  const long long cost = model_cost(inst, model);
  if (cost < 0)
    err << "the model falsifies a hard clause";
  else if (static_cast<long long>(search.best_cost()) != cost)
    err << "reported cost " << search.best_cost() << ", the model costs " << cost;
  else if (cost < optimum)
    err << "cost " << cost << " below the optimum " << optimum;
  for (std::size_t i = 1; i < improvements.size(); ++i)
    if (improvements[i] >= improvements[i - 1]) err << "improvement " << improvements[i] << " after " << improvements[i - 1];
  if (!improvements.empty() && improvements.back() != search.best_cost()) err << "last improvement is not the best";
  return err.str();
}

TEST_P(WeightedLocalSearchTest, ModelsAreFeasibleWithTheirExactCostAndMostlyOptimal) {
  const long cases = std::max(1L, test_env::env_long("QUARNEL_SLS_CASES", 300) * GetParam().per_mille / 1000);
  const long only = test_env::env_long("QUARNEL_SLS_CASE", -1);
  long feasible = 0, optimal = 0;
  int failures = 0;
  for (long i = 0; i < cases && failures < 5; ++i) {
    if (only >= 0 && i != only) continue;
    const std::uint64_t seed = GetParam().seed + static_cast<std::uint64_t>(i);
    const Instance inst = make_instance(GetParam().category, seed);
    const long long optimum = exhaustive_optimum(inst);
    LoadedSet loaded(inst);
    const InstanceSnapshot snapshot(loaded.set);
    // Every other walk restarts from its best after a few hundred idle flips.
    LocalSearchSettings settings;
    if (i % 2 == 1) {
      settings.stagnation_flips = 300;
      settings.stagnation_flips_per_clause = 0;
    }
    WeightedLocalSearch search(snapshot, seed, settings);
    std::vector<Cost> improvements;
    const bool found = search.improve(20000, ~Cost(0), never, [&](Cost c) { improvements.push_back(c); });
    std::string err = check_best(inst, snapshot, search, improvements, optimum);
    if (err.empty() && found != search.has_model()) err = "improve() returned " + std::to_string(found);
    if (err.empty() && optimum >= 0) {
      // Nothing costs less than the optimum, so a bound at the optimum is never beaten.
      WeightedLocalSearch bounded(snapshot, seed, settings);
      if (bounded.improve(2000, static_cast<Cost>(optimum), never, [&](Cost) { err = "improvement below the bound"; }))
        err = "beat a bound at the optimum";
    }
    if (optimum >= 0) {
      ++feasible;
      if (search.has_model() && static_cast<long long>(search.best_cost()) == optimum) ++optimal;
    }
    if (!err.empty()) {
      ADD_FAILURE() << "case " << i << ": " << err << "\n" << describe(inst);
      ++failures;
    }
  }
  if (only < 0) {
    EXPECT_GE(optimal, feasible * 9 / 10) << optimal << " optimal of " << feasible << " feasible";
  }
  std::printf("%ld of %ld feasible instances solved to the optimum\n", optimal, feasible);
}

INSTANTIATE_TEST_SUITE_P(Categories, WeightedLocalSearchTest,
                         ::testing::Values(CategoryCase{"plain", Category::plain, 11000000, 1000},
                                           CategoryCase{"partial", Category::partial, 12000000, 1000},
                                           CategoryCase{"weighted", Category::weighted, 13000000, 1000},
                                           CategoryCase{"mostly_hard", Category::mostly_hard, 14000000, 1000},
                                           CategoryCase{"deep", Category::deep, 15000000, 100}),
                         [](const ::testing::TestParamInfo<CategoryCase>& info) { return std::string(info.param.name); });

// A random weighted partial instance whose hard clauses (three literals each) are all satisfied
// by `planted`, with a soft unit clause of random weight on every variable.
Instance planted_instance(int nvars, std::uint64_t seed, std::vector<bool>& planted) {
  std::mt19937_64 gen(seed);
  Instance inst;
  inst.nvars = nvars;
  planted.assign(static_cast<std::size_t>(nvars) + 1, false);
  for (int v = 1; v <= nvars; ++v) planted[static_cast<std::size_t>(v)] = gen() % 2 == 0;
  while (static_cast<int>(inst.clauses.size()) < 4 * nvars) {
    DrawnClause cl{{}, true, 0};
    for (int k = 0; k < 3; ++k) {
      const long v = 1 + static_cast<long>(gen() % static_cast<std::uint64_t>(nvars));
      cl.lits.push_back(gen() % 2 == 0 ? v : -v);
    }
    if (satisfied(cl, planted)) inst.clauses.push_back(cl);
  }
  for (int v = 1; v <= nvars; ++v) inst.clauses.push_back(DrawnClause{{gen() % 2 == 0 ? v : -v}, false, 1 + gen() % 50});
  return inst;
}

TEST(WeightedLocalSearch, SameSeedSameWalkInOneCallOrInSlices) {
  std::vector<bool> planted;
  const Instance inst = planted_instance(300, 7, planted);
  LoadedSet loaded(inst);
  const InstanceSnapshot snapshot(loaded.set);
  // Restarts after 2000 idle flips, which the slices must not reset.
  LocalSearchSettings settings;
  settings.stagnation_flips = 2000;
  settings.stagnation_flips_per_clause = 0;
  WeightedLocalSearch whole(snapshot, 42, settings), again(snapshot, 42, settings), sliced(snapshot, 42, settings);
  whole.improve(30000, ~Cost(0), never);
  again.improve(30000, ~Cost(0), never);
  for (int i = 0; i < 30; ++i) sliced.improve(1000, ~Cost(0), never);
  ASSERT_TRUE(whole.has_model());
  for (const WeightedLocalSearch* other : {&again, &sliced}) {
    EXPECT_EQ(other->flips_done(), whole.flips_done());
    EXPECT_EQ(other->best_cost(), whole.best_cost());
    EXPECT_EQ(other->best_model(), whole.best_model());
  }
}

TEST(WeightedLocalSearch, StopRequestEndsTheCallWithinOnePoll) {
  std::vector<bool> planted;
  const Instance inst = planted_instance(300, 8, planted);
  LoadedSet loaded(inst);
  const InstanceSnapshot snapshot(loaded.set);
  WeightedLocalSearch search(snapshot, 1);
  int polls = 0;
  search.improve(1000000, ~Cost(0), [&] { return ++polls == 3; });
  EXPECT_EQ(polls, 3);
  EXPECT_LT(search.flips_done(), 1000u);
  EXPECT_GT(search.flips_done(), 0u);
}

TEST(WeightedLocalSearch, SeededWithAHardModelStaysFeasibleAndImprovesOnIt) {
  for (std::uint64_t seed = 1; seed <= 5; ++seed) {
    std::vector<bool> planted;
    const Instance inst = planted_instance(300, 100 + seed, planted);
    LoadedSet loaded(inst);
    const InstanceSnapshot snapshot(loaded.set);
    const Cost planted_cost = snapshot.cost_of(planted);
    WeightedLocalSearch search(snapshot, seed);
    search.improve(50, ~Cost(0), never);  // some history from the all-false start
    search.restart_from(planted);
    ASSERT_TRUE(search.has_model());
    EXPECT_LE(search.best_cost(), planted_cost);
    EXPECT_EQ(search.falsified_hard(), 0u);
    // Improves in short slices, as the engine runs it; the best stays a checked model.
    bool improved = false;
    for (int slice = 0; slice < 20 && !improved; ++slice) improved = search.improve(500, planted_cost, never);
    EXPECT_TRUE(improved) << "seed " << seed;
    EXPECT_TRUE(snapshot.satisfies_hard(search.best_model()));
    EXPECT_EQ(snapshot.cost_of(search.best_model()), search.best_cost());
    // A restart with fresh weights keeps the best found so far.
    const Cost best = search.best_cost();
    search.restart_from(planted, true);
    EXPECT_EQ(search.best_cost(), best);
  }
}

TEST(WeightedLocalSearch, CostsBeyondSixtyFourBitsSaturate) {
  // x and -x, y and -y: every assignment falsifies two clauses of weight 2^63.
  const std::uint64_t half = std::uint64_t(1) << 63;
  Instance inst;
  inst.nvars = 2;
  for (long lit : {1L, -1L, 2L, -2L}) inst.clauses.push_back(DrawnClause{{lit}, false, half});
  LoadedSet loaded(inst, ~std::uint64_t(0));
  const InstanceSnapshot snapshot(loaded.set);
  WeightedLocalSearch search(snapshot, 3);
  EXPECT_FALSE(search.improve(100, ~Cost(0), never));
  ASSERT_TRUE(search.has_model());
  EXPECT_EQ(search.best_cost(), ~Cost(0));
  EXPECT_EQ(snapshot.cost_of(search.best_model()), ~Cost(0));
}

}  // namespace
