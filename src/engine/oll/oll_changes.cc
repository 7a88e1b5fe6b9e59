// Changes to the instance between two runs of the OLL engine, and what each one leaves valid.
// The reformulation rests on one invariant: every model costs at least `lower` plus the weight
// of the terms it falsifies. New hard clauses only remove models; a new soft clause adds a term
// and a weight to both sides; a heavier soft clause adds weight to its term. All three keep the
// invariant, so the oracle, its learned clauses, the totalizers and the weight the cores took
// stay. A lighter soft clause keeps it only while its term still holds the difference; when the
// cores already took more, the engine refuses and its owner starts a new one, as it does for an
// empty soft clause (whose weight sits inside `lower`).
//
// Assumptions for a run join the oracle's assumptions. A core that needs one of them holds only
// while that assumption does: the engine remembers every assumption some core used and refuses
// a later set of assumptions that drops one. The best model is kept while it satisfies the new
// clauses and assumptions (checked once, at the next run) and costed again.
#include <algorithm>
#include <cstdlib>

#include "engine/oll/oll_solver.hh"

void OllSolver::expect_changes(int reserved_vars) {
  changes_expected = true;
  input_vars = std::max(input_vars, reserved_vars);
}

bool OllSolver::within_input_vars(ClauseView cl) const {
  for (int lit : cl)
    if (std::abs(lit) > input_vars) return false;
  return true;
}

bool OllSolver::add_hard(std::size_t index) {
  model_stale = true;
  if (!sat) return true;
  ClauseView cl = instance.hard(index);
  if (!within_input_vars(cl)) return false;
  if (cl.size() == 0) empty_hard_clause = true;
  if (!empty_hard_clause) sat->add_clause(cl.begin(), cl.end());
  return true;
}

bool OllSolver::add_soft(std::size_t index) {
  model_stale = true;
  if (!sat) return true;
  if (!within_input_vars(instance.soft(index))) return false;
  load_soft(index);
  return true;
}

bool OllSolver::weight_changed(std::size_t index, Cost old_weight) {
  model_stale = true;
  if (!sat) return true;
  const int term = term_of_soft[index];
  if (term < 0) return false;
  Cost& residual = terms[static_cast<std::size_t>(term)].weight;
  const Cost now = instance.soft_weight(index);
  if (now >= old_weight) {
    residual = saturating_add(residual, now - old_weight);
    return true;
  }
  if (residual < old_weight - now) return false;
  residual -= old_weight - now;
  return true;
}

bool OllSolver::set_assumptions(const std::vector<int>& lits) {
  std::vector<int> sorted(lits);
  std::sort(sorted.begin(), sorted.end());
  sorted.erase(std::unique(sorted.begin(), sorted.end()), sorted.end());
  // Before the first run the reservation may still grow; after it, the engine's own variables
  // lie above it.
  for (int lit : sorted) {
    if (std::abs(lit) <= input_vars) continue;
    if (sat) return false;
    input_vars = std::abs(lit);
  }
  if (!std::includes(sorted.begin(), sorted.end(), relied_on.begin(), relied_on.end())) return false;
  user_assumptions.swap(sorted);
  model_stale = true;
  return true;
}

void OllSolver::split_off_assumptions(std::vector<int>& core) {
  if (user_assumptions.empty()) return;
  auto assumed = [this](int lit) { return std::binary_search(user_assumptions.begin(), user_assumptions.end(), lit); };
  bool relies = false;
  for (int lit : core)
    if (assumed(lit)) {
      relied_on.push_back(lit);
      relies = true;
    }
  if (!relies) return;
  std::sort(relied_on.begin(), relied_on.end());
  relied_on.erase(std::unique(relied_on.begin(), relied_on.end()), relied_on.end());
  core.erase(std::remove_if(core.begin(), core.end(), assumed), core.end());
}

// Variables the best model has not seen are unconstrained by the clauses it was found for, so
// they may take false; the model stays when it satisfies every hard clause and assumption.
void OllSolver::recheck_best_model() {
  model_stale = false;
  if (!have_model) {
    first_model_found = false;
    return;
  }
  best_model.resize(static_cast<std::size_t>(instance.num_vars()) + 1, false);
  bool fits = instance.satisfies_hard(best_model);
  for (int lit : user_assumptions)
    if (fits && static_cast<std::size_t>(std::abs(lit)) < best_model.size())
      fits = best_model[static_cast<std::size_t>(std::abs(lit))] == (lit > 0);
    else if (fits)
      fits = lit < 0;
  if (!fits) {
    // The next run starts with a plain satisfiability call again, which also tells when the
    // new clauses or assumptions leave no model at all.
    have_model = false;
    first_model_found = false;
    upper = ~Cost(0);
    return;
  }
  upper = instance.cost_of(best_model);
}
