// Random small instances for the engines' tests, drawn from a fixed seed, with an exhaustive
// search written from the definition of the problem: plain, partial and weighted, with repeated
// clauses (their weights add up), weight 0, tautologies, empty clauses and hard clauses that are
// often unsatisfiable together. The search reads the clauses as they were drawn, before the
// clause set merged anything; LoadedSet puts them into a clause set as the reader would.
#ifndef QUARNEL_TESTS_RANDOM_INSTANCES_HH
#define QUARNEL_TESTS_RANDOM_INSTANCES_HH

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <ostream>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "clauses/basic_clause_set.hh"

namespace random_instances {

// `deep`: plain Max-2-SAT and Max-3-SAT on 14 to 17 variables, whose search trees have room for
// the bound to prune wrongly. `mirrored`: weighted instances that hold, beside each clause, its
// mirror image (every literal negated, same weight), as max-cut encodings do; a third of them
// then lose that symmetry by one changed clause.
enum class Category { plain, partial, weighted, mostly_hard, deep, mirrored };

struct DrawnClause {
  std::vector<long> lits;
  bool hard;
  std::uint64_t weight;  // soft clauses only
};

struct Instance {
  int nvars;
  std::vector<DrawnClause> clauses;
};

constexpr std::uint64_t top = std::uint64_t(1) << 62;

inline Instance make_instance(Category cat, std::uint64_t seed) {
  std::mt19937_64 gen(seed);
  auto below = [&](std::uint64_t n) { return gen() % n; };
  Instance inst;
  if (cat == Category::deep) {
    inst.nvars = 14 + static_cast<int>(below(4));
    const int len = 2 + static_cast<int>(below(2));
    for (int i = 0; i < (len == 2 ? 5 : 8) * inst.nvars; ++i) {
      DrawnClause cl{{}, false, 1};
      while (static_cast<int>(cl.lits.size()) < len) {
        const long v = 1 + static_cast<long>(below(static_cast<std::uint64_t>(inst.nvars)));
        if (std::find(cl.lits.begin(), cl.lits.end(), v) == cl.lits.end() &&
            std::find(cl.lits.begin(), cl.lits.end(), -v) == cl.lits.end())
          cl.lits.push_back(below(2) ? v : -v);
      }
      inst.clauses.push_back(cl);
    }
    return inst;
  }
  inst.nvars = 1 + static_cast<int>(below(11));
  const int nclauses = static_cast<int>(below(static_cast<std::uint64_t>(6 * inst.nvars + 8)));
  const int hard_percent = cat == Category::plain ? 0 : cat == Category::mostly_hard ? 60 : 20;
  for (int i = 0; i < nclauses; ++i) {
    DrawnClause cl;
    if (!inst.clauses.empty() && below(100) < 12) {
      // The same literals again, in another order.
      cl.lits = inst.clauses[below(inst.clauses.size())].lits;
      std::reverse(cl.lits.begin(), cl.lits.end());
    } else if (below(100) < 3) {
      // Left empty: falsified by every assignment.
    } else {
      const std::uint64_t r = below(100);
      const int len = std::min(inst.nvars, r < 20 ? 1 : r < 65 ? 2 : r < 92 ? 3 : 4);
      std::vector<long> vars;
      while (static_cast<int>(vars.size()) < len) {
        const long v = 1 + static_cast<long>(below(static_cast<std::uint64_t>(inst.nvars)));
        if (std::find(vars.begin(), vars.end(), v) == vars.end()) vars.push_back(v);
      }
      for (long v : vars) cl.lits.push_back(below(2) ? v : -v);
      if (below(100) < 3) cl.lits.push_back(-cl.lits.front());  // a tautology
    }
    cl.hard = below(100) < static_cast<std::uint64_t>(hard_percent);
    switch (cat) {
      case Category::plain: cl.weight = 1; break;
      case Category::partial: cl.weight = below(10) == 0 ? 0 : 1; break;
      default: {
        const std::uint64_t k = below(6);
        cl.weight = k == 0 ? 0 : k < 3 ? 1 + below(5) : k < 5 ? 1 + below(100) : (std::uint64_t(1) << 40) + below(1000);
      }
    }
    inst.clauses.push_back(cl);
  }
  if (cat == Category::mirrored && !inst.clauses.empty()) {
    const std::size_t drawn = inst.clauses.size();
    for (std::size_t i = 0; i < drawn; ++i) {
      DrawnClause mirror = inst.clauses[i];
      for (long& l : mirror.lits) l = -l;
      inst.clauses.push_back(mirror);
    }
    DrawnClause& changed = inst.clauses[below(inst.clauses.size())];
    switch (below(6)) {
      case 0: ++changed.weight; break;
      case 1: changed.hard = !changed.hard; break;
      case 2:
        if (!changed.lits.empty()) changed.lits.back() = -changed.lits.back();
        break;
      default: break;
    }
  }
  return inst;
}

inline std::string describe(const Instance& inst) {
  std::ostringstream out;
  out << "nvars " << inst.nvars << "\n";
  for (const DrawnClause& cl : inst.clauses) {
    out << (cl.hard ? std::string("h") : std::to_string(cl.weight));
    for (long l : cl.lits) out << ' ' << l;
    out << " 0\n";
  }
  return out.str();
}

inline bool satisfied(const DrawnClause& cl, const std::vector<bool>& model) {
  for (long l : cl.lits)
    if (model[static_cast<std::size_t>(std::labs(l))] == (l > 0)) return true;
  return false;
}

// The weight `model` falsifies, or -1 when it falsifies a hard clause.
inline long long model_cost(const Instance& inst, const std::vector<bool>& model) {
  long long cost = 0;
  for (const DrawnClause& cl : inst.clauses) {
    if (satisfied(cl, model)) continue;
    if (cl.hard) return -1;
    cost += static_cast<long long>(cl.weight);
  }
  return cost;
}

// The least cost over all assignments, or -1 when none satisfies the hard clauses. Variable v
// is bit v-1 of the assignment.
inline long long exhaustive_optimum(const Instance& inst) {
  struct Masks {
    std::uint32_t pos = 0, neg = 0;
  };
  std::vector<Masks> masks;
  for (const DrawnClause& cl : inst.clauses) {
    Masks m;
    for (long l : cl.lits) (l > 0 ? m.pos : m.neg) |= 1u << (std::labs(l) - 1);
    masks.push_back(m);
  }
  long long best = -1;
  for (std::uint32_t a = 0; a < (1u << inst.nvars); ++a) {
    long long cost = 0;
    for (std::size_t i = 0; i < masks.size() && cost >= 0; ++i) {
      if ((a & masks[i].pos) != 0 || (~a & masks[i].neg) != 0) continue;
      cost = inst.clauses[i].hard ? -1 : cost + static_cast<long long>(inst.clauses[i].weight);
    }
    if (cost >= 0 && (best < 0 || cost < best)) best = cost;
  }
  return best;
}

// The drawn clauses in a clause set, as the reader would merge them: repeated literals add
// their weights, and a clause hard in any occurrence is hard. The clauses leave the process-wide
// registry again with the set.
class LoadedSet {
public:
  explicit LoadedSet(const Instance& inst, std::uint64_t top_weight = top) {
    set.set_top_weight(top_weight);
    for (const DrawnClause& drawn : inst.clauses) {
      LitVector lits(drawn.lits.begin(), drawn.lits.end());
      const BasicClauseSet::AddOutcome out = set.add_clause_tracked(lits);
      const std::uint64_t before = out.was_member ? out.prev_weight : 0;
      set.set_cl_weight(out.cl, drawn.hard || before >= top_weight ? top_weight : before + drawn.weight);
    }
  }
  ~LoadedSet() {
    std::vector<BasicClause*> all(set.begin(), set.end());
    for (BasicClause* cl : all) set.remove_clause(cl);
  }
  BasicClauseSet set;
};

// One category of a parametrised test: its instances use seeds `seed`, `seed` + 1, ...
struct CategoryCase {
  const char* name;
  Category category;
  std::uint64_t seed;
  int per_mille;  // of the number of instances
};

inline void PrintTo(const CategoryCase& c, std::ostream* os) { *os << c.name; }

}  // namespace random_instances

#endif
