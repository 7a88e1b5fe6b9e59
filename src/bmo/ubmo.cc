// The BMO mode. An instance has a Boolean multilevel optimisation structure when its distinct
// soft weights can be cut into levels such that the lightest weight of each level exceeds the
// total weight of every clause below that level; the optimum can then be found level by level,
// heaviest first. This unit finds those cuts, reports the verdict and builds one clause set per
// level. Finding the optimum itself is not part of the mode: its driver ends the process.
//
// Weights are 64-bit and an instance may hold many clauses of one weight, so the running totals
// can exceed the weight type. They saturate at its maximum instead of wrapping: once the total
// reaches the largest representable weight, no weight can exceed it, and a saturated total gives
// exactly the same comparisons as the true one.
#include "bmo/ubmo.hh"

#include <algorithm>
#include <cassert>
#include <cstdlib>
#include <iostream>

#include "util/cpu_time.hh"
#include "util/runtime_msgs.hh"

namespace {

void print_cpu_time() {
  std::cout << "c CPU Time: " << cpu_time() << std::endl;
}

}  // namespace

UnsatBMOSolver::UnsatBMOSolver(IDManager& im, const BmoReporting& r) : imgr(im), reporting(r) {}

UnsatBMOSolver::~UnsatBMOSolver() { release_results(); }

void UnsatBMOSolver::release_results() {
  for (auto& entry : wght_cls_map) delete entry.second;
  wght_cls_map.clear();
  for (BasicClauseSet* level : level_sets) delete level;
  level_sets.clear();
  weights.clear();
  level_bounds.clear();
  has_hard = false;
  has_hard_set = false;
  bmo_cond = BMO_NONE;
}

void UnsatBMOSolver::solve(BasicClauseSet& cls) {
  std::cout << "c Entering BMO checking & solving...\n";
  print_cpu_time();
  // The check must see the instance's own weights: the partition attaches the clauses to sets
  // of the hard kind, which overwrites the weights of these shared clause objects.
  bmo_cond = validate_bmo_conditions(cls);
  if (reporting.print_verdict) prt_bmo_chk_msg(bmo_cond);
  if (bmo_cond == BMO_NONE) Warn("No BMO condition identified; running default Weighted MaxSAT solver");
  split_clause_set(cls);
  std::cout << "c Terminating...\n";
  print_cpu_time();
  std::exit(1);
}

void UnsatBMOSolver::compute_has_hard(const BasicClauseSet& cls) {
  has_hard = !weights.empty() && weights.front() >= cls.get_top_weight();
  has_hard_set = true;
}

BMOConds UnsatBMOSolver::validate_bmo_conditions(BasicClauseSet& cls) {
  // A second check starts afresh rather than mixing two instances' groups.
  release_results();

  for (BasicClause* cl : cls) {
    ClauseList*& group = wght_cls_map[cl->get_weight()];
    if (group == nullptr) {
      group = new ClauseList();
      weights.push_back(cl->get_weight());
    }
    group->push_back(cl);
  }
  std::sort(weights.begin(), weights.end(), [](Cost a, Cost b) { return a > b; });
  compute_has_hard(cls);

  // Index i is a boundary when Wi outweighs all clauses lighter than it together. The hard
  // weight and the lightest weight are never candidates.
  const std::size_t first = has_hard ? 1 : 0;
  const std::size_t m = weights.size();
  if (m >= first + 2) {
    Cost lighter_total = 0;
    for (std::size_t i = m - 1; i-- > first;) {
      const Cost w = weights[i + 1];
      lighter_total = saturating_add(lighter_total, saturating_mul(w, wght_cls_map[w]->size()));
      if (weights[i] > lighter_total) level_bounds.push_back(i);
    }
  }

  const std::size_t candidates = m >= first + 2 ? m - 1 - first : 0;
  if (level_bounds.empty())
    bmo_cond = BMO_NONE;
  else if (level_bounds.size() == candidates)
    bmo_cond = BMO_COMPLETE;
  else
    bmo_cond = BMO_PARTIAL;
  return bmo_cond;
}

void UnsatBMOSolver::split_clause_set(BasicClauseSet& cls) {
  if (!has_hard_set) compute_has_hard(cls);
  for (BasicClauseSet* level : level_sets) delete level;
  level_sets.clear();

  // Levels from the heaviest down: the hard clauses (if any), one level per boundary, and the
  // weights below the lowest boundary (all soft weights when there is no boundary).
  std::size_t next = 0;
  auto add_level = [&](std::size_t last) {
    assert(next <= last && last < weights.size());
    BasicClauseSet* level = new BasicClauseSet();
    for (std::size_t j = next; j <= last; ++j)
      for (BasicClause* cl : *wght_cls_map.at(weights[j])) level->attach_clause(cl);
    level_sets.push_back(level);
    next = last + 1;
  };
  if (has_hard) add_level(0);
  // The check found the boundaries from the lightest weight upwards, so their indices fall.
  for (auto b = level_bounds.rbegin(); b != level_bounds.rend(); ++b) add_level(*b);
  if (next < weights.size()) add_level(weights.size() - 1);
}

void UnsatBMOSolver::prt_bmo_chk_msg(BMOConds c) {
  const char* msg = nullptr;
  switch (c) {
    case BMO_NONE: msg = "No BMO condition holds\n"; break;
    case BMO_COMPLETE: msg = "Validated complete BMO condition\n"; break;
    case BMO_PARTIAL: msg = "Validated partial BMO condition\n"; break;
  }
  if (msg == nullptr) Abort("Invalid BMO type??");
  if (reporting.comp_format) std::cout << "c ";
  std::cout << msg << std::flush;
}
