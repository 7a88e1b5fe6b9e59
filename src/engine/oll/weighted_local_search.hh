// A stochastic local search for weighted partial MaxSAT that improves an upper bound in bounded
// slices: dynamic clause weighting in the style of SATLike and NuWLS. Every clause carries a
// search weight besides its cost: hard clauses start at 1 and grow whenever a local optimum
// falsifies them; soft clauses start at a unit derived from their cost relative to the average
// soft cost and grow by that unit up to a cap. The walk greedily flips variables whose flip
// lowers the weighted score (best of a few random picks among them) and, at a local optimum,
// raises the weights and flips the best variable (now and then a random one) of a random
// falsified clause, hard ones first. A walk that has not improved for long goes back to its best
// assignment with the hard clauses' weights reset.
//
// The search weights only steer the walk. The cost it reports is always the exact weight of the
// falsified soft clauses on the instance's own weights (unsigned 64-bit, saturating), and only
// for assignments that satisfy every hard clause.
//
// Everything is deterministic for a given seed and sequence of calls: the generator is our own,
// and flips, not time, measure the effort. The search prints nothing and allocates nothing
// while it walks.
#ifndef QUARNEL_ENGINE_OLL_WEIGHTED_LOCAL_SEARCH_HH
#define QUARNEL_ENGINE_OLL_WEIGHTED_LOCAL_SEARCH_HH

#include <cstdint>
#include <functional>
#include <vector>

#include "clauses/instance_snapshot.hh"

// The parameters of the walk; the defaults are tuned on the bench's hard weighted and partial
// instances (see bench/README.md).
struct LocalSearchSettings {
  // Random picks among the improving variables of which the best is flipped.
  int picks = 15;
  // Added to the search weight of a falsified hard clause at a local optimum.
  std::int64_t hard_increment = 30;
  // The unit of a soft clause of average cost; lighter and heavier clauses get proportionally
  // smaller (at least 1) and larger units, at most `max_soft_unit`.
  std::int64_t average_soft_unit = 30;
  std::int64_t max_soft_unit = 1000;
  // A soft clause's search weight grows up to this many of its units.
  std::int64_t soft_cap_units = 1000;
  // Per mille of local optima at which a random variable of the falsified clause is flipped
  // rather than its best one.
  int walk_noise = 100;
  // After this many flips without a new best (or this many per clause, if more), the walk goes
  // back to its best assignment and the hard clauses' search weights start again from 1; the
  // soft clauses keep theirs. Hard weights only grow, and after a long walk they dwarf the soft
  // ones, so that the walk keeps the hard clauses satisfied whatever it costs. Restarting so
  // lowers the best cost found in 5 s by 1 to 40 % on every generated family (most on
  // timetabling); restarting after 1 million flips instead of 3 did as well there but cost 10 %
  // on hstt-brazil1, whose walk improves only after long plateaus. 0 and 0: never.
  std::uint64_t stagnation_flips = 3000000;
  std::uint64_t stagnation_flips_per_clause = 30;
};

class WeightedLocalSearch {
public:
  // Starts from the all-false assignment. `instance` must outlive the search.
  WeightedLocalSearch(const InstanceSnapshot& instance, std::uint64_t seed,
                      const LocalSearchSettings& settings = LocalSearchSettings());

  // Moves the walk to `start` (start[v] for v in 1..num_vars; missing values read as false).
  // The search weights learned so far stay unless `fresh_weights`. A start that satisfies the
  // hard clauses and beats the best assignment becomes the best one.
  void restart_from(const std::vector<bool>& start, bool fresh_weights = false);

  // Walks at most `flips` more flips, ending early when `stop()` returns true (polled every few
  // hundred flips) or when nothing is left to improve. Returns whether the best assignment found
  // so far satisfies every hard clause and costs less than `bound`. `on_improvement(cost)` (may
  // be empty) is called for each new best below `bound` as it is found, with best_model()
  // already holding it. Later calls continue the same walk.
  bool improve(std::uint64_t flips, Cost bound, const std::function<bool()>& stop,
               const std::function<void(Cost)>& on_improvement = {});

  // The best assignment that satisfies the hard clauses (model[v] for v in 1..num_vars) and its
  // cost; empty and the largest cost while there is none.
  const std::vector<bool>& best_model() const { return best; }
  Cost best_cost() const { return best_exact_cost; }
  bool has_model() const { return !best.empty(); }
  // Flips made since the search was created.
  std::uint64_t flips_done() const { return flips; }
  // Clause visits since the search was created (occurrences walked by flips, clauses whose
  // weights were raised, literals read at restarts): a deterministic measure of its time.
  std::uint64_t work_done() const { return work; }
  // Hard clauses that the walk's current assignment falsifies.
  std::size_t falsified_hard() const { return falsified[hard_side].size(); }

private:
  // A sum of costs that never wraps: the low 64 bits and the number of carries out of them.
  struct ExactSum {
    std::uint64_t low = 0;
    std::int64_t carries = 0;
    void add(std::uint64_t w) {
      low += w;
      if (low < w) ++carries;
    }
    void subtract(std::uint64_t w) {
      if (low < w) --carries;
      low -= w;
    }
    Cost saturated() const { return carries > 0 ? ~Cost(0) : low; }
  };

  // The clauses falsified by the current assignment, hard and soft apart, each a stack with
  // every clause's place in it for removal in constant time.
  enum Side { hard_side = 0, soft_side = 1 };

  void load(const InstanceSnapshot& instance);
  void reset_weights();
  void reset_hard_weights();  // every hard clause back to search weight 1
  void flip(std::uint32_t var);
  std::uint32_t pick_variable();
  void raise_weights();
  void change_score(std::uint32_t var, std::int64_t delta);
  void mark_falsified(std::uint32_t clause);
  void mark_satisfied(std::uint32_t clause);
  void record_best();
  std::uint64_t next_random();
  std::uint32_t random_below(std::uint32_t n) { return static_cast<std::uint32_t>(next_random() % n); }

  bool lit_true(std::uint32_t lit) const { return static_cast<std::uint32_t>(value[lit >> 1]) != (lit & 1); }
  bool is_hard(std::uint32_t clause) const { return clause < num_hard; }

  LocalSearchSettings settings;
  std::uint64_t rng_state[4];

  // The instance without tautologies, repeated literals and empty clauses: clauses 0..num_hard-1
  // are hard, the rest soft. Literal 2v is variable v true, 2v+1 false.
  std::uint32_t num_vars = 0;
  std::uint32_t num_hard = 0;
  std::uint32_t num_clauses = 0;
  std::vector<std::uint32_t> lits;
  std::vector<std::size_t> clause_start;
  std::vector<Cost> soft_cost;            // per soft clause (index clause - num_hard)
  std::vector<std::int64_t> soft_unit;    // per soft clause
  std::vector<std::size_t> occ_start;     // per literal, into `occ`
  std::vector<std::uint32_t> occ;         // clauses of each literal
  bool empty_hard = false;                // no assignment satisfies the hard clauses
  Cost empty_soft_cost = 0;               // paid by every assignment

  // The walk's state.
  std::vector<char> value;                 // per variable
  std::vector<std::int64_t> weight;        // per clause: its search weight
  std::vector<std::uint32_t> true_count;   // per clause
  std::vector<std::uint32_t> true_var;     // per clause: its only true variable when true_count is 1
  std::vector<std::int64_t> score;         // per variable: drop of falsified search weight if flipped
  std::vector<std::uint64_t> flipped_at;   // per variable: flip count when last flipped
  std::vector<std::uint32_t> falsified[2];
  std::vector<std::uint32_t> falsified_place;   // per clause
  std::vector<std::uint32_t> improving;         // variables with a positive score
  std::vector<std::uint32_t> improving_place;   // per variable; `not_listed` when absent
  ExactSum cost;                                 // of the current assignment
  std::uint64_t flips = 0;
  std::uint64_t work = 0;
  std::uint64_t since_best = 0;  // flips since the best assignment last improved
  std::uint64_t stagnation_limit = 0;  // flips of stagnation before a restart; 0: never

  // The best feasible assignment. Variables flipped since it was last brought up to date are
  // listed, so that a new best costs as many writes as flips since the previous one.
  std::vector<bool> best;
  Cost best_exact_cost = ~Cost(0);
  std::vector<std::uint32_t> flipped_since_best;
  bool best_out_of_date = false;  // more flips than variables since: copy everything
};

#endif
