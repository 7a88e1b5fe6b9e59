// A branch-and-bound engine for small hard instances, where the core-guided engine stalls
// (random and crafted Max-2-SAT and Max-3-SAT with many conflicting soft clauses).
//
// Depth-first search over variable assignments with chronological backtracking. A node:
//   - assigns, and propagates the hard clauses that became unit (a falsified hard clause ends
//     the node); falsified soft clauses add their weight to the node's cost;
//   - applies the dominating unit clause rule: a literal whose unit soft clauses weigh at
//     least as much as every open clause of its negation is set true (pure literals too);
//   - bounds: cost plus the underestimation of bnb_lower_bound.hh; reaching the upper bound
//     ends the node. A unit soft clause whose residual weight would reach the upper bound is
//     satisfied by force;
//   - branches on the variable with the best two-sided weighted occurrence score (short
//     clauses count most), the value that satisfies more weight first. On a formula that
//     negating all variables leaves unchanged, the first decision takes one value only.
// The clause state is kept incrementally by counters (bnb_formula.hh); nothing is copied or
// allocated per node. The first upper bound is the better of the caller's model and a tabu
// local search (bnb_local_search.hh). Every returned model has been checked on the snapshot.
#ifndef QUARNEL_ENGINE_BNB_BNB_SOLVER_HH
#define QUARNEL_ENGINE_BNB_BNB_SOLVER_HH

#include <cstdint>
#include <string>
#include <vector>

#include "clauses/instance_snapshot.hh"
#include "engine/bnb/bnb_formula.hh"
#include "engine/bnb/bnb_lower_bound.hh"
#include "engine/engine_result.hh"

// Choices of the engine that tests and benchmarks may change.
struct BnbSettings {
  // Flips of the initial local search (fewer on large formulas); 0 leaves the first upper
  // bound to the search.
  std::uint64_t local_search_flips = 200000;
  // Failed literals in the lower bound (unit propagation alone otherwise).
  bool failed_literals = true;
};

class BnbSolver {
public:
  // out_of_time is polled every this many nodes, and after this many clause visits of the
  // lower bound, whichever comes first.
  static constexpr std::uint64_t poll_nodes = 1024;
  static constexpr std::uint64_t poll_steps = std::uint64_t(1) << 22;
  BnbSolver(const InstanceSnapshot& instance, EngineOptions options, BnbSettings settings = BnbSettings());

  // Looks for a model cheaper than `initial_upper_bound` (~0: no limit) and proves it optimal.
  // `initial_model`, when it is given and satisfies the hard clauses, is a first model: it
  // tightens the bound and is the answer when nothing cheaper exists. Returns optimum with a
  // checked model; unsatisfiable when the hard clauses have no model (or, without a limit,
  // nothing else); unknown with lower_bound = initial_upper_bound when the search proved that
  // nothing is cheaper than the limit but holds no model of that cost; satisfiable or unknown
  // when stopped by out_of_time.
  EngineResult solve(Cost initial_upper_bound = ~Cost(0), const std::vector<bool>* initial_model = nullptr);

  std::uint64_t nodes() const { return node_count; }

private:
  struct Level {
    std::size_t trail_size;
    std::size_t units_size;
    Cost cost;
    int lit;
    bool flipped;
  };

  void assign(int lit);
  bool propagate_hard();
  // Dominating unit clauses and branching scores in one pass over the open clauses. Returns 1
  // when it set literals, 0 when a branching literal is in `branch_lit`, -1 at a leaf.
  int scan_open_clauses();
  // Sets the literals the lower bound found implied, and those of unit soft clauses whose
  // residual weight would reach the upper bound; false on a contradiction.
  bool harden(Cost lower, bool& changed);
  bool stopped();
  void offer_model(const std::vector<bool>& model);
  void record_leaf();
  bool bound_reached(Cost c) const { return have_upper && c >= upper; }
  EngineResult finish(bool complete);
  // The result with the best model after its check on the snapshot.
  EngineResult checked(EngineStatus status, Cost lower);

  const InstanceSnapshot& instance;
  EngineOptions options;
  BnbSettings settings;
  bnb::Formula f;
  bnb::LowerBound lb;

  Cost cost = 0;
  bool conflict = false;
  std::vector<int> trail;
  std::vector<Level> levels;
  std::vector<int> units;  // soft clauses that became unit on the current path (some stale)
  std::vector<int> hard_queue;
  std::size_t hard_head = 0;
  int branch_lit = -1;
  bool mirror_symmetric = false;  // see Formula::symmetric_under_complement

  // Scratch of scan_open_clauses and harden, per literal.
  std::vector<double> score;
  std::vector<Cost> unit_weight;
  std::vector<Cost> open_weight;
  std::vector<char> open_hard;
  std::vector<Cost> forced_weight;
  std::vector<int> forced_touched;
  double hard_score = 1;

  bool have_upper = false;
  Cost upper = ~Cost(0);
  bool have_model = false;
  Cost best_cost = 0;
  std::vector<bool> best_model;
  std::vector<bool> leaf_model;
  Cost reported_lower = 0;

  std::uint64_t node_count = 0;
  std::uint64_t next_poll_steps = poll_steps;
  bool out_of_time = false;
  std::string error;  // set when a leaf's model did not cost what the search counted
};

#endif
