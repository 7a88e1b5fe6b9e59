#include "engine/weight_strata.hh"

#include <algorithm>
#include <functional>

Cost next_weight_threshold(std::vector<Cost>& weights, Cost current) {
  std::sort(weights.begin(), weights.end(), std::greater<Cost>());
  // Skips the literals at or above `current`: they are taken in already.
  auto it = std::find_if(weights.begin(), weights.end(), [current](Cost w) { return w < current; });
  std::size_t taken = 0, distinct = 0;
  Cost threshold = 0;
  while (it != weights.end()) {
    threshold = *it;
    ++distinct;
    while (it != weights.end() && *it == threshold) {
      ++taken;
      ++it;
    }
    if (taken >= min_literals_per_weight * distinct) return it == weights.end() ? 0 : threshold;
  }
  return 0;
}
