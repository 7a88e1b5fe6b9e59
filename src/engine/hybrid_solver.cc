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
  if (options.anytime == AnytimeMode::always)
    return alternate_with_anytime_phases(AnytimeSchedule(AnytimeSchedule::every_slice(testing_slice_effort)));
  if (suits_branch_and_bound()) return probe_then_branch_and_bound();
  if (options.anytime == AnytimeMode::on)
    return alternate_with_anytime_phases(AnytimeSchedule(AnytimeSchedule::exact_first()));
  return oll.solve();
}

// A paused SAT call starts again with what the oracle learnt; the schedule's growing slices keep
// such restarts few. All of it is measured in the oracle's work (SatOracle::work).
EngineResult HybridSolver::alternate_with_anytime_phases(AnytimeSchedule schedule) {
  std::uint64_t core_work = 0;
  for (;;) {
    const std::uint64_t started = oll.work();
    const std::uint64_t pause_at = started + (schedule.next_pause() - std::min(schedule.next_pause(), core_work));
    EngineResult result = oll.run([this, pause_at] { return oll.work() >= pause_at; });
    core_work += oll.work() - started;
    if (!oll.was_paused()) return result;
    // Without a model there is nothing to improve; the slice ends all the same.
    const std::uint64_t turn = schedule.turn(core_work, oll.lower_bound(), oll.has_model() ? oll.upper_bound() : ~Cost(0));
    if (turn > 0 && oll.has_model()) schedule.spent(phase_turn(turn));
  }
}

std::uint64_t HybridSolver::phase_turn(std::uint64_t work) {
  // The first turn is mostly local search: on instances whose optimum it finds at once (random
  // ones without hard clauses) that ends the run, and the linear search's totalizer is not yet
  // worth building.
  const std::uint64_t local = local_search_slice(local_search ? work / 2 : work / 4 * 3);
  const std::uint64_t work_before = oll.work();
  const std::uint64_t literals_before = oll.literals_added();
  oll.linear_search(work > local ? (work - local) / linear_work_weight : 0);
  const std::uint64_t linear =
      linear_work_weight * (oll.work() - work_before) + (oll.literals_added() - literals_before) / literals_per_work;
  return local + linear;
}

// The walk starts again from the engine's best model whenever that is better than its own best
// (a model from the core-guided or the linear search), keeping the clause weights it learnt.
// It walks in rounds of flips until its clause visits (reading the instance included) reach
// the budget.
std::uint64_t HybridSolver::local_search_slice(std::uint64_t work) {
  if (!oll.has_model() || options.out_of_time()) return 0;
  std::uint64_t reading = 0;
  if (!local_search) {
    local_search.reset(new WeightedLocalSearch(instance, options.seed));
    reading = instance.num_literals();
  }
  const std::uint64_t visits_before = local_search->work_done();
  if (!local_search->has_model() || oll.upper_bound() < local_search->best_cost())
    local_search->restart_from(oll.best_model_so_far());
  const std::uint64_t budget = work * visits_per_work;
  auto visits = [&] { return reading + local_search->work_done() - visits_before; };
  while (visits() < budget && !options.out_of_time()) {
    const std::uint64_t flips_before = local_search->flips_done();
    local_search->improve(flips_per_round, oll.upper_bound(), [this] { return options.out_of_time(); },
                          [this](Cost) { oll.offer_model(local_search->best_model()); });
    // Fewer flips than asked: nothing is left to improve.
    if (local_search->flips_done() - flips_before < flips_per_round) break;
  }
  return visits() / visits_per_work;
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
