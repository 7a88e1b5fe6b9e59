// The incremental engine as the facade runs it: a snapshot of the loaded clause set, the engine
// over it, and the engine's latest answer, with the questions the facade asks about that answer
// (the model as literals, whether a clause of the set is falsified). The engine works on the
// snapshot's dense variables; everything handed out here names the input's variables again.
#ifndef QUARNEL_FACADE_OLL_RUN_HH
#define QUARNEL_FACADE_OLL_RUN_HH

#include <cstddef>
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
  // Bytes the SAT solver will take at least for the instance, before it learns anything.
  std::size_t sat_memory_estimate() const;

  // The model indexed by input variable: entry k-1 is k or -k, or 0 for a variable that occurs
  // in no clause; up to the largest variable that occurs; empty without a model.
  void model_by_variable(std::vector<int>& out) const;
  // The model as one literal per variable that occurs, in increasing order of variable; sized
  // by the number of variables, whatever their ids.
  void model_literals(std::vector<int>& out) const;
  // Whether `cl`, a soft clause of positive weight in `clset`, is false in the model.
  bool falsifies(const BasicClause* cl, const BasicClauseSet& clset) const;

private:
  InstanceSnapshot snapshot;
  HybridSolver solver;
  EngineResult last;
};

#endif
