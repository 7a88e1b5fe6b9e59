// Dynamic clause-weighting local search (see the header). The score of a variable is the search
// weight of the clauses its flip would satisfy minus that of the clauses it would falsify. Per
// clause the walk keeps the number of true literals and, when that number is 1, the variable of
// the true literal, so that a flip updates scores over the flipped variable's occurrences only:
// a clause that becomes satisfied or falsified changes the score of each of its variables, one
// whose true count moves between 1 and 2 changes only that of its one true variable, and the
// flipped variable's own score simply changes sign.
//
// Variables with a positive score sit on a stack that the score updates keep current, so the
// greedy step samples it without scanning. The clauses falsified by the assignment are two such
// stacks (hard and soft), from which a local optimum takes the clauses whose weights grow and the
// clause whose best variable is flipped.
#include "engine/oll/weighted_local_search.hh"

#include <algorithm>
#include <cassert>
#include <cstdlib>

namespace {

constexpr std::uint32_t not_listed = ~std::uint32_t(0);
// Hard weights stop growing here, far below the range of the 64-bit scores that add them up.
constexpr std::int64_t max_hard_weight = std::int64_t(1) << 40;
// How many flips pass between two polls of the stop request.
constexpr std::uint64_t stop_poll_interval = 256;

std::uint64_t splitmix64(std::uint64_t& x) {
  std::uint64_t z = (x += 0x9e3779b97f4a7c15ULL);
  z = (z ^ (z >> 30)) * 0xbf58476d1ce4e5b9ULL;
  z = (z ^ (z >> 27)) * 0x94d049bb133111ebULL;
  return z ^ (z >> 31);
}

std::uint64_t rotate_left(std::uint64_t x, int k) { return (x << k) | (x >> (64 - k)); }

std::uint32_t encode(int dimacs) {
  return dimacs > 0 ? 2 * static_cast<std::uint32_t>(dimacs) : 2 * static_cast<std::uint32_t>(-dimacs) + 1;
}

}  // namespace

WeightedLocalSearch::WeightedLocalSearch(const InstanceSnapshot& instance, std::uint64_t seed,
                                         const LocalSearchSettings& settings)
    : settings(settings) {
  for (std::uint64_t& word : rng_state) word = splitmix64(seed);
  load(instance);
  stagnation_limit = std::max(settings.stagnation_flips, settings.stagnation_flips_per_clause * num_clauses);
  reset_weights();
  restart_from({});
}

// Copies the clauses with each literal once, hard ones first, and builds the occurrence lists.
void WeightedLocalSearch::load(const InstanceSnapshot& instance) {
  num_vars = static_cast<std::uint32_t>(instance.num_vars());
  std::vector<std::uint32_t> buffer;
  std::vector<std::uint32_t> occ_count(2 * static_cast<std::size_t>(num_vars) + 2, 0);
  clause_start.push_back(0);
  // Keeps the clause in `buffer` unless it is a tautology or empty; says whether it was kept.
  auto add_clause = [&](ClauseView clause) {
    buffer.clear();
    for (int lit : clause) buffer.push_back(encode(lit));
    std::sort(buffer.begin(), buffer.end());
    buffer.erase(std::unique(buffer.begin(), buffer.end()), buffer.end());
    for (std::size_t i = 1; i < buffer.size(); ++i)
      if ((buffer[i] >> 1) == (buffer[i - 1] >> 1)) return false;
    if (buffer.empty()) return false;
    for (std::uint32_t lit : buffer) ++occ_count[lit];
    lits.insert(lits.end(), buffer.begin(), buffer.end());
    clause_start.push_back(lits.size());
    return true;
  };
  for (std::size_t i = 0; i < instance.num_hard(); ++i) {
    const ClauseView clause = instance.hard(i);
    if (clause.size() == 0) empty_hard = true;
    add_clause(clause);
  }
  num_hard = static_cast<std::uint32_t>(clause_start.size() - 1);
  Cost total_soft = 0;
  for (std::size_t i = 0; i < instance.num_soft(); ++i) {
    const ClauseView clause = instance.soft(i);
    if (clause.size() == 0) empty_soft_cost = saturating_add(empty_soft_cost, instance.soft_weight(i));
    if (!add_clause(clause)) continue;
    soft_cost.push_back(instance.soft_weight(i));
    total_soft = saturating_add(total_soft, instance.soft_weight(i));
  }
  num_clauses = static_cast<std::uint32_t>(clause_start.size() - 1);

  // A clause of average cost gets the unit `average_soft_unit`, others in proportion.
  const double average = soft_cost.empty() ? 1.0 : static_cast<double>(total_soft) / static_cast<double>(soft_cost.size());
  soft_unit.reserve(soft_cost.size());
  for (Cost c : soft_cost) {
    const double unit = static_cast<double>(settings.average_soft_unit) * static_cast<double>(c) / average;
    soft_unit.push_back(std::max<std::int64_t>(
        1, std::min(settings.max_soft_unit, static_cast<std::int64_t>(std::min(unit, 9e18)))));
  }

  occ_start.assign(occ_count.size() + 1, 0);
  for (std::size_t lit = 0; lit < occ_count.size(); ++lit) occ_start[lit + 1] = occ_start[lit] + occ_count[lit];
  occ.resize(lits.size());
  for (std::uint32_t c = 0; c < num_clauses; ++c)
    for (std::size_t i = clause_start[c]; i < clause_start[c + 1]; ++i) occ[occ_start[lits[i]] + --occ_count[lits[i]]] = c;

  value.assign(static_cast<std::size_t>(num_vars) + 1, 0);
  weight.resize(num_clauses);
  true_count.resize(num_clauses);
  true_var.resize(num_clauses);
  score.resize(static_cast<std::size_t>(num_vars) + 1);
  flipped_at.assign(static_cast<std::size_t>(num_vars) + 1, 0);
  falsified[hard_side].reserve(num_hard);
  falsified[soft_side].reserve(num_clauses - num_hard);
  falsified_place.resize(num_clauses);
  improving.reserve(num_vars);
  improving_place.resize(static_cast<std::size_t>(num_vars) + 1);
  flipped_since_best.reserve(num_vars);
}

void WeightedLocalSearch::reset_hard_weights() { std::fill(weight.begin(), weight.begin() + num_hard, 1); }

void WeightedLocalSearch::reset_weights() {
  reset_hard_weights();
  std::copy(soft_unit.begin(), soft_unit.end(), weight.begin() + num_hard);
}

void WeightedLocalSearch::restart_from(const std::vector<bool>& start, bool fresh_weights) {
  if (fresh_weights) reset_weights();
  work += lits.size() + num_vars;
  for (std::uint32_t v = 1; v <= num_vars; ++v) value[v] = v < start.size() && start[v] ? 1 : 0;
  std::fill(score.begin(), score.end(), 0);
  falsified[hard_side].clear();
  falsified[soft_side].clear();
  cost = ExactSum();
  cost.add(empty_soft_cost);
  for (std::uint32_t c = 0; c < num_clauses; ++c) {
    std::uint32_t count = 0;
    for (std::size_t i = clause_start[c]; i < clause_start[c + 1]; ++i)
      if (lit_true(lits[i])) {
        ++count;
        true_var[c] = lits[i] >> 1;
      }
    true_count[c] = count;
    if (count == 0) {
      for (std::size_t i = clause_start[c]; i < clause_start[c + 1]; ++i) score[lits[i] >> 1] += weight[c];
      mark_falsified(c);
    } else if (count == 1) {
      score[true_var[c]] -= weight[c];
    }
  }
  improving.clear();
  for (std::uint32_t v = 1; v <= num_vars; ++v) {
    improving_place[v] = not_listed;
    if (score[v] > 0) {
      improving_place[v] = static_cast<std::uint32_t>(improving.size());
      improving.push_back(v);
    }
  }
  if (!empty_hard && falsified[hard_side].empty() && (!has_model() || cost.saturated() < best_exact_cost)) record_best();
}

void WeightedLocalSearch::mark_falsified(std::uint32_t clause) {
  std::vector<std::uint32_t>& stack = falsified[is_hard(clause) ? hard_side : soft_side];
  falsified_place[clause] = static_cast<std::uint32_t>(stack.size());
  stack.push_back(clause);
  if (!is_hard(clause)) cost.add(soft_cost[clause - num_hard]);
}

void WeightedLocalSearch::mark_satisfied(std::uint32_t clause) {
  std::vector<std::uint32_t>& stack = falsified[is_hard(clause) ? hard_side : soft_side];
  const std::uint32_t last = stack.back();
  stack[falsified_place[clause]] = last;
  falsified_place[last] = falsified_place[clause];
  stack.pop_back();
  if (!is_hard(clause)) cost.subtract(soft_cost[clause - num_hard]);
}

void WeightedLocalSearch::change_score(std::uint32_t var, std::int64_t delta) {
  const bool was_improving = score[var] > 0;
  score[var] += delta;
  if ((score[var] > 0) == was_improving) return;
  if (!was_improving) {
    improving_place[var] = static_cast<std::uint32_t>(improving.size());
    improving.push_back(var);
  } else {
    const std::uint32_t last = improving.back();
    improving[improving_place[var]] = last;
    improving_place[last] = improving_place[var];
    improving.pop_back();
    improving_place[var] = not_listed;
  }
}

void WeightedLocalSearch::flip(std::uint32_t var) {
  const std::int64_t score_before = score[var];
  value[var] ^= 1;
  const std::uint32_t made_true = 2 * var + (value[var] ? 0 : 1);
  const std::uint32_t made_false = made_true ^ 1;
  work += occ_start[made_true + 1] - occ_start[made_true] + occ_start[made_false + 1] - occ_start[made_false];
  for (std::size_t k = occ_start[made_true]; k < occ_start[made_true + 1]; ++k) {
    const std::uint32_t c = occ[k];
    const std::int64_t w = weight[c];
    if (++true_count[c] == 1) {
      // Satisfied now: the other variables no longer make it, `var` alone breaks it.
      true_var[c] = var;
      for (std::size_t i = clause_start[c]; i < clause_start[c + 1]; ++i)
        if ((lits[i] >> 1) != var) change_score(lits[i] >> 1, -w);
      mark_satisfied(c);
    } else if (true_count[c] == 2) {
      change_score(true_var[c], w);  // no longer the only true variable
    }
  }
  for (std::size_t k = occ_start[made_false]; k < occ_start[made_false + 1]; ++k) {
    const std::uint32_t c = occ[k];
    const std::int64_t w = weight[c];
    if (--true_count[c] == 0) {
      for (std::size_t i = clause_start[c]; i < clause_start[c + 1]; ++i)
        if ((lits[i] >> 1) != var) change_score(lits[i] >> 1, w);
      mark_falsified(c);
    } else if (true_count[c] == 1) {
      for (std::size_t i = clause_start[c]; i < clause_start[c + 1]; ++i)
        if (lit_true(lits[i])) {
          true_var[c] = lits[i] >> 1;
          break;
        }
      change_score(true_var[c], -w);
    }
  }
  // Flipping back would undo exactly this flip.
  change_score(var, -score_before - score[var]);
  flipped_at[var] = ++flips;
  if (!best.empty() && !best_out_of_date) {
    if (flipped_since_best.size() < num_vars)
      flipped_since_best.push_back(var);
    else
      best_out_of_date = true;
  }
}

// The best of a few random improving variables; at a local optimum, after raising the weights,
// the best variable of a random falsified clause, hard ones first, or at times a random one of
// its variables, which lets the walk leave a region that the weights alone keep it in (it helps
// most on timetabling). Ties go to the variable left alone longest.
std::uint32_t WeightedLocalSearch::pick_variable() {
  auto better = [&](std::uint32_t a, std::uint32_t b) {
    return score[a] > score[b] || (score[a] == score[b] && flipped_at[a] < flipped_at[b]);
  };
  std::uint32_t pick = 0;
  if (!improving.empty()) {
    const std::uint32_t size = static_cast<std::uint32_t>(improving.size());
    if (size <= static_cast<std::uint32_t>(settings.picks)) {
      pick = improving[0];
      for (std::uint32_t i = 1; i < size; ++i)
        if (better(improving[i], pick)) pick = improving[i];
    } else {
      pick = improving[random_below(size)];
      for (int i = 1; i < settings.picks; ++i) {
        const std::uint32_t v = improving[random_below(size)];
        if (better(v, pick)) pick = v;
      }
    }
    return pick;
  }
  raise_weights();
  const std::vector<std::uint32_t>& from = falsified[falsified[hard_side].empty() ? soft_side : hard_side];
  const std::uint32_t c = from[random_below(static_cast<std::uint32_t>(from.size()))];
  if (settings.walk_noise > 0 && random_below(1000) < static_cast<std::uint32_t>(settings.walk_noise))
    return lits[clause_start[c] + random_below(static_cast<std::uint32_t>(clause_start[c + 1] - clause_start[c]))] >> 1;
  for (std::size_t i = clause_start[c]; i < clause_start[c + 1]; ++i) {
    const std::uint32_t v = lits[i] >> 1;
    if (pick == 0 || better(v, pick)) pick = v;
  }
  return pick;
}

// At a local optimum: falsified hard clauses weigh more; when none is left, falsified soft
// clauses gain a unit each up to their cap. Every variable of a falsified clause makes it, so
// each gains the increment.
void WeightedLocalSearch::raise_weights() {
  work += falsified[hard_side].size() + (falsified[hard_side].empty() ? falsified[soft_side].size() : 0);
  for (std::uint32_t c : falsified[hard_side]) {
    const std::int64_t inc = std::min(settings.hard_increment, max_hard_weight - weight[c]);
    if (inc <= 0) continue;
    weight[c] += inc;
    for (std::size_t i = clause_start[c]; i < clause_start[c + 1]; ++i) change_score(lits[i] >> 1, inc);
  }
  if (!falsified[hard_side].empty()) return;
  for (std::uint32_t c : falsified[soft_side]) {
    const std::int64_t unit = soft_unit[c - num_hard];
    const std::int64_t inc = std::min(unit, settings.soft_cap_units * unit - weight[c]);
    if (inc <= 0) continue;
    weight[c] += inc;
    for (std::size_t i = clause_start[c]; i < clause_start[c + 1]; ++i) change_score(lits[i] >> 1, inc);
  }
}

void WeightedLocalSearch::record_best() {
  if (best.empty() || best_out_of_date) {
    best.assign(value.begin(), value.end());
  } else {
    for (std::uint32_t v : flipped_since_best) best[v] = value[v] != 0;
  }
  flipped_since_best.clear();
  best_out_of_date = false;
  best_exact_cost = cost.saturated();
}

bool WeightedLocalSearch::improve(std::uint64_t budget, Cost bound, const std::function<bool()>& stop,
                                  const std::function<void(Cost)>& on_improvement) {
  if (empty_hard) return false;
  for (std::uint64_t step = 0; step < budget; ++step) {
    if (step % stop_poll_interval == stop_poll_interval - 1 && stop && stop()) break;
    // Nothing falsified: no flip can lower the cost.
    if (falsified[hard_side].empty() && falsified[soft_side].empty()) break;
    if (stagnation_limit > 0 && has_model() && ++since_best > stagnation_limit) {
      since_best = 0;
      reset_hard_weights();
      restart_from(best);
    }
    flip(pick_variable());
    if (falsified[hard_side].empty() && (!has_model() || cost.saturated() < best_exact_cost)) {
      since_best = 0;
      record_best();
      if (best_exact_cost < bound && on_improvement) on_improvement(best_exact_cost);
    }
  }
  return has_model() && best_exact_cost < bound;
}

// xoshiro256**: small, fast and the same on every platform.
std::uint64_t WeightedLocalSearch::next_random() {
  const std::uint64_t result = rotate_left(rng_state[1] * 5, 7) * 9;
  const std::uint64_t t = rng_state[1] << 17;
  rng_state[2] ^= rng_state[0];
  rng_state[3] ^= rng_state[1];
  rng_state[1] ^= rng_state[2];
  rng_state[0] ^= rng_state[3];
  rng_state[2] ^= t;
  rng_state[3] = rotate_left(rng_state[3], 45);
  return result;
}
