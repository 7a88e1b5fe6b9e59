// Costs: sums of soft clause weights, unsigned 64-bit like the weights themselves. A valid
// instance's soft weights add up to at most max_total_cost, so every cost of every assignment
// is exact, and the largest value stays free as the "no cost yet" mark of the engines.
#ifndef QUARNEL_CLAUSES_COST_HH
#define QUARNEL_CLAUSES_COST_HH

#include <cstdint>

using Cost = std::uint64_t;

constexpr Cost max_total_cost = ~Cost(0) - 1;  // 18446744073709551614

// Adds without wrapping: a sum beyond the range stays at the largest value.
inline Cost saturating_add(Cost a, Cost b) { return a + b < a ? ~Cost(0) : a + b; }

#endif
