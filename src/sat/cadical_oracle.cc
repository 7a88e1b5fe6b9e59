#include "sat/cadical_oracle.hh"

#include <cadical.hpp>

// Asks the engine's callback only every so many polls: CaDiCaL polls very often, and the callback
// may read a clock.
class CadicalOracle::Stopper : public CaDiCaL::Terminator {
public:
  Stopper(std::function<bool()> stop, std::uint64_t& polls) : stop(std::move(stop)), polls(polls) {}
  bool terminate() override {
    if (stopped) return true;
    if (++polls % poll_interval != 0) return false;
    stopped = stop();
    return stopped;
  }

private:
  static constexpr unsigned poll_interval = 256;
  std::function<bool()> stop;
  std::uint64_t& polls;
  bool stopped = false;
};

// Counts the conflicts: the library offers every learnt clause to a connected learner.
// Declining the offer keeps the literals from being passed one by one.
class CadicalOracle::ConflictCounter : public CaDiCaL::Learner {
public:
  explicit ConflictCounter(std::uint64_t& conflicts) : conflicts(conflicts) {}
  bool learning(int) override {
    ++conflicts;
    return false;
  }
  void learn(int) override {}

private:
  std::uint64_t& conflicts;
};

CadicalOracle::CadicalOracle() : solver(new CaDiCaL::Solver), counter(new ConflictCounter(conflicts)) {
  solver->connect_learner(counter.get());
  solver->set("quiet", 1);
  solver->set("elim", 0);
  // Effort is counted through the terminator's polls, so one is always connected.
  set_terminate([] { return false; });
}

CadicalOracle::~CadicalOracle() {
  if (stopper) solver->disconnect_terminator();
  solver->disconnect_learner();
}

int CadicalOracle::new_var() {
  ++nvars;
  return nvars;
}

void CadicalOracle::reserve_vars(int n) {
  if (n <= nvars) return;
  nvars = n;
  solver->reserve(n);
}

void CadicalOracle::add_clause(const int* begin, const int* end) {
  for (const int* l = begin; l != end; ++l) solver->add(*l);
  solver->add(0);
  literals += static_cast<std::uint64_t>(end - begin);
}

SatOracle::Result CadicalOracle::solve(const std::vector<int>& assumptions) {
  for (int lit : assumptions) solver->assume(lit);
  switch (solver->solve()) {
    case 10: return Result::satisfiable;
    case 20: return Result::unsatisfiable;
    default: return Result::unknown;
  }
}

// CaDiCaL answers with the literal itself when it is true and with its negation otherwise.
bool CadicalOracle::value(int lit) const { return solver->val(lit) == lit; }

bool CadicalOracle::failed(int lit) const { return solver->failed(lit); }

void CadicalOracle::set_phase(int lit) { solver->phase(lit); }

void CadicalOracle::clear_phase(int lit) { solver->unphase(lit); }

void CadicalOracle::set_terminate(std::function<bool()> stop) {
  if (stopper) solver->disconnect_terminator();
  stopper.reset(new Stopper(std::move(stop), polls));
  solver->connect_terminator(stopper.get());
}

void CadicalOracle::set_conflict_limit(int conflicts) { solver->limit("conflicts", conflicts < 0 ? -1 : conflicts); }

std::unique_ptr<SatOracle> make_sat_oracle() { return std::unique_ptr<SatOracle>(new CadicalOracle); }
