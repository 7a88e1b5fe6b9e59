// The facade's run of the incremental engine and the translation of its answer from the
// snapshot's dense variables back to the input's.
#include "facade/oll_run.hh"

#include <cstdlib>

#include "clauses/basic_clause_set.hh"

OllRun::OllRun(const BasicClauseSet& clset, EngineOptions options, bool branch_and_bound)
    : snapshot(clset), solver(snapshot, std::move(options), branch_and_bound) {}

// CaDiCaL's tables take some 170 bytes per variable (measured on instances with few clauses and
// many variables) and its clauses at least their literals; rounded down, so that the estimate
// never refuses an instance the solver could hold.
std::size_t OllRun::sat_memory_estimate() const {
  constexpr std::size_t bytes_per_var = 128, bytes_per_literal = 4;
  return bytes_per_var * static_cast<std::size_t>(snapshot.num_vars()) + bytes_per_literal * snapshot.num_literals();
}

void OllRun::model_by_variable(std::vector<int>& out) const {
  if (last.model.empty() || snapshot.num_vars() == 0) return;
  const std::size_t first = out.size();
  out.resize(first + static_cast<std::size_t>(snapshot.input_var(snapshot.num_vars())), 0);
  for (int v = 1; v <= snapshot.num_vars(); ++v) {
    const long var = snapshot.input_var(v);
    out[first + static_cast<std::size_t>(var) - 1] = static_cast<int>(last.model[static_cast<std::size_t>(v)] ? var : -var);
  }
}

void OllRun::model_literals(std::vector<int>& out) const {
  if (last.model.empty()) return;
  out.reserve(out.size() + static_cast<std::size_t>(snapshot.num_vars()));
  for (int v = 1; v <= snapshot.num_vars(); ++v) {
    const int var = static_cast<int>(snapshot.input_var(v));
    out.push_back(last.model[static_cast<std::size_t>(v)] ? var : -var);
  }
}

bool OllRun::falsifies(const BasicClause* cl, const BasicClauseSet& clset) const {
  if (last.model.empty() || clset.is_hard(cl) || cl->get_weight() == 0) return false;
  for (int lit : *cl) {
    // A variable the instance did not have when it was solved is unassigned.
    const int v = snapshot.snapshot_var(std::abs(lit));
    if (v == 0) return false;
    if (last.model[static_cast<std::size_t>(v)] == (lit > 0)) return false;
  }
  return true;
}
