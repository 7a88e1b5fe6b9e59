// Costs and weights: one unsigned 64-bit type for a clause's weight, a top weight and a sum of
// soft weights. A valid instance's soft weights add up to at most max_total_cost, so every cost
// of every assignment is exact, and the largest value stays free as the "no cost yet" mark of
// the engines and as the value a saturated sum stops at.
//
// Sums that may run past the range either saturate (a bound or a total that only has to compare
// right) or are checked (a cost that is printed, or a weight sum that the input must respect).
// The helpers are inline: the reader merges the weight of every clause it reads through them.
#ifndef QUARNEL_UTIL_COST_HH
#define QUARNEL_UTIL_COST_HH

#include <cstdint>

using Cost = std::uint64_t;

constexpr Cost saturated_cost = ~Cost(0);                // 18446744073709551615
constexpr Cost max_total_cost = saturated_cost - 1;      // 18446744073709551614

// a + b, or saturated_cost when the sum does not fit.
inline Cost saturating_add(Cost a, Cost b) {
  Cost sum;
  return __builtin_add_overflow(a, b, &sum) ? saturated_cost : sum;
}

// a * b, or saturated_cost when the product does not fit.
inline Cost saturating_mul(Cost a, Cost b) {
  Cost product;
  return __builtin_mul_overflow(a, b, &product) ? saturated_cost : product;
}

// Adds `b` to `sum` when the result stays at most `limit` and says whether it did; `sum` is
// unchanged otherwise.
inline bool checked_add(Cost& sum, Cost b, Cost limit = max_total_cost) {
  if (b > limit || sum > limit - b) return false;
  sum += b;
  return true;
}

#endif
