// The engine behind "-oll": the core-guided search (oll_solver.hh) first, and on small
// instances without hard clauses that it has not finished after a short probe, branch and bound
// (bnb_solver.hh) from its best model for the rest of the time. Core-guided search stalls on
// small random and crafted instances whose optimum falsifies many clauses, where branch and
// bound with a propagation-based lower bound is strong; the probe lets the core-guided search
// keep the many small instances it finishes at once, whatever their shape.
//
// Both engines report to the caller's listener through a filter, so that the caller sees upper
// bounds only fall and lower bounds only rise. Enumeration of further optimal models always
// comes from the core-guided search, which therefore runs alone when enumeration is wanted.
#ifndef QUARNEL_ENGINE_HYBRID_SOLVER_HH
#define QUARNEL_ENGINE_HYBRID_SOLVER_HH

#include <cstdint>

#include "clauses/instance_snapshot.hh"
#include "engine/engine_result.hh"
#include "engine/oll/oll_solver.hh"
#include "engine/oll/weighted_local_search.hh"

class HybridSolver {
public:
  // Oracle effort (see SatOracle::effort) the core-guided search has before branch and bound
  // may take over: about half a second on the small instances that branch and bound suits.
  static constexpr std::uint64_t probe_effort = 13000;
  // Branch and bound takes over only on instances with at most this many variables.
  static constexpr int max_branching_vars = 200;

  // Oracle effort of the core-guided search before the first solution-improving phase, and of
  // each slice (core-guided, linear search) after it.
  static constexpr std::uint64_t anytime_start_effort = 20000;
  static constexpr std::uint64_t core_slice_effort = 20000;
  // Slices of each kind with AnytimeMode::always, short so that small instances see them all.
  static constexpr std::uint64_t testing_slice_effort = 500;
  // Local search flips per unit of oracle effort in a slice: about as much time for each.
  static constexpr std::uint64_t flips_per_effort = 50;
  // Slices grow while the core-guided search makes no progress, up to this length.
  static constexpr std::uint64_t max_slice_effort = std::uint64_t(1) << 40;

  // `branch_and_bound` false: the core-guided search alone (no branch and bound, no
  // solution-improving phases), as further optimal models need. `probe` is oracle effort.
  HybridSolver(const InstanceSnapshot& instance, EngineOptions options, bool branch_and_bound,
               std::uint64_t probe = probe_effort);

  EngineResult solve();
  // After an optimum from solve() without branch and bound, see OllSolver::next_optimal.
  EngineResult next_optimal(CubeKind kind) { return oll.next_optimal(kind); }

private:
  // Passes on only bounds that improve on those passed on before.
  class MonotoneListener : public EngineListener {
  public:
    explicit MonotoneListener(EngineListener* target) : target(target) {}
    void on_upper_bound(Cost cost) override;
    void on_lower_bound(Cost bound) override;

  private:
    EngineListener* target;
    bool have_upper = false;
    Cost upper = 0;
    Cost lower = 0;
  };

  bool suits_branch_and_bound() const;
  EngineResult probe_then_branch_and_bound();
  // Core-guided slices alternating with solution-improving phases until one of them finishes.
  EngineResult alternate_with_anytime_phases(std::uint64_t start, std::uint64_t base_slice);
  // Local search from the best model for `flips` flips; its better models go to the core-guided
  // search, which reports them and steers its oracle by them.
  void local_search_slice(std::uint64_t flips);
  EngineOptions through_filter(const EngineOptions& options);

  const InstanceSnapshot& instance;
  EngineOptions options;
  MonotoneListener filter;
  OllSolver oll;
  std::unique_ptr<WeightedLocalSearch> local_search;  // made at the first local search slice
  bool branch_and_bound;
  std::uint64_t probe;
};

#endif
