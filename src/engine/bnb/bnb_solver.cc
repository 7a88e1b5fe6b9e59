// The search loop of the branch-and-bound engine (see the header for the node's steps). The
// search is iterative: `levels` holds one entry per decision with what undoing it restores
// (trail length, candidate unit list length, cost) and whether its second value was tried.
// Literals set by propagation, by the dominating unit clause rule or by force from the bound
// go on the trail of the current decision and are undone with it; at the root they stay.
#include "engine/bnb/bnb_solver.hh"

#include <algorithm>
#include <string>

#include "engine/bnb/bnb_local_search.hh"

using bnb::hard_weight;
using bnb::negate;
using bnb::var_of;

BnbSolver::BnbSolver(const InstanceSnapshot& instance, EngineOptions options, BnbSettings settings)
    : instance(instance), options(std::move(options)), settings(settings), f(instance), lb(f) {
  const std::size_t nlits = static_cast<std::size_t>(f.num_lits());
  const std::size_t m = static_cast<std::size_t>(f.num_clauses());
  trail.reserve(static_cast<std::size_t>(f.num_vars()) + 1);
  levels.reserve(static_cast<std::size_t>(f.num_vars()) + 1);
  units.reserve(m);
  hard_queue.reserve(m);
  score.assign(nlits, 0);
  unit_weight.assign(nlits, 0);
  open_weight.assign(nlits, 0);
  open_hard.assign(nlits, 0);
  forced_weight.assign(nlits, 0);
  forced_touched.reserve(nlits);
  Cost heaviest = 1;
  for (std::size_t c = 0; c < m; ++c)
    if (!f.hard[c]) heaviest = std::max(heaviest, f.weight[c]);
  hard_score = 2.0 * static_cast<double>(heaviest);
}

void BnbSolver::assign(int lit) {
  f.set_true(lit);
  trail.push_back(lit);
  const int neg = negate(lit);
  for (const int* p = f.occ_begin(neg); p != f.occ_end(neg); ++p) {
    const int c = *p;
    const int left = f.drop_free(c);  // c is not satisfied: it is in the list
    if (left > 1) continue;
    if (f.hard[static_cast<std::size_t>(c)]) {
      if (left == 0) conflict = true;
      else hard_queue.push_back(c);
    } else if (left == 0) {
      cost = saturating_add(cost, f.weight[static_cast<std::size_t>(c)]);
    } else {
      units.push_back(c);
    }
  }
  f.satisfy(lit);
}

bool BnbSolver::propagate_hard() {
  while (!conflict && hard_head < hard_queue.size()) {
    const int c = hard_queue[hard_head++];
    if (f.satisfied(c)) continue;
    if (f.free_count(c) == 0) {
      conflict = true;
      break;
    }
    assign(f.free_literal(c));
  }
  hard_queue.clear();
  hard_head = 0;
  return !conflict;
}

int BnbSolver::scan_open_clauses() {
  std::fill(score.begin(), score.end(), 0.0);
  std::fill(unit_weight.begin(), unit_weight.end(), 0);
  std::fill(open_weight.begin(), open_weight.end(), 0);
  std::fill(open_hard.begin(), open_hard.end(), 0);
  // Shorter open clauses weigh more in the score, as in the two-sided Jeroslow-Wang rule.
  // Unit clauses are left out: both values of a variable falsify some of them anyway.
  static constexpr double size_factor[] = {0, 0, 4, 2, 0.5};
  bool any_open = false;
  for (int v = 1; v <= f.num_vars(); ++v) {
    if (f.assigned(v)) continue;
    for (int l : {2 * v, 2 * v + 1}) {
      const std::size_t li = static_cast<std::size_t>(l);
      for (const int* p = f.occ_begin(l); p != f.occ_end(l); ++p) {
        const int c = *p;
        const int k = f.free_count(c);
        any_open = true;
        if (f.hard[static_cast<std::size_t>(c)]) {
          score[li] += hard_score * size_factor[std::min(k, 4)];
          open_hard[li] = 1;
        } else {
          const Cost w = f.weight[static_cast<std::size_t>(c)];
          score[li] += static_cast<double>(w) * size_factor[std::min(k, 4)];
          open_weight[li] = saturating_add(open_weight[li], w);
          if (k == 1) unit_weight[li] = saturating_add(unit_weight[li], w);
        }
      }
    }
  }
  if (!any_open) return -1;

  // A literal whose unit clauses weigh at least what all open clauses of its negation weigh
  // can be set true: flipping it to true in any model loses no more than it gains. Setting
  // one only satisfies or shortens clauses, which keeps the condition true for the others.
  bool applied = false;
  for (int v = 1; v <= f.num_vars(); ++v) {
    if (f.assigned(v)) continue;
    for (int l : {2 * v, 2 * v + 1}) {
      const std::size_t pos = static_cast<std::size_t>(l), neg = static_cast<std::size_t>(negate(l));
      if (open_weight[pos] == 0 && !open_hard[pos]) continue;
      if (open_hard[neg] || open_weight[neg] > unit_weight[pos]) continue;
      assign(l);
      applied = true;
      break;
    }
  }
  if (applied) return 1;

  double best = -1;
  for (int v = 1; v <= f.num_vars(); ++v) {
    if (f.assigned(v)) continue;
    const double sp = score[static_cast<std::size_t>(2 * v)], sn = score[static_cast<std::size_t>(2 * v + 1)];
    if (sp == 0 && sn == 0) continue;
    const double s = sp * sn * 1024 + sp + sn;
    if (s > best) {
      best = s;
      branch_lit = sp >= sn ? 2 * v : 2 * v + 1;
    }
  }
  return 0;
}

bool BnbSolver::harden(Cost lower, bool& changed) {
  const Cost base = saturating_add(cost, lower);
  for (int c : units) {
    const Cost r = lb.residual(c);
    if (r == 0 || f.free_count(c) != 1 || f.satisfied(c)) continue;
    const int l = f.free_literal(c);
    Cost& fw = forced_weight[static_cast<std::size_t>(l)];
    if (fw == 0) forced_touched.push_back(l);
    fw = saturating_add(fw, r);
  }
  bool ok = true;
  for (int l : lb.implied_literals()) {
    if (f.value(l) < 0) ok = false;
    else if (f.value(l) == 0 && ok) {
      assign(l);
      changed = true;
    }
  }
  for (int l : forced_touched) {
    if (ok && (!have_upper || !bound_reached(saturating_add(base, forced_weight[static_cast<std::size_t>(l)])))) {
      // nothing to force
    } else if (ok) {
      if (f.value(l) < 0) ok = false;
      else if (f.value(l) == 0) {
        assign(l);
        changed = true;
      }
    }
    forced_weight[static_cast<std::size_t>(l)] = 0;
  }
  forced_touched.clear();
  return ok && !conflict;
}

bool BnbSolver::stopped() {
  if (!out_of_time && options.out_of_time()) out_of_time = true;
  return out_of_time;
}

void BnbSolver::offer_model(const std::vector<bool>& model) {
  if (model.size() < static_cast<std::size_t>(f.num_vars()) + 1 || !instance.satisfies_hard(model)) return;
  const Cost c = instance.cost_of(model);
  if (have_model && c >= best_cost) return;
  have_model = true;
  best_cost = c;
  best_model = model;
  if (!have_upper || c < upper) {
    have_upper = true;
    upper = c;
  }
}

void BnbSolver::record_leaf() {
  leaf_model.assign(static_cast<std::size_t>(f.num_vars()) + 1, false);
  for (int v = 1; v <= f.num_vars(); ++v) leaf_model[static_cast<std::size_t>(v)] = f.value(2 * v) > 0;
  offer_model(leaf_model);
  if (!have_model || best_cost != cost) {
    if (error.empty()) error = "Leaf of cost " + std::to_string(cost) + " gives a model of another cost";
    return;
  }
  if (options.listener != nullptr) options.listener->on_upper_bound(cost);
}

EngineResult BnbSolver::checked(EngineStatus status, Cost lower) {
  EngineResult result;
  result.status = status;
  result.lower_bound = lower;
  if (!error.empty()) {
    result.status = EngineStatus::internal_error;
    result.error = error;
    return result;
  }
  if (!have_model || status == EngineStatus::unsatisfiable || status == EngineStatus::unknown) return result;
  if (!instance.satisfies_hard(best_model)) {
    result.status = EngineStatus::internal_error;
    result.error = "Model violates a hard clause";
    return result;
  }
  const Cost c = instance.cost_of(best_model);
  if (c != best_cost || (status == EngineStatus::optimum && c != lower)) {
    result.status = EngineStatus::internal_error;
    result.error = "Model cost " + std::to_string(c) + " differs from the search's " + std::to_string(best_cost);
    return result;
  }
  result.cost = c;
  result.model = best_model;
  return result;
}

EngineResult BnbSolver::finish(bool complete) {
  if (!complete) return checked(have_model ? EngineStatus::satisfiable : EngineStatus::unknown, reported_lower);
  // The search has shown that no model costs less than `upper`.
  if (!have_upper) return checked(EngineStatus::unsatisfiable, 0);
  if (have_model && best_cost == upper) {
    if (options.listener != nullptr && upper > reported_lower) options.listener->on_lower_bound(upper);
    return checked(EngineStatus::optimum, upper);
  }
  return checked(have_model ? EngineStatus::satisfiable : EngineStatus::unknown, upper);
}

EngineResult BnbSolver::solve(Cost initial_upper_bound, const std::vector<bool>* initial_model) {
  if (f.has_empty_hard()) return checked(EngineStatus::unsatisfiable, 0);
  have_upper = initial_upper_bound != ~Cost(0);
  upper = initial_upper_bound;
  if (initial_model != nullptr) offer_model(*initial_model);
  const Cost given = have_model ? best_cost : ~Cost(0);

  // Local search from the caller's model, or from scratch; its work is kept to a few tens of
  // millions of clause visits on large formulas, and to a thousand flips per variable.
  if (settings.local_search_flips > 0) {
    std::uint64_t occurrences = 0;
    for (int c = 0; c < f.num_clauses(); ++c) occurrences += static_cast<std::uint64_t>(f.clause_size(c));
    const std::uint64_t n = static_cast<std::uint64_t>(f.num_vars());
    const std::uint64_t flips = std::min({settings.local_search_flips, 1000 * n, 40000000 / (occurrences + n + 1) + 100});
    offer_model(bnb::local_search(f, best_model, flips, 1, [this] { return stopped(); }));
  }
  if (have_model && best_cost < given && options.listener != nullptr) options.listener->on_upper_bound(best_cost);

  mirror_symmetric = f.symmetric_under_complement();
  cost = f.empty_soft_weight();
  for (int c = 0; c < f.num_clauses(); ++c) {
    if (f.clause_size(c) != 1) continue;
    if (f.hard[static_cast<std::size_t>(c)]) hard_queue.push_back(c);
    else units.push_back(c);
  }

  for (;;) {
    ++node_count;
    if (node_count % poll_nodes == 1 || lb.propagations() >= next_poll_steps) {
      next_poll_steps = lb.propagations() + poll_steps;
      if (stopped()) return finish(false);
    }
    bool open = propagate_hard() && !bound_reached(cost);
    if (open) {
      const int scan = scan_open_clauses();
      if (scan == 1) continue;
      if (scan < 0) {
        record_leaf();
        open = false;
      } else {
        const Cost limit = have_upper ? upper - cost : hard_weight;
        const Cost lower = lb.compute(units, limit, settings.failed_literals);
        const Cost node_bound = saturating_add(cost, lower);
        bool changed = false;
        open = !lb.no_model() && !bound_reached(node_bound) && harden(lower, changed);
        lb.release();
        if (open && levels.empty() && node_bound > reported_lower) {
          reported_lower = node_bound;
          if (options.listener != nullptr) options.listener->on_lower_bound(reported_lower);
        }
        if (open && changed) continue;
        if (open) {
          // With nothing set yet on a formula equal to its mirror image, the other value of the
          // first decision leads only to the mirror images of the models of this one.
          const bool mirrored = levels.empty() && trail.empty() && mirror_symmetric;
          levels.push_back(Level{trail.size(), units.size(), cost, branch_lit, mirrored});
          assign(branch_lit);
          continue;
        }
      }
    }
    // Backtrack to the latest decision whose other value is untried.
    bool resumed = false;
    while (!levels.empty() && !resumed) {
      Level& top = levels.back();
      while (trail.size() > top.trail_size) {
        f.undo(trail.back());
        trail.pop_back();
      }
      units.resize(top.units_size);
      cost = top.cost;
      conflict = false;
      hard_queue.clear();
      if (!top.flipped) {
        top.flipped = true;
        assign(negate(top.lit));
        resumed = true;
      } else {
        levels.pop_back();
      }
    }
    if (!resumed) return finish(true);
  }
}
