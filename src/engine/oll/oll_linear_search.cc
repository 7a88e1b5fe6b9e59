// Solution-improving (linear) search on the objective that the core-guided search has
// reformulated so far: its lower bound plus the weights of the soft literals that a model sets
// false. A model costs at least the reformulated value (the totalizers' outputs are only forced
// upwards), and every model can reach exactly its cost by leaving outputs false where nothing
// forces them, so "reformulated value below the best cost" is satisfiable exactly when a better
// model exists. Asking that after the core-guided phase is core-boosted linear search: the
// cores have already paid for most of the cost, so the bound, and with it the totalizer, is
// small.
//
// The bound is a generalized totalizer over the literals "soft literal t is false" with t's
// weight. With many distinct weights it can grow with the square of the bound, so the weights
// are divided by a power of two until its estimated size fits: the divided sum of a better
// model stays within floor((best - 1 - base) / divisor), which keeps the search complete while
// the bound comes from the best model; after each model the bound drops below that model's
// divided value, which may skip better models, so a refutation of such a bound only halves the
// divisor. The oracle's decisions start from the best model (phase), so that each call looks
// near it first.
#include <algorithm>

#include "engine/oll/oll_solver.hh"

namespace {

// Clauses a totalizer may add to the oracle, at most `max_objective_clauses` and at most
// `objective_clauses_per_literal` per literal of the instance (but `min_objective_clauses` on
// small ones); beyond that its weights are coarsened. A totalizer many times the size of the
// instance slows every later call of the core-guided search too.
constexpr std::uint64_t max_objective_clauses = 2000000;
constexpr std::uint64_t min_objective_clauses = 20000;
constexpr std::uint64_t objective_clauses_per_literal = 2;
// Conflicts one call may use at most, so that a slice ends near its effort budget.
constexpr int max_call_conflicts = 100000;
constexpr int max_calls_per_slice = 1000;

}  // namespace

void OllSolver::follow_best_model() {
  steered = true;
  for (int v = 1; v <= instance.num_vars(); ++v) sat->set_phase(best_model[static_cast<std::size_t>(v)] ? v : -v);
}

Cost OllSolver::complete_objective_bound() const {
  if (upper <= objective_base) return 0;
  return (upper - 1 - objective_base) / objective_divisor;
}

Cost OllSolver::objective_value() const {
  Cost sum = 0;
  for (const GeneralizedTotalizer::Input& in : objective_inputs)
    if (sat->value(in.lit)) sum = saturating_add(sum, in.weight);
  return sum;
}

// Builds the totalizer over the terms as they stand, at the finest division from `divisor` on
// (and finer than `coarsest`) that fits; the totalizer in place stays when none does. When none
// fits from the finest division on, the gap between the bounds has to shrink to half before
// the next try.
bool OllSolver::build_objective(Cost divisor, Cost coarsest) {
  const Cost gap = upper > lower ? upper - 1 - lower : 0;
  const std::uint64_t limit = std::min(
      max_objective_clauses, std::max<std::uint64_t>(min_objective_clauses, objective_clauses_per_literal * instance.num_literals()));
  std::vector<GeneralizedTotalizer::Input> inputs;
  for (; divisor != 0 && divisor <= gap + 1 && divisor < coarsest; divisor *= 2) {
    inputs.clear();
    for (const Term& t : terms)
      if (!t.hardened && t.weight / divisor > 0) inputs.push_back({-t.lit, t.weight / divisor});
    const Cost cap = gap / divisor;
    if (GeneralizedTotalizer::estimated_clauses(inputs, cap, limit) > limit)
      continue;
    objective_base = lower;
    objective_divisor = divisor;
    objective_inputs.swap(inputs);
    retire_objective();
    objective_guard = sat->new_var();
    objective.reset(new GeneralizedTotalizer(*sat, objective_inputs, cap, objective_guard));
    objective_bound = cap;
    return true;
  }
  if (coarsest == ~Cost(0)) {
    retire_objective();
    objective_failed_gap = gap;
  }
  return false;
}

// Moves to a finer division than the current one. When none fits, the current division has
// answered all it can (asking again would give the same models), so linear search rests until
// the core-guided search has halved the gap.
bool OllSolver::refine_objective() {
  if (objective_divisor > 1 && build_objective(objective_divisor / 2, objective_divisor)) return true;
  objective_failed_gap = upper > lower ? upper - 1 - lower : 0;
  return false;
}

void OllSolver::retire_objective() {
  if (!objective) return;
  sat->add_unit(-objective_guard);
  objective.reset();
}

// The totalizer and the phases serve this search only: the core-guided search that goes on
// afterwards would otherwise propagate through the totalizer's clauses and decide by the best
// model's values, which slows its proofs (by 1.8 times on an RNA instance).
void OllSolver::linear_search(std::uint64_t effort) {
  linear_search_calls(effort);
  retire_objective();
  if (steered)
    for (int v = 1; v <= instance.num_vars(); ++v) sat->clear_phase(v);
  steered = false;
}

void OllSolver::linear_search_calls(std::uint64_t effort) {
  if (!sat || !have_model || lower >= upper) return;
  if (objective_failed_gap != 0 && (upper - lower) * 2 > objective_failed_gap) return;
  // A fresh callback: the one of the last run may answer for a pause that is over.
  sat->set_terminate([this] {
    if (!out_of_time && options.out_of_time()) out_of_time = true;
    return out_of_time;
  });
  // A totalizer of its own for every turn, over the terms as the core-guided search has left
  // them: the higher its lower bound, the smaller the totalizer.
  if (!build_objective(1)) return;
  const std::uint64_t until = sat->work() + effort;
  follow_best_model();
  // Calls that the oracle answers without search spend no effort: their number is bounded too.
  for (int calls = 0; calls < max_calls_per_slice && !out_of_time && lower < upper && sat->work() < until; ++calls) {
    objective_bound = std::min(objective_bound, complete_objective_bound());
    const bool complete = objective_bound == complete_objective_bound();
    const int exceeds = objective->at_least(objective_bound + 1);
    std::vector<int> bound{objective_guard};
    if (exceeds != 0) bound.push_back(-exceeds);
    const std::uint64_t left = until - sat->work();
    sat->set_conflict_limit(static_cast<int>(std::min<std::uint64_t>(left / SatOracle::work_per_conflict + 1, max_call_conflicts)));
    const Cost before = upper;
    const SatOracle::Result r = sat->solve(bound);
    if (r == SatOracle::Result::unknown) break;
    if (r == SatOracle::Result::satisfiable) {
      note_model();
      if (upper < before) follow_best_model();
      // With the divisor 1 the model costs at most base + value, so a value of 0 has made the
      // upper bound meet the lower one.
      const Cost value = objective_value();
      if (value > 0) {
        objective_bound = std::min(objective_bound, value - 1);
        continue;
      }
      // Nothing is left to ask at this division: a finer one tells models apart again.
      if (!refine_objective()) break;
      continue;
    }
    if (complete) {
      // No model is cheaper than the best one.
      raise_lower_bound(upper - lower);
      break;
    }
    if (objective_divisor == 1) {
      objective_bound = complete_objective_bound();
      continue;
    }
    if (!refine_objective()) break;
  }
}
