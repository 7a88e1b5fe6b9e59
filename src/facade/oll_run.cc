#include "facade/oll_run.hh"

#include <cstdlib>

#include "clauses/basic_clause_set.hh"

OllRun::OllRun(const BasicClauseSet& clset, EngineOptions options, bool branch_and_bound)
    : snapshot(clset), solver(snapshot, std::move(options), branch_and_bound) {}

void OllRun::model_literals(std::vector<int>& out) const {
  for (std::size_t v = 1; v < last.model.size(); ++v) {
    const int var = static_cast<int>(v);
    out.push_back(last.model[v] ? var : -var);
  }
}

bool OllRun::falsifies(const BasicClause* cl, const BasicClauseSet& clset) const {
  if (last.model.empty() || clset.is_hard(cl) || cl->get_weight() == 0) return false;
  for (long lit : *cl) {
    // A variable the instance did not have when it was solved is unassigned.
    if (static_cast<std::size_t>(std::labs(lit)) >= last.model.size()) return false;
    if (last.model[static_cast<std::size_t>(std::labs(lit))] == (lit > 0)) return false;
  }
  return true;
}
