#include "engine/oll/core_shrinker.hh"

void CoreShrinker::failed_subset(const std::vector<int>& assumptions, std::vector<int>& out) const {
  out.clear();
  for (int lit : assumptions)
    if (sat.failed(lit)) out.push_back(lit);
}

void CoreShrinker::shrink(std::vector<int>& core, const std::function<bool()>& deletion_allowed,
                          const std::function<bool()>& stopped) {
  for (int round = 0; round < trim_rounds && core.size() > 1; ++round) {
    SatOracle::Result r = sat.solve(core);
    if (r != SatOracle::Result::unsatisfiable) return;
    failed_subset(core, failed);
    if (failed.size() >= core.size()) break;
    core.swap(failed);
  }
  if (core.size() > max_deletion_size) return;

  // Member i is tried out; the members before `i` are known to be needed.
  for (std::size_t i = 0; i < core.size() && core.size() > 1; ) {
    if (!deletion_allowed() || stopped()) break;
    trial.clear();
    for (std::size_t j = 0; j < core.size(); ++j)
      if (j != i) trial.push_back(core[j]);
    sat.set_conflict_limit(deletion_conflicts);
    SatOracle::Result r = sat.solve(trial);
    if (r == SatOracle::Result::unsatisfiable) {
      // Keeps the order of the members, so that those before i stay in front.
      failed_subset(trial, failed);
      core.swap(failed);
      continue;
    }
    ++i;
  }
}
