// SatOracle over CaDiCaL. Variable elimination is switched off: the engine keeps adding clauses
// and assumptions over old variables, and a solver that eliminated them would have to restore
// them again and again.
#ifndef QUARNEL_SAT_CADICAL_ORACLE_HH
#define QUARNEL_SAT_CADICAL_ORACLE_HH

#include <memory>

#include "sat/sat_oracle.hh"

namespace CaDiCaL {
class Solver;
}

class CadicalOracle : public SatOracle {
public:
  CadicalOracle();
  ~CadicalOracle() override;

  int new_var() override;
  void reserve_vars(int n) override;
  int num_vars() const override { return nvars; }
  void add_clause(const int* begin, const int* end) override;
  Result solve(const std::vector<int>& assumptions) override;
  bool value(int lit) const override;
  bool failed(int lit) const override;
  void set_phase(int lit) override;
  void clear_phase(int lit) override;
  void set_terminate(std::function<bool()> stop) override;
  void set_conflict_limit(int conflicts) override;
  // Counts the library's polls of its terminator: it polls once per step of its search loop.
  std::uint64_t effort() const override { return polls; }
  std::uint64_t literals_added() const override { return literals; }
  std::uint64_t work() const override { return polls + work_per_conflict * conflicts; }

private:
  class Stopper;
  class ConflictCounter;
  std::unique_ptr<CaDiCaL::Solver> solver;
  std::unique_ptr<Stopper> stopper;
  std::unique_ptr<ConflictCounter> counter;
  int nvars = 0;
  std::uint64_t polls = 0;
  std::uint64_t literals = 0;
  std::uint64_t conflicts = 0;
};

#endif
