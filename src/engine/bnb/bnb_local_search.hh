// A quick local search that gives the branch-and-bound engine its first upper bound: greedy
// flips with a tabu list (the best non-tabu flip is taken even when it makes things worse, a
// tabu flip only when it beats the best cost seen), restarted from a perturbed best assignment
// when it stops improving. Hard clauses weigh more than all soft clauses together, so an
// assignment that satisfies them is preferred to any other. Scores are kept as doubles: they
// only steer the search, and the cost of the returned assignment is recomputed exactly by the
// caller.
#ifndef QUARNEL_ENGINE_BNB_BNB_LOCAL_SEARCH_HH
#define QUARNEL_ENGINE_BNB_BNB_LOCAL_SEARCH_HH

#include <cstdint>
#include <functional>
#include <vector>

#include "engine/bnb/bnb_formula.hh"

namespace bnb {

// Searches for about `flips` flips, starting from `start` when it is not empty (start[v] for
// variables 1..n), else from all variables false. Returns the best assignment found in the same
// indexing; `stop` is polled now and then.
std::vector<bool> local_search(const Formula& formula, const std::vector<bool>& start, std::uint64_t flips,
                               std::uint64_t seed, const std::function<bool()>& stop);

}  // namespace bnb

#endif
