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
#include "engine/anytime_schedule.hh"
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

  // Slices of each kind with AnytimeMode::always, short so that small instances see them all.
  static constexpr std::uint64_t testing_slice_effort = 500;
  // What the phases cost in units of oracle work (SatOracle::work): the local search's clause
  // visits and the literals that the linear search gives the oracle, at about as much time per
  // unit.
  static constexpr std::uint64_t visits_per_work = 500;
  static constexpr std::uint64_t literals_per_work = 20;
  // The linear search's oracle work takes longer per unit than the core-guided search's: its
  // calls are short and many, and the oracle's clean-ups between them go uncounted (measured 2
  // to 6 times on set cover, seating and random instances).
  static constexpr std::uint64_t linear_work_weight = 3;
  // The local search's flips between two checks of its budget.
  static constexpr std::uint64_t flips_per_round = 10000;

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
  // The core-guided search with turns of the solution-improving phases as `schedule` gives them,
  // until one of them finishes.
  EngineResult alternate_with_anytime_phases(AnytimeSchedule schedule);
  // One turn of the phases: local search, then linear search, for about `work` in all.
  // Returns what they spent.
  std::uint64_t phase_turn(std::uint64_t work);
  // Local search from the best model for about `work`; its better models go to the
  // core-guided search, which reports them and steers its oracle by them. Returns the work spent.
  std::uint64_t local_search_slice(std::uint64_t work);
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
