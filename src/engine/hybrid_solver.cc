#include "engine/hybrid_solver.hh"

#include <algorithm>

#include "engine/bnb/bnb_solver.hh"

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
  if (!branch_and_bound) return oll.solve();
  if (options.anytime == AnytimeMode::always) return alternate_with_anytime_phases(0, testing_slice_effort);
  if (suits_branch_and_bound()) return probe_then_branch_and_bound();
  if (options.anytime == AnytimeMode::on) return alternate_with_anytime_phases(anytime_start_effort, core_slice_effort);
  return oll.solve();
}

// A paused SAT call starts again from the beginning (with what the oracle learnt), so a slice
// shorter than the call it interrupts would starve it: a slice in which the core-guided search
// did not raise the lower bound doubles the next slices of both kinds, one that did restores
// the base length.
EngineResult HybridSolver::alternate_with_anytime_phases(std::uint64_t start, std::uint64_t base_slice) {
  std::uint64_t pause_at = start;
  std::uint64_t slice = base_slice;
  Cost lower_before = oll.lower_bound();
  for (;;) {
    EngineResult result = oll.run([this, &pause_at] { return oll.effort() >= pause_at; });
    if (!oll.was_paused()) return result;
    if (oll.lower_bound() > lower_before)
      slice = base_slice;
    else if (slice < max_slice_effort)
      slice *= 2;
    lower_before = oll.lower_bound();
    local_search_slice(slice * flips_per_effort);
    oll.linear_search(slice);
    pause_at = oll.effort() + slice;
  }
}

// The walk starts again from the engine's best model whenever that is better than its own best
// (a model from the core-guided or the linear search), keeping the clause weights it learnt.
void HybridSolver::local_search_slice(std::uint64_t flips) {
  if (!oll.has_model() || options.out_of_time()) return;
  if (!local_search) local_search.reset(new WeightedLocalSearch(instance, options.seed));
  if (!local_search->has_model() || oll.upper_bound() < local_search->best_cost())
    local_search->restart_from(oll.best_model_so_far());
  local_search->improve(flips, oll.upper_bound(), [this] { return options.out_of_time(); },
                        [this](Cost) { oll.offer_model(local_search->best_model()); });
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
