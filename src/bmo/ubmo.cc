#include "bmo/ubmo.hh"
#include <cstdlib>
UnsatBMOSolver::UnsatBMOSolver(IDManager& im) : imgr(im) {}
UnsatBMOSolver::~UnsatBMOSolver() {}
void UnsatBMOSolver::solve(BasicClauseSet&) { std::exit(1); }
