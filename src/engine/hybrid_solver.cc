#include "engine/hybrid_solver.hh"

#include <algorithm>

#include "engine/bnb_solver.hh"

void HybridSolver::MonotoneListener::on_upper_bound(Cost cost) {
  if (have_upper && cost >= upper) return;
  have_upper = true;
  upper = cost;
  if (target != nullptr) target->on_upper_bound(cost);
}

void HybridSolver::MonotoneListener::on_lower_bound(Cost bound) {
  if (bound <= lower) return;
  lower = bound;
  if (target != nullptr) target->on_lower_bound(bound);
}

EngineOptions HybridSolver::through_filter(const EngineOptions& given) {
  EngineOptions filtered = given;
  filtered.listener = &filter;
  return filtered;
}

HybridSolver::HybridSolver(const InstanceSnapshot& instance, EngineOptions options, bool branch_and_bound,
                           std::uint64_t probe)
    : instance(instance),
      options(options),
      filter(options.listener),
      oll(instance, through_filter(options)),
      branch_and_bound(branch_and_bound),
      probe(probe) {}

bool HybridSolver::suits_branch_and_bound() const {
  return branch_and_bound && instance.num_hard() == 0 && instance.num_vars() <= max_branching_vars;
}

EngineResult HybridSolver::solve() {
  if (suits_branch_and_bound()) return probe_then_branch_and_bound();
  if (branch_and_bound && options.anytime) return alternate_with_anytime_phases();
  return oll.solve();
}

EngineResult HybridSolver::alternate_with_anytime_phases() {
  std::uint64_t pause_at = anytime_start_effort;
  for (;;) {
    EngineResult result = oll.run([this, &pause_at] { return oll.effort() >= pause_at; });
    if (!oll.was_paused()) return result;
    oll.linear_search(linear_slice_effort);
    pause_at = oll.effort() + core_slice_effort;
  }
}

EngineResult HybridSolver::probe_then_branch_and_bound() {
  EngineResult first = oll.run([this] { return oll.effort() >= probe; });
  if (!oll.was_paused()) return first;

  BnbSolver bnb(instance, through_filter(options));
  const bool have_model = first.status == EngineStatus::satisfiable;
  EngineResult result = bnb.solve(have_model ? first.cost : ~Cost(0), have_model ? &first.model : nullptr);
  if (result.status == EngineStatus::internal_error) return result;
  // A run stopped by the budget keeps the better model and the better bound of the two.
  if (result.status != EngineStatus::optimum && result.status != EngineStatus::unsatisfiable) {
    const bool bnb_better = result.status == EngineStatus::satisfiable && (!have_model || result.cost < first.cost);
    const Cost lower = std::max(first.lower_bound, result.lower_bound);
    if (!bnb_better) result = first;
    result.lower_bound = lower;
  }
  return result;
}
