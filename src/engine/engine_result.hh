// What an engine is given besides the instance, and what it hands back. An engine reads no
// process-wide configuration and never ends the process: the caller decides what is printed and
// how the process exits.
#ifndef QUARNEL_ENGINE_ENGINE_RESULT_HH
#define QUARNEL_ENGINE_ENGINE_RESULT_HH

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "clauses/instance_snapshot.hh"

enum class EngineStatus {
  optimum,        // the model's cost is proven minimal
  satisfiable,    // a model of the hard clauses, stopped before the proof
  unsatisfiable,  // the hard clauses have no model
  unknown,        // stopped before any model was found
  internal_error  // the engine's own check failed; `error` says what
};

struct EngineResult {
  EngineStatus status = EngineStatus::unknown;
  Cost cost = 0;         // cost of `model` on the snapshot's soft clauses
  Cost lower_bound = 0;  // no model costs less
  std::vector<bool> model;  // model[v] for variables 1..num_vars; empty without a model
  std::string error;
};

// Told about progress while an engine runs; both calls may come many times.
class EngineListener {
public:
  virtual ~EngineListener() = default;
  // A model of cost `cost`, lower than every cost reported before.
  virtual void on_upper_bound(Cost cost) = 0;
  // No model costs less than `bound`; higher than every bound reported before.
  virtual void on_lower_bound(Cost bound) = 0;
};

enum class AnytimeMode {
  off,    // the core-guided search alone
  on,     // solution-improving phases once the core-guided search has run for a while
  always  // from the first model on, in short slices (for testing the phases)
};

struct EngineOptions {
  // Polled during search: returning true ends the run with the best model so far.
  std::function<bool()> out_of_time = [] { return false; };
  EngineListener* listener = nullptr;
  // Whether the search turns to solution-improving phases (linear search, local search) when the
  // core-guided search does not finish quickly.
  AnytimeMode anytime = AnytimeMode::on;
  // Seed of the local search's random choices.
  std::uint64_t seed = default_seed;
  static constexpr std::uint64_t default_seed = 1;
};

#endif
