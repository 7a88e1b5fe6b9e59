// A generalized totalizer: a tree of nodes over weighted input literals in which each node has
// one output literal per sum of input weights that can occur below it, "the true inputs below
// weigh at least v". Output literals are forced true by the inputs (the other direction is not
// encoded), and the root's outputs imply the ones below them, so assuming an output false
// bounds the weighted sum of the true inputs. Sums above
// `cap` are merged into one output "more than cap", which keeps the tree at most cap + 2
// outputs wide at every node; the number of clauses is still up to the square of that per node,
// so callers estimate it first and coarsen the weights when it is too large.
//
// The solution-improving search of the incremental engine builds one over the soft literals of
// the reformulated objective to ask "is there a model that costs less than the best one?".
#ifndef QUARNEL_ENGINE_OLL_GENERALIZED_TOTALIZER_HH
#define QUARNEL_ENGINE_OLL_GENERALIZED_TOTALIZER_HH

#include <cstdint>
#include <utility>
#include <vector>

#include "clauses/instance_snapshot.hh"
#include "sat/sat_oracle.hh"

class GeneralizedTotalizer {
public:
  struct Input {
    int lit;      // counts when true
    Cost weight;  // at least 1
  };

  // The number of clauses the tree over `inputs` would take, or a number above `limit` as soon
  // as the count passes it (so that a hopeless estimate stops early).
  static std::uint64_t estimated_clauses(const std::vector<Input>& inputs, Cost cap, std::uint64_t limit);

  // With a `guard` literal (non-zero), every clause holds only while the guard is true: the
  // caller assumes it to use the tree and makes it false for good to retire the tree, after
  // which the oracle can drop its clauses.
  GeneralizedTotalizer(SatOracle& sat, const std::vector<Input>& inputs, Cost cap, int guard = 0);

  // The literal forced true whenever the true inputs weigh at least `value` (the output of the
  // smallest reachable sum at or above it), or 0 when no combination of inputs reaches `value`.
  int at_least(Cost value) const;

private:
  using Outputs = std::vector<std::pair<Cost, int>>;  // (sum, literal), by increasing sum

  Outputs build(SatOracle& sat, const std::vector<Input>& inputs, std::size_t from, std::size_t to);
  Outputs merge(SatOracle& sat, const Outputs& left, const Outputs& right);

  void add(SatOracle& sat);

  Cost cap;
  int guard;
  Outputs root;
  std::vector<int> clause;  // scratch
};

#endif
