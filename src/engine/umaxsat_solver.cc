#include "engine/umaxsat_solver.hh"
UnsatMaxSATSolver::UnsatMaxSATSolver(IDManager& im, BasicClauseSet& cs) : imgr(im), clset(&cs) {}
UnsatMaxSATSolver::~UnsatMaxSATSolver() {}
void UnsatMaxSATSolver::init(BasicClauseSet& cls) { clset = &cls; }
void UnsatMaxSATSolver::reset() {}
const UnsatMaxSATSolver::VarList* UnsatMaxSATSolver::get_clause_rvars(BasicClause*) const { return nullptr; }
