// IPAMIR over IncrementalSolver. A soft literal l of weight w is the soft clause (-l) of weight
// w, found again by its literal when its weight changes. The interface has no way to report a
// bad argument at the call that makes it, so such a call is ignored and remembered: every later
// solve answers 40 (an unsupported sequence of calls), as does a solve while a hard clause is
// still open. No C++ exception leaves this file.
#include "ipamir/ipamir.h"

#include <new>
#include <stdexcept>
#include <vector>

#include "facade/incremental_solver.hh"

namespace {

struct IpamirSolver {
  IncrementalSolver solver;
  std::vector<int> open_clause;
  std::vector<int> assumptions;
  std::vector<int> soft_clause;
  void* terminate_state = nullptr;
  int (*terminate)(void*) = nullptr;
  bool refused_call = false;
  int last_answer = 0;
};

IpamirSolver& of(void* solver) { return *static_cast<IpamirSolver*>(solver); }

enum Answer { interrupted = 0, interrupted_with_model = 10, infeasible = 20, optimal = 30, unsupported = 40 };

}  // namespace

extern "C" {

const char* ipamir_signature(void) { return "quarnel " QUARNEL_VERSION " (OLL over CaDiCaL)"; }

void* ipamir_init(void) { return new (std::nothrow) IpamirSolver; }

void ipamir_release(void* solver) { delete static_cast<IpamirSolver*>(solver); }

void ipamir_add_hard(void* solver, int32_t lit_or_zero) {
  IpamirSolver& s = of(solver);
  if (lit_or_zero != 0) {
    s.open_clause.push_back(lit_or_zero);
    return;
  }
  try {
    s.solver.add_hard(s.open_clause);
  } catch (const std::exception&) {
    s.refused_call = true;
  }
  s.open_clause.clear();
}

void ipamir_add_soft_lit(void* solver, int32_t lit, uint64_t weight) {
  IpamirSolver& s = of(solver);
  s.soft_clause.assign(1, -lit);
  try {
    s.solver.set_soft_weight(s.soft_clause, weight);
  } catch (const std::exception&) {
    s.refused_call = true;
  }
}

void ipamir_assume(void* solver, int32_t lit) { of(solver).assumptions.push_back(lit); }

int ipamir_solve(void* solver) {
  IpamirSolver& s = of(solver);
  std::vector<int> assumptions;
  assumptions.swap(s.assumptions);
  if (s.refused_call || !s.open_clause.empty()) return s.last_answer = unsupported;
  auto stop = [&s] { return s.terminate != nullptr && s.terminate(s.terminate_state) != 0; };
  try {
    switch (s.solver.solve(assumptions, stop)) {
      case IncrementalSolver::Status::optimum: return s.last_answer = optimal;
      case IncrementalSolver::Status::satisfiable: return s.last_answer = interrupted_with_model;
      case IncrementalSolver::Status::unsatisfiable: return s.last_answer = infeasible;
      case IncrementalSolver::Status::unknown: return s.last_answer = interrupted;
    }
  } catch (const std::exception&) {
    s.refused_call = true;
  }
  return s.last_answer = unsupported;
}

uint64_t ipamir_val_obj(void* solver) {
  const IpamirSolver& s = of(solver);
  return s.solver.has_model() ? s.solver.cost() : 0;
}

int32_t ipamir_val_lit(void* solver, int32_t lit) {
  const IpamirSolver& s = of(solver);
  const long var = lit < 0 ? -static_cast<long>(lit) : lit;
  if (lit == 0 || var >= static_cast<long>(s.solver.model().size())) return 0;
  return s.solver.value(lit) ? lit : -lit;
}

void ipamir_set_terminate(void* solver, void* state, int (*terminate)(void* state)) {
  IpamirSolver& s = of(solver);
  s.terminate_state = state;
  s.terminate = terminate;
}

}  // extern "C"
