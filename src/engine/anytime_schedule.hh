// When the "-oll" engine turns from its core-guided search to the solution-improving phases
// (local search, linear search), and for how long. The core-guided search is what proves an
// optimum; the phases only find better models. So the phases live on a budget earned by the
// core-guided search: they may spend at most `share_percent` of the effort it has spent, which
// bounds what they add to an exact run (1 + share) whenever it ends. Within that budget a turn is
// skipped while the lower bound rises fast enough to close the gap soon: a proof that is about to
// come is not interrupted, and the budget it did not use waits for a later turn.
//
// Effort is deterministic: oracle effort (SatOracle::effort) for the core-guided and linear
// searches, and for the local search its flips and the literals it reads, converted by the
// engine's fixed rates. The same instance therefore takes the same path on any load.
#ifndef QUARNEL_ENGINE_ANYTIME_SCHEDULE_HH
#define QUARNEL_ENGINE_ANYTIME_SCHEDULE_HH

#include <cstdint>

#include "util/cost.hh"

class AnytimeSchedule {
public:
  struct Settings {
    // Core-guided effort before the first turn of the phases.
    std::uint64_t start_effort;
    // Core-guided effort between two pauses: this many percent of the effort spent so far, at
    // least `min_core_slice`. Growing slices keep the pauses of long SAT calls few.
    std::uint64_t core_slice_percent;
    std::uint64_t min_core_slice;
    // The phases' effort may reach this many percent of the core-guided effort.
    std::uint64_t share_percent;
    // A turn shorter than this is not worth the phases' set-up: the budget grows first.
    std::uint64_t min_turn;
    // Whether a turn waits while the lower bound is closing the gap.
    bool yield_to_progress;
    // Non-zero: every pause gives the phases this much outside any budget, and the core-guided
    // search as much until the next pause; both double while the lower bound stands still.
    std::uint64_t fixed_turn;
  };
  // For exact runs that may be stopped: the phases cost an exact proof little.
  static Settings exact_first();
  // Turns from the first model on, each of `slice` effort (doubled while the lower bound does
  // not move), whatever the budget: for testing the phases on small instances.
  static Settings every_slice(std::uint64_t slice);

  explicit AnytimeSchedule(const Settings& settings) : settings(settings) {}

  // Core-guided effort at which its search pauses next.
  std::uint64_t next_pause() const { return pause_at; }
  // At a pause, with the core-guided effort so far and both bounds (`upper` of the best model):
  // the effort the phases get now, 0 for none. Sets the next pause.
  std::uint64_t turn(std::uint64_t core_effort, Cost lower, Cost upper);
  // What the phases spent in the turn.
  void spent(std::uint64_t phase_effort) { phases += phase_effort; }
  std::uint64_t phase_effort() const { return phases; }

private:
  static constexpr std::uint64_t max_fixed_slice = std::uint64_t(1) << 40;

  std::uint64_t fixed_turn(std::uint64_t core_effort, Cost lower);
  bool closing_the_gap(std::uint64_t core_effort, Cost lower, Cost upper) const;

  Settings settings;
  std::uint64_t pause_at = settings.start_effort;
  std::uint64_t phases = 0;
  // The previous pause: the core-guided effort and the lower bound then.
  std::uint64_t last_effort = 0;
  Cost last_lower = 0;
  std::uint64_t fixed_slice = 0;
};

#endif
