// The branch-and-bound engine against an exhaustive search on random small instances (drawn by
// random_instances.hh): plain, partial and weighted, with repeated clauses, weight 0,
// tautologies, empty clauses and hard clauses that are often unsatisfiable together, and
// instances equal or close to their mirror image.
//
// Each instance is solved with and without the initial local search: without it, the search
// alone must find the optimum, so an underestimation that prunes too much shows up as a wrong
// cost. The listener's bounds must move the right way and end at the optimum. Some instances are
// also solved from a caller's bound or model, and with a clock that has already run out.
//
// Seeds are fixed: case i of a category uses seed base + i. QUARNEL_BNB_CASES sets the number
// of instances of the small categories (default 1000; the deep one gets 3 percent of it);
// QUARNEL_BNB_CASE=i runs only case i.
#include <gtest/gtest.h>

#include "test_env.hh"

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "clauses/basic_clause_set.hh"
#include "clauses/instance_snapshot.hh"
#include "engine/bnb/bnb_solver.hh"
#include "random_instances.hh"

namespace {

using namespace random_instances;

class BoundsSeen : public EngineListener {
public:
  void on_upper_bound(Cost cost) override { uppers.push_back(cost); }
  void on_lower_bound(Cost bound) override { lowers.push_back(bound); }
  std::vector<Cost> uppers, lowers;
};

// A model of the snapshot's variables as a model of the instance's: variables that occur in no
// clause read as false.
std::vector<bool> input_model(const InstanceSnapshot& snapshot, const std::vector<bool>& model, int nvars) {
  std::vector<bool> out(static_cast<std::size_t>(nvars) + 1, false);
  for (int v = 1; v <= snapshot.num_vars() && static_cast<std::size_t>(v) < model.size(); ++v)
    out[static_cast<std::size_t>(snapshot.input_var(v))] = model[static_cast<std::size_t>(v)];
  return out;
}

// Empty when `r` is the optimum `optimum` with a model of that cost, else what is wrong. The
// model has a value for each variable that occurs in the snapshot.
std::string check_optimum(const Instance& inst, const InstanceSnapshot& snapshot, EngineResult r, long long optimum) {
  std::ostringstream err;
  if (optimum < 0) {
    if (r.status != EngineStatus::unsatisfiable) err << "expected unsatisfiable, status " << static_cast<int>(r.status);
    return err.str();
  }
  if (r.status != EngineStatus::optimum) {
    err << "status " << static_cast<int>(r.status) << " " << r.error << ", optimum " << optimum;
    return err.str();
  }
  if (static_cast<long long>(r.cost) != optimum || r.lower_bound != r.cost)
    err << "cost " << r.cost << " lower bound " << r.lower_bound << ", optimum " << optimum;
  else if (r.model.size() != static_cast<std::size_t>(snapshot.num_vars()) + 1)
    err << "model of " << r.model.size() << " values";
  if (!err.str().empty()) return err.str();
  const std::vector<bool> model = input_model(snapshot, r.model, inst.nvars);
  if (model_cost(inst, model) != optimum) err << "model costs " << model_cost(inst, model);
  return err.str();
}

std::string check_bounds(const BoundsSeen& seen, long long optimum) {
  std::ostringstream err;
  for (std::size_t i = 1; i < seen.uppers.size(); ++i)
    if (seen.uppers[i] >= seen.uppers[i - 1]) err << "upper bound " << seen.uppers[i] << " after " << seen.uppers[i - 1];
  for (std::size_t i = 1; i < seen.lowers.size(); ++i)
    if (seen.lowers[i] <= seen.lowers[i - 1]) err << "lower bound " << seen.lowers[i] << " after " << seen.lowers[i - 1];
  if (optimum >= 0) {
    if (seen.uppers.empty() || static_cast<long long>(seen.uppers.back()) != optimum) err << "last upper bound not the optimum";
    if (optimum > 0 && (seen.lowers.empty() || static_cast<long long>(seen.lowers.back()) != optimum))
      err << "last lower bound not the optimum";
  }
  return err.str();
}

class BnbSolverTest : public ::testing::TestWithParam<CategoryCase> {};

TEST_P(BnbSolverTest, OptimaModelsAndBoundsMatchExhaustiveSearch) {
  const long cases = std::max(1L, test_env::env_long("QUARNEL_BNB_CASES", 1000) * GetParam().per_mille / 1000);
  const long only = test_env::env_long("QUARNEL_BNB_CASE", -1);
  int failures = 0;
  long without_model = 0;
  for (long i = 0; i < cases && failures < 5; ++i) {
    if (only >= 0 && i != only) continue;
    const Instance inst = make_instance(GetParam().category, GetParam().seed + static_cast<std::uint64_t>(i));
    const long long optimum = exhaustive_optimum(inst);
    if (optimum < 0) ++without_model;
    LoadedSet loaded(inst);
    const InstanceSnapshot snapshot(loaded.set);
    std::string err;
    for (bool with_local_search : {false, true}) {
      BoundsSeen seen;
      EngineOptions options;
      options.listener = &seen;
      BnbSettings settings;
      if (!with_local_search) settings.local_search_flips = 0;
      settings.failed_literals = i % 4 != 3;
      BnbSolver solver(snapshot, options, settings);
      const EngineResult r = solver.solve();
      err = check_optimum(inst, snapshot, r, optimum);
      if (err.empty()) err = check_bounds(seen, optimum);
      if (!err.empty()) {
        err += with_local_search ? " (with local search)" : " (search alone)";
        break;
      }
    }
    if (err.empty() && optimum >= 0 && i % 5 == 0) {
      BnbSettings alone;
      alone.local_search_flips = 0;
      // A bound one above the optimum: the search must still reach it.
      EngineResult r = BnbSolver(snapshot, EngineOptions(), alone).solve(static_cast<Cost>(optimum) + 1);
      err = check_optimum(inst, snapshot, r, optimum);
      // The optimum itself as the bound: nothing cheaper exists, and no model is at hand.
      if (err.empty()) {
        r = BnbSolver(snapshot, EngineOptions(), alone).solve(static_cast<Cost>(optimum));
        if (r.status != EngineStatus::unknown || static_cast<long long>(r.lower_bound) != optimum || !r.model.empty())
          err = "bound at the optimum: status " + std::to_string(static_cast<int>(r.status)) + " lower bound " +
                std::to_string(r.lower_bound);
      }
      // An optimal model from the caller is the answer.
      if (err.empty()) {
        const std::vector<bool> model = BnbSolver(snapshot, EngineOptions(), alone).solve().model;
        r = BnbSolver(snapshot, EngineOptions(), alone).solve(~Cost(0), &model);
        err = check_optimum(inst, snapshot, r, optimum);
      }
    }
    if (err.empty() && i % 7 == 0) {
      // Out of time before the first node: whatever model comes back is a checked one.
      EngineOptions stopped;
      stopped.out_of_time = [] { return true; };
      const EngineResult r = BnbSolver(snapshot, stopped).solve();
      const bool with_model = r.status == EngineStatus::satisfiable || r.status == EngineStatus::optimum;
      const std::vector<bool> model = input_model(snapshot, r.model, inst.nvars);
      if (with_model && static_cast<long long>(r.cost) != model_cost(inst, model))
        err = "stopped run returned a model of another cost";
      else if (!with_model && r.status != EngineStatus::unknown && r.status != EngineStatus::unsatisfiable)
        err = "stopped run: status " + std::to_string(static_cast<int>(r.status));
    }
    if (!err.empty()) {
      ADD_FAILURE() << "case " << i << ": " << err << "\n" << describe(inst);
      ++failures;
    }
  }
  // The draw must keep producing instances whose hard clauses have no model.
  if (GetParam().category == Category::mostly_hard && only < 0 && cases >= 100) {
    EXPECT_GT(without_model, cases / 20);
  }
}

// A formula found equal to its mirror image must give every assignment and its complement the
// same cost, which is what lets the search fix its first variable; and the drawn mirror images
// that were left unchanged (half of them) must be found.
TEST(BnbFormula, MirrorSymmetryIsFoundAndHoldsForEveryAssignment) {
  const int cases = 400;
  int found = 0;
  for (int i = 0; i < cases; ++i) {
    const Instance inst = make_instance(Category::mirrored, 6000000 + static_cast<std::uint64_t>(i));
    LoadedSet loaded(inst);
    const InstanceSnapshot snapshot(loaded.set);
    if (!bnb::Formula(snapshot).symmetric_under_complement()) continue;
    ++found;
    std::vector<bool> model(static_cast<std::size_t>(inst.nvars) + 1), mirror(model.size());
    for (std::uint32_t a = 0; a < (1u << inst.nvars); ++a) {
      for (int v = 1; v <= inst.nvars; ++v) {
        model[static_cast<std::size_t>(v)] = (a >> (v - 1)) & 1;
        mirror[static_cast<std::size_t>(v)] = !model[static_cast<std::size_t>(v)];
      }
      ASSERT_EQ(model_cost(inst, model), model_cost(inst, mirror)) << "case " << i << "\n" << describe(inst);
    }
  }
  EXPECT_GE(found, cases / 2);
}

INSTANTIATE_TEST_SUITE_P(Categories, BnbSolverTest,
                         ::testing::Values(CategoryCase{"plain", Category::plain, 1000000, 1000},
                                           CategoryCase{"partial", Category::partial, 2000000, 1000},
                                           CategoryCase{"weighted", Category::weighted, 3000000, 1000},
                                           CategoryCase{"mostly_hard", Category::mostly_hard, 4000000, 1000},
                                           CategoryCase{"deep", Category::deep, 5000000, 30},
                                           CategoryCase{"mirrored", Category::mirrored, 6000000, 300}),
                         [](const ::testing::TestParamInfo<CategoryCase>& info) { return std::string(info.param.name); });

}  // namespace
