#include "engine/oll/oll_solver.hh"

#include <algorithm>
#include <cstdlib>
#include <string>

#include "engine/oll/weight_strata.hh"

namespace {

std::size_t var_index(int lit) { return static_cast<std::size_t>(std::abs(lit)); }

}  // namespace

OllSolver::OllSolver(const InstanceSnapshot& instance, EngineOptions options)
    : instance(instance), options(std::move(options)) {}

bool OllSolver::stopped() {
  if (!out_of_time && options.out_of_time()) out_of_time = true;
  if (!out_of_time && pause && pause()) paused = true;
  return out_of_time || paused;
}

int OllSolver::add_term(int lit, Cost weight) {
  if (term_of_var.size() <= var_index(lit)) term_of_var.resize(var_index(lit) + 1, -1);
  term_of_var[var_index(lit)] = static_cast<int>(terms.size());
  terms.push_back(Term{lit, weight});
  return static_cast<int>(terms.size() - 1);
}

// Hard clauses go in as they are; soft clauses become terms (load_soft). Returns false when an
// empty hard clause makes the instance unsatisfiable.
bool OllSolver::load() {
  sat = make_sat_oracle();
  input_vars = std::max(input_vars, instance.num_vars());
  sat->reserve_vars(input_vars);
  shrinker.reset(new CoreShrinker(*sat));
  for (std::size_t i = 0; i < instance.num_hard(); ++i) {
    ClauseView cl = instance.hard(i);
    if (cl.size() == 0) empty_hard_clause = true;
    if (empty_hard_clause) return false;
    sat->add_clause(cl.begin(), cl.end());
  }
  term_of_var.assign(static_cast<std::size_t>(input_vars) + 1, -1);
  for (std::size_t i = 0; i < instance.num_soft(); ++i) load_soft(i);
  return true;
}

// A soft clause of one literal is assumed through that literal, a longer one through a selector
// s with the clause "C or not s". Empty soft clauses are falsified by every model: their weight
// goes to the lower bound.
void OllSolver::load_soft(std::size_t index) {
  ClauseView cl = instance.soft(index);
  const Cost w = instance.soft_weight(index);
  if (term_of_soft.size() <= index) term_of_soft.resize(index + 1, -1);
  if (cl.size() == 0) {
    lower = saturating_add(lower, w);
    return;
  }
  // A literal whose variable already stands for another soft clause (its negation, as a unit
  // soft clause) gets a selector of its own.
  if (cl.size() == 1 && term_of_var[var_index(*cl.begin())] < 0) {
    term_of_soft[index] = add_term(*cl.begin(), w);
    return;
  }
  const int selector = sat->new_var();
  scratch.assign(cl.begin(), cl.end());
  scratch.push_back(-selector);
  sat->add_clause(scratch);
  term_of_soft[index] = add_term(selector, w);
}

void OllSolver::note_model() {
  scratch_model.assign(static_cast<std::size_t>(instance.num_vars()) + 1, false);
  for (int v = 1; v <= instance.num_vars(); ++v) scratch_model[static_cast<std::size_t>(v)] = sat->value(v);
  keep_if_better(scratch_model);
}

void OllSolver::keep_if_better(std::vector<bool>& model) {
  const Cost cost = instance.cost_of(model);
  if (have_model && cost >= upper) return;
  have_model = true;
  upper = cost;
  best_model.swap(model);
  if (options.listener != nullptr) options.listener->on_upper_bound(upper);
}

void OllSolver::offer_model(const std::vector<bool>& model) {
  if (!instance.satisfies_hard(model)) return;
  scratch_model = model;
  keep_if_better(scratch_model);
}

void OllSolver::raise_lower_bound(Cost by) {
  if (by == 0) return;
  lower = saturating_add(lower, by);
  if (options.listener != nullptr) options.listener->on_lower_bound(lower);
}

// A soft literal heavier than upper - lower is true in every model better than the best one:
// it becomes a unit clause and leaves the assumptions.
void OllSolver::harden() {
  // A unit clause would outlive the bounds that justify it when the instance changes later;
  // collect_assumptions assumes those terms instead.
  if (!have_model || changes_expected) return;
  const Cost gap = upper > lower ? upper - lower : 0;
  for (Term& t : terms) {
    if (t.hardened || t.weight <= gap) continue;
    sat->add_unit(t.lit);
    t.hardened = true;
  }
}

void OllSolver::collect_assumptions() {
  assumptions.assign(user_assumptions.begin(), user_assumptions.end());
  const bool assume_heavy = changes_expected && have_model;
  const Cost gap = upper > lower ? upper - lower : 0;
  for (const Term& t : terms)
    if (!t.hardened && t.weight > 0 && (t.weight >= threshold || (assume_heavy && t.weight > gap)))
      assumptions.push_back(t.lit);
}

bool OllSolver::deletion_allowed() {
  const std::uint64_t spent = deletion_effort + (sat->effort() - shrink_started);
  return spent <= deletion_share * search_effort + deletion_allowance_effort;
}

// Every member loses the core's least weight, which the lower bound gains. A member that is a
// totalizer output "at least k" asks for "at least k+1" in turn. A core of one literal makes
// that literal false for good; a larger one waits for its totalizer.
void OllSolver::process_core(std::vector<int>& core) {
  Cost least = ~Cost(0);
  for (int lit : core) least = std::min(least, terms[static_cast<std::size_t>(term_of_var[var_index(lit)])].weight);
  raise_lower_bound(least);
  PendingCore pending{{}, least};
  for (int lit : core) {
    Term& t = terms[static_cast<std::size_t>(term_of_var[var_index(lit)])];
    t.weight -= least;
    if (t.totalizer >= 0) pending_bounds.push_back(PendingBound{t.totalizer, t.bound + 1, least});
    pending.members.push_back(-lit);
  }
  if (core.size() == 1)
    sat->add_unit(-core[0]);
  else
    pending_cores.push_back(std::move(pending));
}

// Adds "at most bound-1 inputs are true" as a soft literal of `weight`, merged into the one that
// exists already for that output. With `exhaust`, the bound first goes up while short searches
// prove that more inputs must be true, each step raising the lower bound by `weight`. A stop
// request ends only the exhaustion: the term is added all the same, so that the reformulation
// stays complete.
void OllSolver::add_totalizer_term(int index, int bound, Cost weight, bool exhaust) {
  Totalizer& tot = *totalizers[static_cast<std::size_t>(index)];
  while (exhaust && bound <= tot.num_inputs()) {
    tot.extend(*sat, bound);
    sat->set_conflict_limit(exhaustion_conflicts);
    const SatOracle::Result r = sat->solve({-tot.output(bound)});
    if (r != SatOracle::Result::unsatisfiable) break;
    sat->add_unit(tot.output(bound));
    raise_lower_bound(weight);
    ++bound;
  }
  if (bound > tot.num_inputs()) return;
  tot.extend(*sat, bound);
  const int lit = -tot.output(bound);
  if (var_index(lit) < term_of_var.size() && term_of_var[var_index(lit)] >= 0) {
    terms[static_cast<std::size_t>(term_of_var[var_index(lit)])].weight += weight;
    return;
  }
  Term& t = terms[static_cast<std::size_t>(add_term(lit, weight))];
  t.totalizer = index;
  t.bound = bound;
}

void OllSolver::flush_pending(bool exhaust) {
  for (const PendingBound& b : pending_bounds) add_totalizer_term(b.totalizer, b.bound, b.weight, false);
  pending_bounds.clear();
  for (const PendingCore& c : pending_cores) {
    totalizers.emplace_back(new Totalizer(*sat, c.members, 2));
    add_totalizer_term(static_cast<int>(totalizers.size() - 1), 2, c.weight, exhaust);
  }
  pending_cores.clear();
}

EngineResult OllSolver::checked_optimum(const std::vector<bool>& model) {
  EngineResult result;
  if (!instance.satisfies_hard(model)) {
    result.status = EngineStatus::internal_error;
    result.error = "Model violates a hard clause";
    return result;
  }
  const Cost cost = instance.cost_of(model);
  if (cost != lower) {
    result.status = EngineStatus::internal_error;
    result.error = "Model cost " + std::to_string(cost) + " differs from lower bound " + std::to_string(lower);
    return result;
  }
  result.status = EngineStatus::optimum;
  result.cost = cost;
  result.lower_bound = lower;
  result.model = model;
  return result;
}

EngineResult OllSolver::finish(EngineStatus status) {
  if (status == EngineStatus::optimum) return checked_optimum(best_model);
  EngineResult result;
  result.status = status;
  result.lower_bound = lower;
  if (status == EngineStatus::unknown && have_model) {
    if (!instance.satisfies_hard(best_model)) {
      result.status = EngineStatus::internal_error;
      result.error = "Model violates a hard clause";
      return result;
    }
    result.status = EngineStatus::satisfiable;
    result.cost = upper;
    result.model = best_model;
  }
  return result;
}

EngineResult OllSolver::solve() { return run(nullptr); }

EngineResult OllSolver::run(std::function<bool()> pause_request) {
  pause = std::move(pause_request);
  paused = false;
  if (empty_hard_clause || (!sat && !load())) return finish(EngineStatus::unsatisfiable);
  if (model_stale) recheck_best_model();
  // A fresh callback: the oracle remembers that a callback once asked it to stop.
  sat->set_terminate([this] { return stopped(); });
  std::uint64_t started;
  if (!first_model_found) {
    started = sat->effort();
    const SatOracle::Result r = sat->solve(user_assumptions);
    search_effort += sat->effort() - started;
    if (r == SatOracle::Result::unsatisfiable) return finish(EngineStatus::unsatisfiable);
    if (r == SatOracle::Result::unknown) return finish(EngineStatus::unknown);
    note_model();
    first_model_found = true;
    std::vector<Cost> weights;
    for (const Term& t : terms) weights.push_back(t.weight);
    threshold = next_weight_threshold(weights, ~Cost(0));
  }

  std::vector<Cost> weights;
  for (;;) {
    if (lower >= upper) return finish(EngineStatus::optimum);
    if (stopped()) return finish(EngineStatus::unknown);
    harden();
    collect_assumptions();
    started = sat->effort();
    const SatOracle::Result r = sat->solve(assumptions);
    search_effort += sat->effort() - started;
    if (r == SatOracle::Result::unknown) return finish(EngineStatus::unknown);
    if (r == SatOracle::Result::satisfiable) {
      note_model();
      if (!pending_cores.empty() || !pending_bounds.empty()) {
        flush_pending(true);
        continue;
      }
      if (threshold == 0) return finish(EngineStatus::optimum);
      weights.clear();
      for (const Term& t : terms)
        if (!t.hardened && t.weight > 0) weights.push_back(t.weight);
      threshold = next_weight_threshold(weights, threshold);
      continue;
    }
    core.clear();
    for (int lit : assumptions)
      if (sat->failed(lit)) core.push_back(lit);
    if (core.empty()) {
      // Hardening keeps every model at least as good as the best one, so the formula cannot
      // become unsatisfiable while a model exists.
      EngineResult result;
      result.status = EngineStatus::internal_error;
      result.error = "Empty core after a model was found";
      return result;
    }
    // A core cut short by a stop request is still a core.
    shrink_started = sat->effort();
    shrinker->shrink(core, [this] { return deletion_allowed(); }, [this] { return stopped(); });
    deletion_effort += sat->effort() - shrink_started;
    split_off_assumptions(core);
    if (core.empty()) {
      EngineResult result;
      result.status = EngineStatus::internal_error;
      result.error = "Assumptions refuted after a model was found";
      return result;
    }
    process_core(core);
  }
}

int OllSolver::falsified_literal(std::size_t soft) {
  if (falsified_lits.empty()) falsified_lits.assign(instance.num_soft(), 0);
  int& f = falsified_lits[soft];
  if (f != 0) return f;
  ClauseView cl = instance.soft(soft);
  if (cl.size() == 1) return f = -*cl.begin();
  // f is true exactly when the clause is false.
  f = sat->new_var();
  scratch.assign(cl.begin(), cl.end());
  scratch.push_back(f);
  sat->add_clause(scratch);
  for (int lit : cl) sat->add_clause(std::vector<int>{-f, -lit});
  return f;
}

EngineResult OllSolver::next_optimal(CubeKind kind) {
  EngineResult none;
  none.status = EngineStatus::unsatisfiable;
  if (!have_model) return none;
  flush_pending(false);

  std::vector<int> blocking;
  if (kind == CubeKind::falsified_softs) {
    for (std::size_t i = 0; i < instance.num_soft(); ++i) {
      if (instance.soft(i).size() == 0 || instance.soft_weight(i) == 0) continue;
      const int f = falsified_literal(i);
      blocking.push_back(InstanceSnapshot::satisfied(instance.soft(i), best_model) ? f : -f);
    }
  } else {
    std::vector<bool> occurs(static_cast<std::size_t>(instance.num_vars()) + 1, false);
    for (std::size_t i = 0; i < instance.num_hard(); ++i)
      for (int lit : instance.hard(i)) occurs[var_index(lit)] = true;
    for (std::size_t i = 0; i < instance.num_soft(); ++i)
      for (int lit : instance.soft(i)) occurs[var_index(lit)] = true;
    for (int v = 1; v <= instance.num_vars(); ++v)
      if (occurs[static_cast<std::size_t>(v)]) blocking.push_back(best_model[static_cast<std::size_t>(v)] ? -v : v);
  }
  if (blocking.empty()) return none;
  sat->add_clause(blocking);

  threshold = 0;
  collect_assumptions();
  const SatOracle::Result r = sat->solve(assumptions);
  if (r == SatOracle::Result::unknown) {
    EngineResult result;
    result.status = EngineStatus::unknown;
    return result;
  }
  if (r == SatOracle::Result::unsatisfiable) return none;
  for (int v = 1; v <= instance.num_vars(); ++v) best_model[static_cast<std::size_t>(v)] = sat->value(v);
  return checked_optimum(best_model);
}
