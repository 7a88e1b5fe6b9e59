// Disjoint inconsistent subsets by simulated unit propagation, then failed literals (see the
// header). The simulation sets literal values only and reads the state of a clause off its
// literals, which on short clauses costs no more than a counter and makes undoing free; the
// formula's free counts stay those of the search. The buffers are sized once, so a node
// allocates nothing.
#include "engine/bnb/bnb_lower_bound.hh"

#include <algorithm>

namespace bnb {

LowerBound::LowerBound(Formula& formula) : f(formula) {
  const std::size_t m = static_cast<std::size_t>(f.num_clauses());
  const std::size_t n = static_cast<std::size_t>(f.num_vars()) + 1;
  resid = f.weight;
  touched.reserve(m);
  reason.assign(n, -1);
  in_sim.assign(n, 0);
  trail.reserve(n);
  // A clause enters the queue when it becomes unit, at most once per propagation, and the
  // candidate units of the node come first.
  // One slot more for the speculative write of assign().
  queue.resize(2 * m + 2);
  subset.reserve(m);
  implied.reserve(n);
  cannot_fail.assign(2 * n, 0);
  // Mostly binary clauses: failed-literal passes that give up after 4, 8 and 16 propagated
  // literals before the unlimited one. Short propagations explain their conflicts with small
  // subsets, which leave more clauses to further subsets; on random Max-2-SAT this more than
  // halves the search tree. With longer clauses propagation rarely goes that far, and the
  // extra passes only cost time.
  int binary = 0;
  for (int c = 0; c < f.num_clauses(); ++c) binary += f.clause_size(c) == 2;
  if (2 * binary >= f.num_clauses()) failed_literal_caps = {4, 8, 16};
  failed_literal_caps.push_back(~std::size_t(0));
  in_subset.assign(m, 0);
}

void LowerBound::assign(int lit, int why) {
  f.set_true(lit);
  const int v = var_of(lit);
  reason[static_cast<std::size_t>(v)] = why;
  in_sim[static_cast<std::size_t>(v)] = 1;
  trail.push_back(lit);
  const int neg = negate(lit);
  // Local views, so that the queue's stores do not make the compiler reload them.
  const int* lits = f.clause_lits();
  const std::size_t* starts = f.clause_starts();
  const signed char* val = f.values();
  const Cost* weights = resid.data();
  Implied* out = queue.data();
  std::size_t tail = qtail;
  const int* end = f.occ_end(neg);
  const int* other = f.occ_other_begin(neg);
  for (const int* p = f.occ_begin(neg); p != end; ++p, ++other) {
    const int c = *p;
    const int o = *other;
    if (o >= 0) {
      // A binary clause: the other literal is implied when it is unassigned, and the clause is
      // falsified when it is false. Whether it is true or free, and whether the clause still
      // has weight, vary from clause to clause without pattern, so the entry is written
      // unconditionally and counted only when it is wanted (the queue has a spare slot).
      const int value = val[o];
      const bool live = weights[c] != 0;
      if (value < 0 && live) {
        conflict = c;  // nothing else of this literal matters: undoing only resets values
        break;
      }
      out[tail] = Implied{o, c};
      tail += static_cast<std::size_t>(live & (value == 0));
      continue;
    }
    if (weights[c] == 0) continue;
    int free = -1, nfree = 0;
    bool sat = false;
    const int* q_end = lits + starts[c + 1];
    for (const int* q = lits + starts[c]; q != q_end; ++q) {
      const int value = val[*q];
      if (value > 0) {
        sat = true;
        break;
      }
      if (value == 0) {
        if (++nfree > 1) break;  // neither unit nor falsified, whatever the rest holds
        free = *q;
      }
    }
    if (sat || nfree > 1) continue;
    if (nfree == 0) {
      conflict = c;
      break;
    }
    out[tail++] = Implied{free, c};
  }
  qtail = tail;
  steps += static_cast<std::uint64_t>(end - f.occ_begin(neg));
}

int LowerBound::propagate(std::size_t cap) {
  while (conflict < 0 && qhead < qtail) {
    if (trail.size() > cap) return gave_up;
    const Implied next = queue[qhead++];
    const int value = f.value(next.lit);
    // The other literals of the reason are false and stay so: a false literal here means the
    // reason clause is falsified.
    if (value < 0) return next.reason;
    if (value == 0) assign(next.lit, next.reason);
  }
  return conflict;
}

void LowerBound::undo_all() {
  while (!trail.empty()) {
    const int lit = trail.back();
    trail.pop_back();
    f.unset(lit);
    in_sim[static_cast<std::size_t>(var_of(lit))] = 0;
  }
  qhead = qtail = 0;
  conflict = -1;
}

void LowerBound::explain(int c) {
  if (!in_subset[static_cast<std::size_t>(c)]) {
    in_subset[static_cast<std::size_t>(c)] = 1;
    subset.push_back(c);
  }
  // The subset grows while it is walked: every member's false literals that the simulation
  // set bring in their reasons.
  for (std::size_t i = 0; i < subset.size(); ++i) {
    const int d = subset[i];
    for (const int* p = f.clause_begin(d); p != f.clause_end(d); ++p) {
      const int v = var_of(*p);
      if (!in_sim[static_cast<std::size_t>(v)] || f.value(*p) > 0) continue;
      const int r = reason[static_cast<std::size_t>(v)];
      if (r >= 0 && !in_subset[static_cast<std::size_t>(r)]) {
        in_subset[static_cast<std::size_t>(r)] = 1;
        subset.push_back(r);
      }
    }
  }
}

bool LowerBound::forced_weight_reaches(Cost bound, Cost limit) {
  Cost least = hard_weight;
  for (int c : subset) {
    in_subset[static_cast<std::size_t>(c)] = 0;
    if (!f.hard[static_cast<std::size_t>(c)]) least = std::min(least, resid[static_cast<std::size_t>(c)]);
  }
  subset.clear();
  return least == hard_weight || saturating_add(bound, least) >= limit;
}

Cost LowerBound::split_off() {
  Cost least = hard_weight;
  for (int c : subset)
    if (!f.hard[static_cast<std::size_t>(c)]) least = std::min(least, resid[static_cast<std::size_t>(c)]);
  for (int c : subset) {
    in_subset[static_cast<std::size_t>(c)] = 0;
    if (least == hard_weight || f.hard[static_cast<std::size_t>(c)]) continue;
    Cost& r = resid[static_cast<std::size_t>(c)];
    if (r == f.weight[static_cast<std::size_t>(c)]) touched.push_back(c);
    r -= least;
  }
  subset.clear();
  return least;
}

void LowerBound::release() {
  for (int c : touched) resid[static_cast<std::size_t>(c)] = f.weight[static_cast<std::size_t>(c)];
  touched.clear();
}

Cost LowerBound::compute(const std::vector<int>& units, Cost limit, bool failed_literals) {
  Cost bound = 0;
  infeasible = false;
  auto add = [&](Cost w) {
    if (w == hard_weight) infeasible = true;
    else bound = saturating_add(bound, w);
    return infeasible || bound >= limit;
  };
  implied.clear();
  // A literal that propagation from a non-failing literal sets cannot fail either (what it
  // propagates is part of that), now or after more weight is split off: units and
  // failed-literal tests on it are skipped.
  if (++stamp == 0) {
    std::fill(cannot_fail.begin(), cannot_fail.end(), 0);
    stamp = 1;
  }
  auto note_no_conflict = [&] {
    for (int l : trail) cannot_fail[static_cast<std::size_t>(l)] = stamp;
    undo_all();
  };
  // Propagation from one unit clause at a time (the others can only be falsified), which
  // keeps the subsets small; a unit that led to a conflict is tried again while it has weight.
  for (int u : units) {
    while (f.free_count(u) == 1 && resid[static_cast<std::size_t>(u)] > 0 && !f.satisfied(u)) {
      const int lit = f.free_literal(u);
      if (cannot_fail[static_cast<std::size_t>(lit)] == stamp) break;
      queue[qtail++] = Implied{lit, u};
      const int c = propagate();
      if (c < 0) {
        note_no_conflict();
        break;
      }
      explain(c);
      undo_all();
      if (add(split_off())) return bound;
    }
  }

  if (!failed_literals) return bound;
  // Failed literals cost more than the rest of the bound. They are tried when the gap to the
  // limit is within reach of what they gained lately (a moving average; on random Max-2-SAT
  // they close large gaps, on Max-3-SAT they rarely add much), and every few calls anyway to
  // keep that figure current.
  ++calls;
  if (limit != hard_weight && calls % explore_period != 1 && static_cast<double>(limit - bound) > 2 * yield + 1)
    return bound;
  const Cost before = bound;
  for (std::size_t cap : failed_literal_caps)
    if (failed_literal_pass(bound, limit, add, cap)) break;
  yield = 0.9 * yield + 0.1 * static_cast<double>(bound - before);
  return bound;
}

template <class Add>
bool LowerBound::failed_literal_pass(Cost& bound, Cost limit, Add& add, std::size_t cap) {
  auto safe = [&](int lit) { return cannot_fail[static_cast<std::size_t>(lit)] == stamp; };
  auto note_no_conflict = [&] {
    for (int l : trail) cannot_fail[static_cast<std::size_t>(l)] = stamp;
    undo_all();
  };
  for (int v = 1; v <= f.num_vars(); ++v) {
    while (!f.assigned(v) && !(safe(2 * v) && safe(2 * v + 1))) {
      const int first = safe(2 * v) ? 2 * v + 1 : 2 * v;
      const int second = negate(first);
      assign(first, -1);
      int c = propagate(cap);
      if (c == gave_up) {
        undo_all();
        break;
      }
      if (c < 0) {
        note_no_conflict();
        break;
      }
      explain(c);
      undo_all();
      bool both = false;
      if (!safe(second)) {
        assign(second, -1);
        c = propagate(cap);
        if (c == gave_up) undo_all();
        else if (c < 0) note_no_conflict();
        else both = true;
      }
      if (!both) {
        // Only `first` fails: a model cheaper than the limit that sets it pays the subset's
        // weight on top of the bound, so when that reaches the limit, it is false in all of them.
        if (forced_weight_reaches(bound, limit)) implied.push_back(second);
        break;
      }
      explain(c);
      undo_all();
      if (add(split_off())) return true;
    }
  }
  return false;
}

}  // namespace bnb
