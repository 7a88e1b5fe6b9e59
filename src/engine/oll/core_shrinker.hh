// Makes an unsatisfiable core smaller before the engine pays for it with a totalizer: a smaller
// core gives a tighter reformulation. Trimming solves again under the core alone while that
// shrinks it; deletion then tries to drop one member at a time, each try under a small conflict
// limit, while the caller's budget allows.
#ifndef QUARNEL_ENGINE_OLL_CORE_SHRINKER_HH
#define QUARNEL_ENGINE_OLL_CORE_SHRINKER_HH

#include <functional>
#include <vector>

#include "sat/sat_oracle.hh"

class CoreShrinker {
public:
  static constexpr int trim_rounds = 5;
  static constexpr int deletion_conflicts = 100;  // per member tried
  static constexpr std::size_t max_deletion_size = 1000;

  explicit CoreShrinker(SatOracle& sat) : sat(sat) {}

  // Shrinks `core`, a set of assumption literals that the oracle refutes; it stays one. Deletion
  // goes on while `deletion_allowed()` says so, and everything ends early once `stopped()`.
  void shrink(std::vector<int>& core, const std::function<bool()>& deletion_allowed,
              const std::function<bool()>& stopped);

private:
  // The failed members of `assumptions` after an unsatisfiable answer.
  void failed_subset(const std::vector<int>& assumptions, std::vector<int>& out) const;

  SatOracle& sat;
  std::vector<int> trial;
  std::vector<int> failed;
};

#endif
