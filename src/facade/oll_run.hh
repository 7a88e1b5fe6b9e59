// The incremental engine as the facade runs it: a snapshot of the loaded clause set, the engine
// over it, and the engine's latest answer, with the questions the facade asks about that answer
// (the model as literals, whether a clause of the set is falsified).
#ifndef QUARNEL_FACADE_OLL_RUN_HH
#define QUARNEL_FACADE_OLL_RUN_HH

#include <vector>

#include "clauses/instance_snapshot.hh"
#include "engine/engine_result.hh"
#include "engine/hybrid_solver.hh"

class BasicClause;
class BasicClauseSet;

class OllRun {
public:
  // `branch_and_bound`: see HybridSolver; false when further optimal models will be asked for.
  OllRun(const BasicClauseSet& clset, EngineOptions options, bool branch_and_bound);
  OllRun(const OllRun&) = delete;
  OllRun& operator=(const OllRun&) = delete;

  const EngineResult& solve() { return last = solver.solve(); }
  const EngineResult& next_optimal(CubeKind kind) { return last = solver.next_optimal(kind); }
  const EngineResult& result() const { return last; }
  int num_vars() const { return snapshot.num_vars(); }

  // The model as the facade hands it out: entry k-1 is k or -k; empty without a model.
  void model_literals(std::vector<int>& out) const;
  // Whether `cl`, a soft clause of positive weight in `clset`, is false in the model.
  bool falsifies(const BasicClause* cl, const BasicClauseSet& clset) const;

private:
  InstanceSnapshot snapshot;
  HybridSolver solver;
  EngineResult last;
};

#endif
