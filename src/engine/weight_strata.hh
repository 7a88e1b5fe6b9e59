// Stratification by weight: the engine first looks for cores among the heaviest soft literals
// only, then lowers the threshold level by level. A level has to be worth a round of solving:
// while the literals taken in are fewer than `min_literals_per_weight` per distinct weight, the
// threshold keeps going down, so an instance whose weights are nearly all different is solved in
// a few levels instead of one level per weight.
#ifndef QUARNEL_ENGINE_WEIGHT_STRATA_HH
#define QUARNEL_ENGINE_WEIGHT_STRATA_HH

#include <vector>

#include "clauses/instance_snapshot.hh"

constexpr int min_literals_per_weight = 2;

// The next threshold below `current` for literals of the given weights (0: nothing left,
// every weight is taken in). `weights` is reordered.
Cost next_weight_threshold(std::vector<Cost>& weights, Cost current);

#endif
