// A MaxSAT solver object for programs that embed quarnel: it owns its instance, takes hard and
// soft clauses and weight changes between solves, solves under assumptions with the incremental
// engine (OLL), and can be stopped from another thread. It touches no process-wide state (the
// facade's configuration, statistics and clause registry are never read), so any number of them
// may live in one process and solve in different threads at once. The Python module and the
// IPAMIR library are built on it.
//
// Changes are checked before anything is stored: a bad argument throws std::invalid_argument and
// leaves the solver as it was. The engine is kept from one solve to the next; a change that it
// cannot take in place makes the next solve start a new engine over the whole instance, and so
// does a solve that has become much harder than the engine's first one.
#ifndef QUARNEL_FACADE_INCREMENTAL_SOLVER_HH
#define QUARNEL_FACADE_INCREMENTAL_SOLVER_HH

#include <absl/container/flat_hash_map.h>

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

#include "clauses/instance_snapshot.hh"
#include "engine/engine_result.hh"
#include "engine/oll/oll_solver.hh"

class IncrementalSolver {
public:
  // The largest variable: the SAT solver reserves memory for every variable up to the largest.
  static constexpr int max_variable = 1 << 25;
  // Soft weights may sum to at most this, so that every cost fits a signed 64-bit number.
  static constexpr Cost max_total_weight = static_cast<Cost>(INT64_MAX);

  // An incremental solve that takes more than this many times the effort of its engine's first
  // solve (plus the allowance) starts over with a new engine; see run_engine.
  static constexpr std::uint64_t restart_effort_factor = 2;
  static constexpr std::uint64_t restart_effort_allowance = 1000;

  enum class Status {
    optimum,        // the model's cost is proven minimal
    satisfiable,    // stopped with a model whose optimality is not proven
    unsatisfiable,  // the hard clauses (with the assumptions) have no model
    unknown         // stopped before any model was found
  };

  IncrementalSolver();
  ~IncrementalSolver();
  IncrementalSolver(const IncrementalSolver&) = delete;
  IncrementalSolver& operator=(const IncrementalSolver&) = delete;

  void add_hard(const std::vector<int>& lits);
  // Adds `weight` (> 0) to the soft clause with these literals, in any order; a clause not seen
  // before starts at 0.
  void add_soft(const std::vector<int>& lits, Cost weight);
  // Gives the soft clause with these literals the weight `weight` (0 makes it cost nothing).
  void set_soft_weight(const std::vector<int>& lits, Cost weight);

  // Solves under `assumptions` (literals that must be true in this solve only). Stops early when
  // interrupt() is called or `stop` returns true (it is polled often; null: never): the answer is
  // then satisfiable with the best model so far, or unknown.
  Status solve(const std::vector<int>& assumptions = {}, const std::function<bool()>& stop = nullptr);
  // Thread-safe: stops the solve that runs, or the next one if none does. Every solve forgets
  // the request when it ends.
  void interrupt() { interrupt_requested.store(true); }

  // After an optimum: another optimal model, differing from those returned since that solve in
  // the set of falsified soft clauses (or, with CubeKind::input_values, in the variables).
  // false when there is none or a stop came first. The next solve starts a new engine, since
  // the models found are excluded by clauses.
  bool next_optimal(CubeKind kind = CubeKind::falsified_softs, const std::function<bool()>& stop = nullptr);

  Status status() const { return last_status; }
  // The last answer is an optimum of the instance as it is now (nothing changed since).
  bool optimum_is_current() const { return may_enumerate; }
  bool has_model() const { return !result.model.empty(); }
  // Cost of the model; lower bound on the optimum (under the last solve's assumptions).
  Cost cost() const { return result.cost; }
  Cost lower_bound() const { return result.lower_bound; }
  // model()[v] is the value of variable v, 1 <= v <= num_vars(); empty without a model.
  const std::vector<bool>& model() const { return result.model; }
  int num_vars() const { return instance.num_vars(); }
  // The value of `lit` in the model; false for a variable the model does not cover.
  bool value(int lit) const;

  // How many engines the solves so far have started: 1 while every change was taken in place.
  std::size_t engines_started() const { return engine_starts; }

  std::size_t num_hard() const { return instance.num_hard(); }
  std::size_t num_soft() const { return instance.num_soft(); }
  const InstanceSnapshot& clauses() const { return instance; }

private:
  void check_literals(const std::vector<int>& lits) const;
  void check_weight(Cost added) const;
  // The soft clause with these literals (its literals sorted, without repeats), or -1.
  std::vector<int> soft_key(const std::vector<int>& lits) const;
  void change_weight(std::size_t index, Cost weight);
  void note_vars(const std::vector<int>& lits);
  // A new engine when there is none or the one there refused a change.
  OllSolver& engine_for_solve();
  bool stop_requested();
  EngineResult run_engine(const std::vector<int>& assumptions, bool may_give_up);
  void store(const EngineResult& r);

  InstanceSnapshot instance;
  absl::flat_hash_map<std::vector<int>, std::size_t> soft_index;
  Cost total_weight = 0;
  int largest_var = 0;  // of every clause and assumption seen

  std::unique_ptr<OllSolver> engine;
  bool engine_valid = false;
  std::size_t engine_starts = 0;
  std::uint64_t first_solve_effort = 0;  // of the current engine
  bool gave_up = false;
  bool may_enumerate = false;  // the last answer is an optimum of the instance as it is
  bool enumerated = false;     // the engine holds clauses that exclude enumerated models
  std::atomic<bool> interrupt_requested{false};
  std::function<bool()> active_stop;  // the caller's stop callback while a solve runs
  bool stop_seen = false;

  Status last_status = Status::unknown;
  EngineResult result;
};

#endif
