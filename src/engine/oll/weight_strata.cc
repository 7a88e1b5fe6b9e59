#include "engine/oll/weight_strata.hh"

#include <algorithm>
#include <functional>

Cost next_weight_threshold(std::vector<Cost>& weights, Cost current) {
  std::sort(weights.begin(), weights.end(), std::greater<Cost>());
  weights.erase(std::unique(weights.begin(), weights.end()), weights.end());
  // The weights at or above `current` are taken in already.
  auto below = std::find_if(weights.begin(), weights.end(), [current](Cost w) { return w < current; });
  const std::size_t remaining = static_cast<std::size_t>(weights.end() - below);
  // The step follows from all distinct weights, taken in or not, so that it stays the same
  // from one level to the next.
  const std::size_t step = std::max<std::size_t>(1, (weights.size() + max_weight_levels - 1) / max_weight_levels);
  if (remaining <= step) return 0;
  return *(below + static_cast<std::ptrdiff_t>(step - 1));
}
