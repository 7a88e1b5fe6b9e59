// Tabu local search for a first upper bound (see the header). Per clause it keeps the number of
// true literals; per variable its score, the change of cost that flipping it would cause, which
// a flip updates only on the clauses of the flipped variable.
#include "engine/bnb/bnb_local_search.hh"

#include <algorithm>
#include <random>

namespace bnb {

namespace {

class TabuSearch {
public:
  TabuSearch(const Formula& f, std::uint64_t seed) : f(f), rng(seed) {
    const std::size_t m = static_cast<std::size_t>(f.num_clauses());
    w.resize(m);
    const double hard = static_cast<double>(f.total_soft_weight()) + 1.0;
    for (std::size_t c = 0; c < m; ++c) w[c] = f.hard[c] ? hard : static_cast<double>(f.weight[c]);
    ntrue.resize(m);
    score.resize(static_cast<std::size_t>(f.num_vars()) + 1);
  }

  void reset(const std::vector<char>& values) {
    asg = values;
    std::fill(score.begin(), score.end(), 0.0);
    cost = 0;
    for (int c = 0; c < f.num_clauses(); ++c) {
      int count = 0, last = 0;
      for (const int* p = f.clause_begin(c); p != f.clause_end(c); ++p)
        if (is_true(*p)) {
          ++count;
          last = var_of(*p);
        }
      ntrue[static_cast<std::size_t>(c)] = count;
      const double wc = w[static_cast<std::size_t>(c)];
      if (count == 0) {
        cost += wc;
        for (const int* p = f.clause_begin(c); p != f.clause_end(c); ++p) score[static_cast<std::size_t>(var_of(*p))] -= wc;
      } else if (count == 1) {
        score[static_cast<std::size_t>(last)] += wc;
      }
    }
  }

  void flip(int v) {
    const int made_true = asg[static_cast<std::size_t>(v)] ? 2 * v + 1 : 2 * v;
    const int made_false = negate(made_true);
    asg[static_cast<std::size_t>(v)] = !asg[static_cast<std::size_t>(v)];
    double& sv = score[static_cast<std::size_t>(v)];
    for (const int* p = f.occ_begin(made_true); p != f.occ_end(made_true); ++p) {
      const std::size_t c = static_cast<std::size_t>(*p);
      const double wc = w[c];
      if (ntrue[c] == 0) {
        cost -= wc;
        for (const int* q = f.clause_begin(*p); q != f.clause_end(*p); ++q) score[static_cast<std::size_t>(var_of(*q))] += wc;
        sv += wc;
      } else if (ntrue[c] == 1) {
        score[static_cast<std::size_t>(other_true_var(*p, v))] -= wc;
      }
      ++ntrue[c];
    }
    for (const int* p = f.occ_begin(made_false); p != f.occ_end(made_false); ++p) {
      const std::size_t c = static_cast<std::size_t>(*p);
      const double wc = w[c];
      --ntrue[c];
      if (ntrue[c] == 0) {
        cost += wc;
        for (const int* q = f.clause_begin(*p); q != f.clause_end(*p); ++q) score[static_cast<std::size_t>(var_of(*q))] -= wc;
        sv -= wc;
      } else if (ntrue[c] == 1) {
        score[static_cast<std::size_t>(other_true_var(*p, v))] += wc;
      }
    }
  }

  std::vector<char> run(const std::vector<char>& start, std::uint64_t flips, const std::function<bool()>& stop) {
    const int n = f.num_vars();
    reset(start);
    std::vector<char> best = asg;
    double best_cost = cost;
    std::vector<std::uint64_t> tabu_until(static_cast<std::size_t>(n) + 1, 0);
    const std::uint64_t tenure = 3 + static_cast<std::uint64_t>(n) / 10;
    const std::uint64_t patience = std::max<std::uint64_t>(2000, 50 * static_cast<std::uint64_t>(n));
    std::uint64_t last_gain = 0;
    for (std::uint64_t step = 1; step <= flips && best_cost > 0; ++step) {
      if ((step & 1023) == 0 && stop()) break;
      if (step - last_gain > patience) {
        std::vector<char> from = best;
        for (int k = 0; k < 1 + n / 10; ++k) {
          const std::size_t v = 1 + rng() % static_cast<std::size_t>(n);
          from[v] = !from[v];
        }
        reset(from);
        last_gain = step;
      }
      int pick = 0;
      double pick_score = 0;
      unsigned ties = 0;
      for (int v = 1; v <= n; ++v) {
        const double s = score[static_cast<std::size_t>(v)];
        const bool allowed = tabu_until[static_cast<std::size_t>(v)] < step || cost + s < best_cost;
        if (!allowed) continue;
        if (pick == 0 || s < pick_score) {
          pick = v;
          pick_score = s;
          ties = 1;
        } else if (s == pick_score && rng() % ++ties == 0) {
          pick = v;
        }
      }
      if (pick == 0) continue;
      flip(pick);
      tabu_until[static_cast<std::size_t>(pick)] = step + tenure + rng() % 4;
      if (cost < best_cost) {
        best_cost = cost;
        best = asg;
        last_gain = step;
      }
    }
    return best;
  }

private:
  bool is_true(int lit) const { return (asg[static_cast<std::size_t>(var_of(lit))] != 0) == is_positive(lit); }
  int other_true_var(int c, int v) const {
    for (const int* q = f.clause_begin(c); q != f.clause_end(c); ++q)
      if (var_of(*q) != v && is_true(*q)) return var_of(*q);
    return v;
  }

  const Formula& f;
  std::mt19937_64 rng;
  std::vector<double> w;
  std::vector<int> ntrue;
  std::vector<double> score;
  std::vector<char> asg;
  double cost = 0;
};

}  // namespace

std::vector<bool> local_search(const Formula& formula, const std::vector<bool>& start, std::uint64_t flips,
                               std::uint64_t seed, const std::function<bool()>& stop) {
  const std::size_t n = static_cast<std::size_t>(formula.num_vars()) + 1;
  std::vector<char> from(n, 0);
  if (start.size() >= n)
    for (std::size_t v = 1; v < n; ++v) from[v] = start[v] ? 1 : 0;
  TabuSearch search(formula, seed);
  const std::vector<char> best = search.run(from, flips, stop);
  return std::vector<bool>(best.begin(), best.end());
}

}  // namespace bnb
