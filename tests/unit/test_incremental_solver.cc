// IncrementalSolver keeps its engine across solves where the changes allow it: random
// instances grown by hard clauses, new soft clauses and heavier weights are solved after every
// change by one engine, with the optimum of an exhaustive search; a lighter weight than the
// cores took, and dropping an assumption a core used, start a new engine and still agree.
#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <vector>

#include "facade/incremental_solver.hh"
#include "test_env.hh"

namespace {

struct Soft {
  std::vector<int> lits;
  Cost weight;
};

bool holds(const std::vector<int>& cl, unsigned bits) {
  for (int lit : cl)
    if ((((bits >> (std::abs(lit) - 1)) & 1u) != 0) == (lit > 0)) return true;
  return false;
}

long long exhaustive_optimum(int nvars, const std::vector<std::vector<int>>& hard, const std::vector<Soft>& soft,
                             const std::vector<int>& assumptions) {
  long long best = -1;
  for (unsigned bits = 0; bits < (1u << nvars); ++bits) {
    bool ok = true;
    for (int lit : assumptions) ok = ok && holds({lit}, bits);
    for (const auto& cl : hard) ok = ok && holds(cl, bits);
    if (!ok) continue;
    long long cost = 0;
    for (const Soft& s : soft)
      if (!holds(s.lits, bits)) cost += static_cast<long long>(s.weight);
    if (best < 0 || cost < best) best = cost;
  }
  return best;
}

long long answer_of(IncrementalSolver& solver, const std::vector<int>& assumptions = {}) {
  switch (solver.solve(assumptions)) {
    case IncrementalSolver::Status::optimum: return static_cast<long long>(solver.cost());
    case IncrementalSolver::Status::unsatisfiable: return -1;
    default: return -2;
  }
}

TEST(IncrementalSolver, GrowingInstancesKeepOneEngine) {
  const long cases = test_env::env_long("QUARNEL_PROPERTY_CASES", 300);
  for (long seed = 0; seed < cases; ++seed) {
    std::mt19937 rng(static_cast<unsigned>(seed));
    auto pick = [&rng](int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(rng); };
    const int nvars = pick(3, 9);
    auto clause = [&](int max_len) {
      std::vector<int> cl;
      for (int i = pick(1, max_len); i > 0; --i) cl.push_back(pick(0, 1) ? pick(1, nvars) : -pick(1, nvars));
      return cl;
    };
    IncrementalSolver solver;
    std::vector<std::vector<int>> hard;
    std::vector<Soft> soft;
    for (int step = 0; step < 12; ++step) {
      const int action = pick(0, 2);
      if (action == 0) {
        hard.push_back(clause(3));
        solver.add_hard(hard.back());
      } else if (action == 1 || soft.empty()) {
        Soft s{clause(2), static_cast<Cost>(pick(1, 9))};
        // A repeated clause would merge with the first; keep the oracle's list the same.
        solver.add_soft(s.lits, s.weight);
        bool merged = false;
        for (Soft& old : soft) {
          std::vector<int> a = old.lits, b = s.lits;
          std::sort(a.begin(), a.end());
          a.erase(std::unique(a.begin(), a.end()), a.end());
          std::sort(b.begin(), b.end());
          b.erase(std::unique(b.begin(), b.end()), b.end());
          if (a == b) {
            old.weight += s.weight;
            merged = true;
            break;
          }
        }
        if (!merged) soft.push_back(s);
      } else {
        Soft& s = soft[static_cast<std::size_t>(pick(0, static_cast<int>(soft.size()) - 1))];
        s.weight += static_cast<Cost>(pick(1, 5));
        solver.set_soft_weight(s.lits, s.weight);
      }
      ASSERT_EQ(answer_of(solver), exhaustive_optimum(nvars, hard, soft, {})) << "seed " << seed << " step " << step;
    }
    ASSERT_EQ(solver.engines_started(), 1u) << "seed " << seed;
  }
}

TEST(IncrementalSolver, InvalidatingChangesStartANewEngine) {
  IncrementalSolver solver;
  solver.add_hard({1, 2});
  solver.add_soft({-1}, 4);
  solver.add_soft({-2}, 6);
  EXPECT_EQ(answer_of(solver), 4);
  // The core {-1, -2} took 4 from each; 6 -> 1 is more than the 2 left.
  solver.set_soft_weight({-2}, 1);
  EXPECT_EQ(answer_of(solver), 1);
  EXPECT_EQ(solver.engines_started(), 2u);
  // A core under the assumption 3 (with 3 -> 1, 3 -> 2) relies on it.
  solver.add_hard({-3, 1});
  solver.add_hard({-3, 2});
  EXPECT_EQ(answer_of(solver, {3}), 5);
  EXPECT_EQ(answer_of(solver), 1);
  EXPECT_EQ(solver.engines_started(), 3u);
}

}  // namespace
