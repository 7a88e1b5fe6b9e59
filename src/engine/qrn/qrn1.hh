// QRN1: the core-guided MaxSAT algorithm of releases 1.0 to 1.2. It hands the whole working
// clause set to a fresh SAT solver again and again; each unsatisfiable core gets its soft clauses
// relaxed (weighted clauses heavier than the core's lightest are split first), an exactly-one
// constraint over the new relaxation variables, and raises the lower bound by 1 or by the core's
// smallest weight. The first satisfiable call ends the search with the optimum.
#ifndef QUARNEL_ENGINE_QRN_QRN1_HH
#define QUARNEL_ENGINE_QRN_QRN1_HH

#include <vector>

#include "engine/qrn/umaxsat_solver.hh"

class QRN1 : public UnsatMaxSATSolver {
public:
  QRN1(IDManager& imgr, BasicClauseSet& clset, const CoreLoopSettings& settings)
      : UnsatMaxSATSolver(imgr, clset, settings) {}

  bool solve_exact(Cost& cost) override;

  // Relaxation steps: relax the soft clauses of core_cls, append the new relaxation variables
  // to `rvars`; 0 when nothing was relaxed (the core holds hard clauses only), else the amount
  // the lower bound grows by. Soft clauses of weight 0 never reach a core.
  Cost mxsat_relax_core_clauses(std::vector<long>& rvars);
  Cost weighted_relax_core_clauses(std::vector<long>& rvars);
  [[noreturn]] Cost softcnf_relax_core_clauses(std::vector<long>& rvars);

  // Adds hard clauses making exactly one of `rvars` true.
  void add_card_constraint(std::vector<long>& rvars);

private:
  void relax_in_place(BasicClause* cl, std::vector<long>& rvars);
  void constrain_pending_clauses();
};

#endif
