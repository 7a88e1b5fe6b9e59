// Stratification by weight: the engine first looks for cores among the heaviest soft literals
// only, then lowers the threshold level by level, one distinct weight at a time, so that cheap
// cores do not get mixed into expensive ones. An instance with thousands of distinct weights
// would take thousands of levels that way: a level then takes several weights, enough that
// the remaining weights need at most `max_weight_levels` more levels.
#ifndef QUARNEL_ENGINE_OLL_WEIGHT_STRATA_HH
#define QUARNEL_ENGINE_OLL_WEIGHT_STRATA_HH

#include <vector>

#include "clauses/instance_snapshot.hh"

constexpr std::size_t max_weight_levels = 256;

// The next threshold below `current` for literals of the given weights, those at or above
// `current` included (0: nothing left, every weight is taken in). `weights` is reordered.
Cost next_weight_threshold(std::vector<Cost>& weights, Cost current);

#endif
