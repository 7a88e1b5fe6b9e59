// The incremental core-guided engine (OLL): one SAT oracle for the whole run. Every soft clause
// becomes an assumption literal; each unsatisfiable core raises the lower bound by its lightest
// member's weight, takes that weight off every member and puts a totalizer over the members,
// whose output "at least two of them are false" becomes a new soft literal with that weight (and
// "at least k+1" once "at least k" shows up in a core in turn). Around that core loop:
//   - stratification: the heavier soft literals are assumed first (see weight_strata.hh);
//   - weight-aware core extraction: the totalizers of a core are built only once the current
//     assumptions are satisfiable, so several disjoint cores are collected per round;
//   - core shrinking (core_shrinker.hh) within a budget, and exhaustion: a new totalizer's
//     bound is raised while a short search shows that more members must be false;
//   - hardening: a soft literal heavier than the gap between the bounds is made a unit clause;
//   - an upper bound from every model, measured on the original soft clauses; the best model is
//     kept, and an optimum is only returned after it is checked against the snapshot.
// After an optimum, next_optimal() enumerates further optimal models with blocking clauses.
//
// Incremental use (oll_changes.cc): between two runs the owner may append hard and soft clauses
// to the snapshot, change soft weights and give assumptions for the next run; the oracle, its
// learned clauses, the totalizers and the weight the cores took stay. A change the engine cannot
// take in place is refused, and the owner builds a new engine.
#ifndef QUARNEL_ENGINE_OLL_OLL_SOLVER_HH
#define QUARNEL_ENGINE_OLL_OLL_SOLVER_HH

#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

#include "clauses/instance_snapshot.hh"
#include "engine/oll/core_shrinker.hh"
#include "engine/engine_result.hh"
#include "engine/oll/generalized_totalizer.hh"
#include "engine/oll/totalizer.hh"
#include "sat/sat_oracle.hh"

// What makes two enumerated optimal models different.
enum class CubeKind {
  falsified_softs,  // the sets of soft clauses they falsify
  input_values      // the values of the input variables that occur in some clause
};

class OllSolver {
public:
  // Deletion may use this many times the oracle's effort spent in the main search, plus a small
  // allowance, so that easy instances are not dominated by core shrinking. Effort, not time,
  // so that the same instance takes the same path on a loaded machine as on an idle one.
  static constexpr std::uint64_t deletion_share = 3;
  static constexpr std::uint64_t deletion_allowance_effort = 100;
  // Conflicts allowed to one exhaustion step.
  static constexpr int exhaustion_conflicts = 1000;

  OllSolver(const InstanceSnapshot& instance, EngineOptions options);

  // Runs the optimisation to its end or until the options' out_of_time says stop.
  EngineResult solve();
  // The same, but `pause` may also stop the search: the result is then what is known so far
  // (satisfiable with the best model, or unknown), paused() is true, and a later run() goes on
  // from where this one stopped.
  EngineResult run(std::function<bool()> pause);
  bool was_paused() const { return paused && !out_of_time; }
  // The oracle's effort so far (SatOracle::effort), 0 before the first run.
  std::uint64_t effort() const { return sat ? sat->effort() : 0; }
  // The oracle's work so far (SatOracle::work), 0 before the first run.
  std::uint64_t work() const { return sat ? sat->work() : 0; }
  // Literals of the clauses given to the oracle so far (SatOracle::literals_added).
  std::uint64_t literals_added() const { return sat ? sat->literals_added() : 0; }

  // Solution-improving search for about `effort` oracle work (SatOracle::work) (anytime phase, between two
  // runs): asks the oracle for a model whose reformulated objective is below the best model's,
  // over a generalized totalizer of the objective's soft literals (see oll_linear_search.cc).
  // Every better model lowers the upper bound as in the core-guided search; a refutation of
  // "cheaper than the best model" proves it optimal, and the next run() returns it.
  void linear_search(std::uint64_t effort);
  // A model found elsewhere (by local search): kept, and reported, when it beats the best one.
  void offer_model(const std::vector<bool>& model);
  bool has_model() const { return have_model; }
  const std::vector<bool>& best_model_so_far() const { return best_model; }
  Cost upper_bound() const { return upper; }
  Cost lower_bound() const { return lower; }

  // After solve() returned an optimum: looks for an optimal model that differs from every model
  // returned so far in the sense of `kind`. Returns optimum with that model, unsatisfiable when
  // there is none, unknown when time ran out, internal_error when the model fails its check.
  EngineResult next_optimal(CubeKind kind);

  // Incremental use. Called before the first run: clauses will be added later over variables up
  // to `input_vars` (the engine's own variables go above them), and every conclusion that a later
  // change could invalidate (hardening by unit clauses) is avoided.
  void expect_changes(int input_vars);
  // The snapshot's hard clause or soft clause `index` was appended after the engine was made.
  // false: a variable beyond those reserved; the owner builds a new engine.
  bool add_hard(std::size_t index);
  bool add_soft(std::size_t index);
  // Soft clause `index` weighed `old_weight` before. false when the cores already took more
  // weight from it than it has now.
  bool weight_changed(std::size_t index, Cost old_weight);
  // Literals that must hold in the next runs (until the next call). false when earlier cores
  // relied on an assumption that is not among `lits` any more.
  bool set_assumptions(const std::vector<int>& lits);

private:
  // A soft literal of the reformulated objective: assumed true, costing `weight` when false.
  struct Term {
    int lit;
    Cost weight;
    int totalizer = -1;  // for a totalizer output: its index, and `bound` = k of "at least k"
    int bound = 0;
    bool hardened = false;
  };
  // A core whose totalizer waits until the current assumptions are satisfiable.
  struct PendingCore {
    std::vector<int> members;  // negations of the members' literals: "this soft is false"
    Cost weight;
  };
  // A totalizer output that showed up in a core: "at least bound+1" waits to be added.
  struct PendingBound {
    int totalizer;
    int bound;
    Cost weight;
  };

  bool load();
  int add_term(int lit, Cost weight);
  // Makes soft clause `index` of the snapshot a term of the objective.
  void load_soft(std::size_t index);
  bool within_input_vars(ClauseView cl) const;
  // After a change of the instance: the best model's cost again, or no model when it misses
  // something.
  void recheck_best_model();
  // Splits the user's assumptions off a core; remembers that the engine now relies on them.
  void split_off_assumptions(std::vector<int>& core);
  void collect_assumptions();
  bool stopped();
  bool deletion_allowed();
  // Reads the model, lowers the upper bound when it is better.
  void note_model();
  void raise_lower_bound(Cost by);
  void process_core(std::vector<int>& core);
  // Builds the totalizers and bounds that wait.
  void flush_pending(bool exhaust);
  void add_totalizer_term(int totalizer, int bound, Cost weight, bool exhaust);
  void harden();
  EngineResult finish(EngineStatus status);
  // Keeps `model` (model[v] for the instance's variables) when it costs less than the best one.
  void keep_if_better(std::vector<bool>& model);
  // Linear search: the objective's totalizer, its bound, and steering the oracle to the best model.
  bool build_objective(Cost divisor, Cost coarsest = ~Cost(0));
  bool refine_objective();
  Cost complete_objective_bound() const;
  Cost objective_value() const;
  void follow_best_model();
  void linear_search_calls(std::uint64_t effort);
  // Makes the totalizer's guard false for good: its clauses no longer bind.
  void retire_objective();
  EngineResult checked_optimum(const std::vector<bool>& model);
  int falsified_literal(std::size_t soft);

  const InstanceSnapshot& instance;
  EngineOptions options;
  std::unique_ptr<SatOracle> sat;
  std::unique_ptr<CoreShrinker> shrinker;

  std::vector<Term> terms;
  std::vector<int> term_of_var;  // variable -> index in terms, or -1
  std::vector<std::unique_ptr<Totalizer>> totalizers;
  std::vector<PendingCore> pending_cores;
  std::vector<PendingBound> pending_bounds;
  std::vector<int> assumptions;
  Cost threshold = 0;

  Cost lower = 0;
  Cost upper = ~Cost(0);
  bool have_model = false;
  bool first_model_found = false;  // by the oracle: the weight threshold is set from then on
  std::vector<bool> best_model;
  std::vector<bool> scratch_model;

  std::function<bool()> pause;
  bool paused = false;
  bool out_of_time = false;
  std::vector<int> core;
  std::uint64_t search_effort = 0;    // oracle effort spent in main-search solves
  std::uint64_t deletion_effort = 0;  // oracle effort spent shrinking cores
  std::uint64_t shrink_started = 0;

  // Linear search over the objective as it stood when the totalizer was built: inputs are the
  // negations of the terms' literals with their weights divided by `objective_divisor`.
  std::unique_ptr<GeneralizedTotalizer> objective;
  int objective_guard = 0;
  bool steered = false;  // the oracle's phases follow the best model
  std::vector<GeneralizedTotalizer::Input> objective_inputs;
  Cost objective_divisor = 1;
  Cost objective_base = 0;   // the lower bound when it was built
  Cost objective_bound = 0;  // the divided sum the next call asks to stay within
  // The gap at which no division fitted, or at which the coarsest one that fitted had nothing
  // more to answer (0: neither happened); linear search waits until the gap has halved.
  Cost objective_failed_gap = 0;

  std::vector<int> falsified_lits;  // per soft clause, made on the first enumeration by sets
  std::vector<int> scratch;

  // Incremental use.
  bool changes_expected = false;
  int input_vars = 0;                 // variables reserved for the instance's own clauses
  std::vector<int> term_of_soft;      // soft clause -> index in terms, or -1 (empty clause)
  bool empty_hard_clause = false;     // the hard clauses are unsatisfiable for good
  std::vector<int> user_assumptions;  // sorted
  std::vector<int> relied_on;         // sorted assumptions that some core used
  bool model_stale = false;           // the instance changed since best_model was costed
};

#endif
