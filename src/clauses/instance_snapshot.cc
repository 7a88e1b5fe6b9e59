#include "clauses/instance_snapshot.hh"

#include <algorithm>
#include <cstdlib>

#include "clauses/basic_clause_set.hh"

namespace {

// A table from input id to snapshot variable takes 4 bytes per id up to the largest; it is
// used when that is at most a few bytes per literal of the instance (every ordinary instance),
// and a sorted list of the ids, searched, otherwise.
bool table_fits(long max_var, std::size_t literals) {
  return static_cast<std::size_t>(max_var) <= 2 * literals + 1024;
}

}  // namespace

void InstanceSnapshot::number_variables(const BasicClauseSet& clset) {
  long max_var = 0;
  std::size_t literals = 0;
  for (const BasicClause* cl : clset) {
    // Literals are sorted by variable and lie within +-(2^31 - 1): the reader and the facade
    // refuse others.
    if (cl->size() > 0) max_var = std::max<long>(max_var, std::abs(cl->end()[-1]));
    literals += cl->size();
  }
  if (table_fits(max_var, literals)) {
    by_input_id.assign(static_cast<std::size_t>(max_var) + 1, 0);
    for (const BasicClause* cl : clset)
      for (int lit : *cl) by_input_id[static_cast<std::size_t>(std::abs(lit))] = 1;
    for (long var = 1; var <= max_var; ++var) {
      int& slot = by_input_id[static_cast<std::size_t>(var)];
      if (slot == 0) continue;
      input_ids.push_back(var);
      slot = static_cast<int>(input_ids.size());
    }
    return;
  }
  input_ids.reserve(literals);
  for (const BasicClause* cl : clset)
    for (int lit : *cl) input_ids.push_back(std::abs(lit));
  std::sort(input_ids.begin(), input_ids.end());
  input_ids.erase(std::unique(input_ids.begin(), input_ids.end()), input_ids.end());
  input_ids.shrink_to_fit();
}

int InstanceSnapshot::snapshot_var(long var) const {
  if (var < 1) return 0;
  if (!by_input_id.empty() || input_ids.empty())
    return static_cast<std::size_t>(var) < by_input_id.size() ? by_input_id[static_cast<std::size_t>(var)] : 0;
  auto it = std::lower_bound(input_ids.begin(), input_ids.end(), var);
  return it != input_ids.end() && *it == var ? static_cast<int>(it - input_ids.begin()) + 1 : 0;
}

InstanceSnapshot::InstanceSnapshot(const BasicClauseSet& clset) {
  number_variables(clset);
  for (const BasicClause* cl : clset) {
    const bool hard = clset.is_hard(cl);
    if (!hard && cl->get_weight() == 0) continue;
    std::vector<int>& lits = hard ? hard_lits : soft_lits;
    for (int lit : *cl) lits.push_back(renumbered(lit));
    if (hard) {
      hard_starts.push_back(hard_lits.size());
    } else {
      soft_starts.push_back(soft_lits.size());
      soft_weights.push_back(cl->get_weight());
    }
  }
}

void InstanceSnapshot::note_vars(const int* begin, const int* end) {
  int largest = num_vars();
  for (const int* l = begin; l != end; ++l) largest = std::max(largest, std::abs(*l));
  if (largest == num_vars()) return;
  if (by_input_id.empty()) by_input_id.push_back(0);
  for (int v = num_vars() + 1; v <= largest; ++v) {
    input_ids.push_back(v);
    by_input_id.push_back(v);
  }
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
