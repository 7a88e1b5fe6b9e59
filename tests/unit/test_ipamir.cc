// The IPAMIR interface against an exhaustive search written here from the interface's meaning
// (a true soft literal costs its weight): random small instances are built and changed call by
// call (hard clauses, new soft literals, weight changes, soft literals of both signs of a
// variable, assumptions), solved after every change and, now and then, stopped at once by the
// terminate callback. Every answer is checked: 30 with the optimum and a model that satisfies
// the hard clauses and assumptions and costs it, 20 only when nothing does, 10 with a model
// and 0 only when stopped. QUARNEL_PROPERTY_CASES sets the number of instances.
#include <gtest/gtest.h>

#include <map>
#include <random>
#include <string>
#include <vector>

#include "ipamir/ipamir.h"
#include "test_env.hh"

namespace {

struct Problem {
  int nvars = 0;
  std::vector<std::vector<int>> hard;
  std::map<int, std::uint64_t> soft;  // literal -> weight when true
  std::vector<int> assumptions;
};

bool is_true(int lit, unsigned bits) { return ((bits >> (std::abs(lit) - 1)) & 1u) == (lit > 0 ? 1u : 0u); }

bool feasible(const Problem& p, unsigned bits) {
  for (int lit : p.assumptions)
    if (!is_true(lit, bits)) return false;
  for (const auto& cl : p.hard) {
    bool sat = false;
    for (int lit : cl) sat = sat || is_true(lit, bits);
    if (!sat) return false;
  }
  return true;
}

std::uint64_t cost_of(const Problem& p, unsigned bits) {
  std::uint64_t cost = 0;
  for (const auto& [lit, w] : p.soft)
    if (is_true(lit, bits)) cost += w;
  return cost;
}

// The least cost of a feasible assignment, or -1 when there is none.
long long exhaustive_optimum(const Problem& p) {
  long long best = -1;
  for (unsigned bits = 0; bits < (1u << p.nvars); ++bits)
    if (feasible(p, bits) && (best < 0 || static_cast<long long>(cost_of(p, bits)) < best))
      best = static_cast<long long>(cost_of(p, bits));
  return best;
}

// The solver's model as bits; variables it leaves out (in no clause) take what an assumption
// asks, else false.
unsigned model_bits(void* solver, const Problem& p) {
  unsigned bits = 0;
  for (int v = 1; v <= p.nvars; ++v) {
    int value = ipamir_val_lit(solver, v);
    if (value == 0)
      for (int lit : p.assumptions)
        if (std::abs(lit) == v) value = lit;
    if (value > 0) bits |= 1u << (v - 1);
  }
  return bits;
}

int stop_always(void*) { return 1; }

void check_case(unsigned seed) {
  std::mt19937 rng(seed);
  auto pick = [&rng](int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(rng); };
  auto random_lit = [&](int nvars) { return pick(0, 1) ? pick(1, nvars) : -pick(1, nvars); };
  Problem p;
  p.nvars = pick(3, 8);
  void* solver = ipamir_init();
  auto add_hard = [&] {
    std::vector<int> cl;
    for (int i = pick(1, 3); i > 0; --i) cl.push_back(random_lit(p.nvars));
    for (int lit : cl) ipamir_add_hard(solver, lit);
    ipamir_add_hard(solver, 0);
    p.hard.push_back(cl);
  };
  auto set_soft = [&](int lit, std::uint64_t w) {
    ipamir_add_soft_lit(solver, lit, w);
    p.soft[lit] = w;
  };
  for (int i = pick(0, 5); i > 0; --i) add_hard();
  for (int i = pick(1, 6); i > 0; --i) set_soft(random_lit(p.nvars), static_cast<std::uint64_t>(pick(1, 9)));

  for (int step = 0; step < 10; ++step) {
    const int action = pick(0, 9);
    if (action < 2) {
      add_hard();
    } else if (action < 4) {
      set_soft(random_lit(p.nvars), static_cast<std::uint64_t>(pick(1, 9)));
    } else if (action < 6 && !p.soft.empty()) {
      auto it = p.soft.begin();
      std::advance(it, pick(0, static_cast<int>(p.soft.size()) - 1));
      const std::uint64_t choices[] = {0, 1, it->second / 2, it->second + static_cast<std::uint64_t>(pick(1, 5))};
      set_soft(it->first, choices[pick(0, 3)]);
    }
    p.assumptions.clear();
    if (pick(0, 9) < 4)
      for (int i = pick(1, 2); i > 0; --i) p.assumptions.push_back(random_lit(p.nvars));
    for (int lit : p.assumptions) ipamir_assume(solver, lit);
    const bool stopped = pick(0, 9) < 2;
    ipamir_set_terminate(solver, nullptr, stopped ? stop_always : nullptr);

    const int answer = ipamir_solve(solver);
    const long long best = exhaustive_optimum(p);
    const std::string where = "seed " + std::to_string(seed) + " step " + std::to_string(step) + " answer " +
                              std::to_string(answer) + " optimum " + std::to_string(best);
    if (answer == 0) {
      ASSERT_TRUE(stopped) << where;
      continue;
    }
    if (answer == 20) {
      ASSERT_EQ(best, -1) << where;
      continue;
    }
    ASSERT_TRUE(answer == 30 || (answer == 10 && stopped)) << where;
    ASSERT_GE(best, 0) << where;
    const unsigned bits = model_bits(solver, p);
    ASSERT_TRUE(feasible(p, bits)) << where;
    ASSERT_EQ(cost_of(p, bits), ipamir_val_obj(solver)) << where;
    if (answer == 30) {
      ASSERT_EQ(static_cast<long long>(ipamir_val_obj(solver)), best) << where;
    }
  }
  ipamir_release(solver);
}

TEST(Ipamir, RandomChangingInstancesAgreeWithExhaustiveSearch) {
  const long n = test_env::env_long("QUARNEL_PROPERTY_CASES", 1000);
  for (long seed = 0; seed < n; ++seed) {
    check_case(static_cast<unsigned>(seed));
    if (HasFatalFailure()) return;
  }
}

TEST(Ipamir, UnsupportedSequencesAnswer40) {
  void* solver = ipamir_init();
  ipamir_add_hard(solver, 1);
  EXPECT_EQ(ipamir_solve(solver), 40);  // the clause is still open
  ipamir_add_hard(solver, 0);
  EXPECT_EQ(ipamir_solve(solver), 30);
  ipamir_add_soft_lit(solver, 1, ~std::uint64_t(0));  // beyond the weight limit: ignored
  EXPECT_EQ(ipamir_solve(solver), 40);
  ipamir_release(solver);
}

TEST(Ipamir, SignatureNamesTheSolver) { EXPECT_EQ(std::string(ipamir_signature()).rfind("quarnel ", 0), 0u); }

}  // namespace
