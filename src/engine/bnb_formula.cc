#include "engine/bnb_formula.hh"

#include <algorithm>

namespace bnb {

Formula::Formula(const InstanceSnapshot& instance) : nvars(instance.num_vars()) {
  std::vector<int> clause;
  auto add = [&](ClauseView cl, bool is_hard, Cost w) {
    clause.clear();
    for (int d : cl) clause.push_back(make_lit(d));
    std::sort(clause.begin(), clause.end());
    clause.erase(std::unique(clause.begin(), clause.end()), clause.end());
    for (std::size_t i = 1; i < clause.size(); ++i)
      if (clause[i] == negate(clause[i - 1])) return;  // a tautology: satisfied by every assignment
    if (clause.empty()) {
      if (is_hard) empty_hard = true;
      else empty_soft = saturating_add(empty_soft, w);
      return;
    }
    lits.insert(lits.end(), clause.begin(), clause.end());
    starts.push_back(lits.size());
    weight.push_back(is_hard ? hard_weight : w);
    hard.push_back(is_hard ? 1 : 0);
    if (!is_hard) total_soft = saturating_add(total_soft, w);
  };
  for (std::size_t i = 0; i < instance.num_hard(); ++i) add(instance.hard(i), true, 0);
  for (std::size_t i = 0; i < instance.num_soft(); ++i) add(instance.soft(i), false, instance.soft_weight(i));

  const std::size_t nlits = static_cast<std::size_t>(num_lits());
  occ_starts.assign(nlits + 1, 0);
  for (int lit : lits) ++occ_starts[static_cast<std::size_t>(lit) + 1];
  for (std::size_t l = 0; l < nlits; ++l) occ_starts[l + 1] += occ_starts[l];
  occ.resize(lits.size());
  std::vector<std::size_t> fill(occ_starts.begin(), occ_starts.end() - 1);
  for (int c = 0; c < num_clauses(); ++c)
    for (const int* p = clause_begin(c); p != clause_end(c); ++p) occ[fill[static_cast<std::size_t>(*p)]++] = c;

  val.assign(nlits, 0);
  nfree.resize(weight.size());
  for (int c = 0; c < num_clauses(); ++c) nfree[static_cast<std::size_t>(c)] = clause_size(c);
}

}  // namespace bnb
