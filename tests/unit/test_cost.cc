// The cost arithmetic held against exact 128-bit results: a saturating sum or product stops at
// the largest value exactly when the true result does not fit, and a checked addition refuses
// exactly the sums beyond its limit, leaving the sum as it was.
#include <gtest/gtest.h>

#include <cstdint>
#include <random>
#include <vector>

#include "util/cost.hh"

namespace {

using Exact = unsigned __int128;

// The edges of the range and of 32 bits, and random values of every bit length.
std::vector<Cost> sample_values() {
  std::vector<Cost> values = {0, 1, 2, 3, 0xFFFFFFFFu, 0x100000000u, max_total_cost / 2, max_total_cost / 2 + 1,
                              max_total_cost - 1, max_total_cost, saturated_cost};
  std::mt19937_64 rng(23);
  for (int bits = 1; bits <= 64; ++bits)
    for (int k = 0; k < 3; ++k) values.push_back(rng() >> (64 - bits));
  return values;
}

Cost saturated(Exact exact) { return exact > saturated_cost ? saturated_cost : static_cast<Cost>(exact); }

TEST(CostArithmetic, SaturatingResultsAreExactWhereTheyFit) {
  const std::vector<Cost> values = sample_values();
  for (Cost a : values)
    for (Cost b : values) {
      EXPECT_EQ(saturating_add(a, b), saturated(Exact(a) + b)) << a << " + " << b;
      EXPECT_EQ(saturating_mul(a, b), saturated(Exact(a) * b)) << a << " * " << b;
    }
}

TEST(CostArithmetic, CheckedAdditionRefusesExactlyTheSumsBeyondItsLimit) {
  const std::vector<Cost> values = sample_values();
  for (Cost limit : {max_total_cost, static_cast<Cost>(INT64_MAX), Cost(1000), Cost(0)})
    for (Cost a : values)
      for (Cost b : values) {
        const bool fits = Exact(a) + b <= limit;
        Cost sum = a;
        EXPECT_EQ(checked_add(sum, b, limit), fits) << a << " + " << b << " within " << limit;
        EXPECT_EQ(sum, fits ? a + b : a) << a << " + " << b << " within " << limit;
      }
}

}  // namespace
