// The embeddable solver object. Its instance is an InstanceSnapshot that only grows; soft
// clauses are found again by their sorted literals, so that adding a clause twice adds its
// weights and a weight can be set later. Every change goes to the engine at once (it keeps the
// oracle and the cores where they stay valid, see engine/oll/oll_changes.cc); a change it refuses
// drops it, and the next solve loads a new engine from the whole instance.
//
// The engine reserves the variables of the instance and some room above them for clauses to
// come, so that its own variables (selectors, totalizer outputs) never meet a later input
// variable; a clause beyond that room also means a new engine.
#include "facade/incremental_solver.hh"

#include <algorithm>
#include <cstdlib>
#include <stdexcept>
#include <string>

namespace {

// Room for variables of later clauses: a quarter more, and at least a few hundred.
int reserved_vars(int largest) {
  const long wanted = static_cast<long>(largest) + largest / 4 + 256;
  return static_cast<int>(std::min<long>(wanted, IncrementalSolver::max_variable));
}

}  // namespace

IncrementalSolver::IncrementalSolver() = default;
IncrementalSolver::~IncrementalSolver() = default;

void IncrementalSolver::check_literals(const std::vector<int>& lits) const {
  for (int lit : lits) {
    if (lit == 0) throw std::invalid_argument("literal 0 is not allowed in a clause");
    if (lit < -max_variable || lit > max_variable)
      throw std::invalid_argument("variable out of range: " + std::to_string(std::abs(static_cast<long>(lit))) +
                                  " (at most " + std::to_string(max_variable) + ")");
  }
}

void IncrementalSolver::check_weight(Cost added) const {
  if (added > max_total_weight - total_weight)
    throw std::invalid_argument("soft weights add up beyond " + std::to_string(max_total_weight));
}

void IncrementalSolver::note_vars(const std::vector<int>& lits) {
  for (int lit : lits) largest_var = std::max(largest_var, std::abs(lit));
}

std::vector<int> IncrementalSolver::soft_key(const std::vector<int>& lits) const {
  std::vector<int> key(lits);
  std::sort(key.begin(), key.end());
  key.erase(std::unique(key.begin(), key.end()), key.end());
  return key;
}

void IncrementalSolver::add_hard(const std::vector<int>& lits) {
  check_literals(lits);
  note_vars(lits);
  instance.add_hard(lits.data(), lits.data() + lits.size());
  may_enumerate = false;
  if (engine_valid) engine_valid = engine->add_hard(instance.num_hard() - 1);
}

void IncrementalSolver::add_soft(const std::vector<int>& lits, Cost weight) {
  if (weight == 0) throw std::invalid_argument("a soft clause's weight must be positive");
  check_literals(lits);
  std::vector<int> key = soft_key(lits);
  auto found = soft_index.find(key);
  if (found != soft_index.end()) {
    set_soft_weight(lits, saturating_add(instance.soft_weight(found->second), weight));
    return;
  }
  check_weight(weight);
  note_vars(key);
  instance.add_soft(key.data(), key.data() + key.size(), weight);
  soft_index.emplace(std::move(key), instance.num_soft() - 1);
  total_weight += weight;
  may_enumerate = false;
  if (engine_valid) engine_valid = engine->add_soft(instance.num_soft() - 1);
}

void IncrementalSolver::set_soft_weight(const std::vector<int>& lits, Cost weight) {
  check_literals(lits);
  std::vector<int> key = soft_key(lits);
  auto found = soft_index.find(key);
  if (found == soft_index.end()) {
    if (weight > 0) add_soft(lits, weight);
    return;
  }
  const Cost old = instance.soft_weight(found->second);
  if (weight > old) check_weight(weight - old);
  change_weight(found->second, weight);
}

void IncrementalSolver::change_weight(std::size_t index, Cost weight) {
  const Cost old = instance.soft_weight(index);
  if (weight == old) return;
  total_weight = total_weight - old + weight;
  instance.set_soft_weight(index, weight);
  may_enumerate = false;
  if (engine_valid) engine_valid = engine->weight_changed(index, old);
}

bool IncrementalSolver::value(int lit) const {
  const std::size_t var = static_cast<std::size_t>(std::abs(static_cast<long>(lit)));
  if (var >= result.model.size()) return false;
  return result.model[var] == (lit > 0);
}

OllSolver& IncrementalSolver::engine_for_solve() {
  if (!engine_valid) {
    engine.reset();
    engine.reset(new OllSolver(instance, EngineOptions()));
    engine->expect_changes(reserved_vars(largest_var));
    engine_valid = true;
    ++engine_starts;
  }
  return *engine;
}

// Once asked to stop, a solve stays stopped: the engine polls in several places on its way out.
bool IncrementalSolver::stop_requested() {
  if (stop_seen) return true;
  if (interrupt_requested.exchange(false) || (active_stop && active_stop())) stop_seen = true;
  return stop_seen;
}

void IncrementalSolver::store(const EngineResult& r) {
  if (r.status == EngineStatus::internal_error) {
    engine_valid = false;
    throw std::logic_error("internal error: " + r.error);
  }
  result = r;
  switch (r.status) {
    case EngineStatus::optimum: last_status = Status::optimum; break;
    case EngineStatus::satisfiable: last_status = Status::satisfiable; break;
    case EngineStatus::unsatisfiable: last_status = Status::unsatisfiable; break;
    default: last_status = Status::unknown; break;
  }
}

IncrementalSolver::Status IncrementalSolver::solve(const std::vector<int>& assumptions,
                                                   const std::function<bool()>& stop) {
  check_literals(assumptions);
  note_vars(assumptions);
  // Models found by enumeration are excluded by clauses that the next solve must not have.
  if (enumerated) engine_valid = false;
  enumerated = false;
  active_stop = stop;
  stop_seen = false;
  EngineResult r = run_engine(assumptions, true);
  if (gave_up) r = run_engine(assumptions, false);
  active_stop = nullptr;
  // A request that came too late for this solve is not left for the next one.
  interrupt_requested.store(false);
  may_enumerate = r.status == EngineStatus::optimum;
  store(r);
  return last_status;
}

// A solve on an engine that has solved before may give up once it has spent more than
// `restart_effort_factor` times what that engine's first solve took: cores and totalizers of
// earlier instances can make a search much harder than starting over. `gave_up` tells.
EngineResult IncrementalSolver::run_engine(const std::vector<int>& assumptions, bool may_give_up) {
  gave_up = false;
  OllSolver* solver = &engine_for_solve();
  if (!solver->set_assumptions(assumptions)) {
    engine_valid = false;
    solver = &engine_for_solve();
    solver->set_assumptions(assumptions);
  }
  const bool first = solver->effort() == 0;
  const std::uint64_t started = solver->effort();
  const std::uint64_t allowed = restart_effort_factor * first_solve_effort + restart_effort_allowance;
  auto pause = [this, solver, first, started, allowed, may_give_up] {
    if (stop_requested()) return true;
    // The oracle keeps this callback for enumeration, which never gives up.
    if (first || !may_give_up || enumerated || solver->effort() - started <= allowed) return false;
    gave_up = true;
    return true;
  };
  // An exception (out of memory) leaves the engine in no known state.
  engine_valid = false;
  EngineResult r = solver->run(pause);
  engine_valid = !gave_up;
  if (first) first_solve_effort = solver->effort();
  return r;
}

bool IncrementalSolver::next_optimal(CubeKind kind, const std::function<bool()>& stop) {
  if (!may_enumerate || !engine_valid) return false;
  active_stop = stop;
  stop_seen = false;
  engine_valid = false;
  enumerated = true;
  const EngineResult r = engine->next_optimal(kind);
  engine_valid = true;
  active_stop = nullptr;
  interrupt_requested.store(false);
  if (r.status == EngineStatus::internal_error) store(r);
  if (r.status != EngineStatus::optimum) {
    may_enumerate = false;
    return false;
  }
  store(r);
  return true;
}
