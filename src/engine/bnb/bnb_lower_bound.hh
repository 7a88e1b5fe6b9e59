// The underestimation of the branch-and-bound engine: how much weight any completion of the
// current partial assignment must still lose, beyond the soft clauses it already falsifies.
//
// It looks for disjoint inconsistent subsets of the remaining clauses. Unit propagation is
// simulated from the unit soft clauses on the formula's literal values (and undone afterwards);
// a clause it falsifies is traced back through the reasons of the implied literals, and the
// clauses met form a set no assignment can satisfy. Every member gives up the lightest
// member's weight (their residual weights go down by it; a member at zero takes no further
// part), and the bound grows by that weight. When propagation finds no more conflicts, failed
// literals are looked for: if both x and not-x lead by propagation to falsified clauses, the
// union of the two explanations is inconsistent too (on mostly binary formulas in passes that
// allow ever longer propagations, so that small subsets come first). Hard clauses take part
// with an unlimited weight, so a set made of hard clauses alone means that the node has no
// model.
//
// After compute(), the residual weights show what the subsets left of each clause; the
// solver reads them to force literals (a unit soft clause whose residual weight alone would
// reach the upper bound must be satisfied) and then calls release().
#ifndef QUARNEL_ENGINE_BNB_BNB_LOWER_BOUND_HH
#define QUARNEL_ENGINE_BNB_BNB_LOWER_BOUND_HH

#include <cstdint>
#include <vector>

#include "engine/bnb/bnb_formula.hh"

namespace bnb {

class LowerBound {
public:
  explicit LowerBound(Formula& formula);

  // The underestimation at the current assignment, found from the candidate unit clauses
  // `units` (stale entries are skipped). Stops as soon as it reaches `limit`, or when it finds
  // that the remaining hard clauses cannot be satisfied (then no_model() says so).
  Cost compute(const std::vector<int>& units, Cost limit, bool failed_literals);
  bool no_model() const { return infeasible; }
  // Literals that every model cheaper than the limit sets true, found on the way: the other
  // value fails by propagation with a subset whose weight would reach the limit.
  const std::vector<int>& implied_literals() const { return implied; }
  Cost residual(int c) const { return resid[static_cast<std::size_t>(c)]; }
  // Gives every clause its full weight back.
  void release();

  std::uint64_t propagations() const { return steps; }

private:
  // Calls before failed literals are tried whatever the gap.
  static constexpr std::uint64_t explore_period = 16;

  void assign(int lit, int reason);
  template <class Add>
  bool failed_literal_pass(Cost& bound, Cost limit, Add& add, std::size_t cap);
  // Propagates the queue; returns a falsified clause, -1 when there is none, or gave_up when
  // more than `cap` literals are set.
  static constexpr int gave_up = -2;
  int propagate(std::size_t cap = ~std::size_t(0));
  void undo_all();
  // Adds the clauses that explain the falsification of `conflict` to `subset`.
  void explain(int conflict);
  // Takes the lightest weight of `subset` off every member; returns it (hard_weight when the
  // subset has only hard clauses) and clears the subset.
  Cost split_off();
  // Whether the subset's lightest weight added to `bound` reaches `limit` (always true for
  // hard clauses alone); clears the subset.
  bool forced_weight_reaches(Cost bound, Cost limit);

  // A literal to set by propagation, and the clause that implies it.
  struct Implied {
    int lit;
    int reason;
  };

  Formula& f;
  std::vector<Cost> resid;
  std::vector<int> touched;  // clauses whose residual weight was lowered
  std::vector<int> reason;   // per variable, while assigned by the simulation; -1: assumed
  std::vector<char> in_sim;
  std::vector<int> trail;
  std::vector<Implied> queue;  // entries qhead..qtail wait; the vector never changes size
  std::size_t qhead = 0;
  std::size_t qtail = 0;
  int conflict = -1;
  bool infeasible = false;
  std::vector<int> subset;
  std::vector<char> in_subset;
  std::vector<int> implied;
  std::vector<std::uint32_t> cannot_fail;  // per literal: equal to `stamp` in this compute()
  std::uint32_t stamp = 0;
  std::uint64_t steps = 0;
  std::uint64_t calls = 0;
  double yield = 0;  // moving average of what failed literals added to the bound
  std::vector<std::size_t> failed_literal_caps;  // literals a pass may set before giving up
};

}  // namespace bnb

#endif
