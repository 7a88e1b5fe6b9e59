#include "clauses/instance_snapshot.hh"

#include <algorithm>
#include <cstdlib>

#include "clauses/basic_clause_set.hh"

InstanceSnapshot::InstanceSnapshot(const BasicClauseSet& clset) {
  for (const BasicClause* cl : clset) {
    // Literals lie within +-(2^31 - 1): the reader and the facade refuse others.
    if (cl->size() > 0) nvars = std::max(nvars, std::abs(cl->end()[-1]));
    const bool hard = clset.is_hard(cl);
    if (!hard && cl->get_weight() == 0) continue;
    std::vector<int>& lits = hard ? hard_lits : soft_lits;
    lits.insert(lits.end(), cl->begin(), cl->end());
    if (hard) {
      hard_starts.push_back(hard_lits.size());
    } else {
      soft_starts.push_back(soft_lits.size());
      soft_weights.push_back(cl->get_weight());
    }
  }
}

void InstanceSnapshot::note_vars(const int* begin, const int* end) {
  for (const int* l = begin; l != end; ++l) nvars = std::max(nvars, std::abs(*l));
}

void InstanceSnapshot::add_hard(const int* begin, const int* end) {
  note_vars(begin, end);
  hard_lits.insert(hard_lits.end(), begin, end);
  hard_starts.push_back(hard_lits.size());
}

void InstanceSnapshot::add_soft(const int* begin, const int* end, Cost weight) {
  note_vars(begin, end);
  soft_lits.insert(soft_lits.end(), begin, end);
  soft_starts.push_back(soft_lits.size());
  soft_weights.push_back(weight);
}

bool InstanceSnapshot::satisfied(ClauseView cl, const std::vector<bool>& model) {
  for (int lit : cl)
    if (model[static_cast<std::size_t>(std::abs(lit))] == (lit > 0)) return true;
  return false;
}

Cost InstanceSnapshot::cost_of(const std::vector<bool>& model) const {
  Cost cost = 0;
  for (std::size_t i = 0; i < num_soft(); ++i)
    if (!satisfied(soft(i), model)) cost = saturating_add(cost, soft_weights[i]);
  return cost;
}

bool InstanceSnapshot::satisfies_hard(const std::vector<bool>& model) const {
  for (std::size_t i = 0; i < num_hard(); ++i)
    if (!satisfied(hard(i), model)) return false;
  return true;
}
