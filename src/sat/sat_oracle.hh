// The SAT solver as an engine sees it: an incremental oracle that takes clauses, answers
// satisfiability questions under assumptions and explains an unsatisfiable answer by the
// assumptions it used. Literals are DIMACS integers (variable v true: v, false: -v).
#ifndef QUARNEL_SAT_SAT_ORACLE_HH
#define QUARNEL_SAT_SAT_ORACLE_HH

#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

class SatOracle {
public:
  enum class Result { satisfiable, unsatisfiable, unknown };

  virtual ~SatOracle() = default;

  // A variable above every variable used so far.
  virtual int new_var() = 0;
  // Makes variables 1..n known; later new_var() calls continue above them.
  virtual void reserve_vars(int n) = 0;
  virtual int num_vars() const = 0;

  virtual void add_clause(const int* begin, const int* end) = 0;
  void add_clause(const std::vector<int>& lits) { add_clause(lits.data(), lits.data() + lits.size()); }
  void add_unit(int lit) { add_clause(&lit, &lit + 1); }

  // Solves under `assumptions`. unknown: a limit or the terminate callback stopped the search.
  virtual Result solve(const std::vector<int>& assumptions) = 0;
  // After satisfiable: the value of `lit` in the model.
  virtual bool value(int lit) const = 0;
  // After unsatisfiable: whether assumption `lit` takes part in the refutation.
  virtual bool failed(int lit) const = 0;

  // The value the search tries first for the variable of `lit`: that `lit` is true. Kept until
  // changed; a search guided by a good model tends to find models near it.
  virtual void set_phase(int lit) = 0;
  // Gives the choice of the first value for the variable of `lit` back to the oracle.
  virtual void clear_phase(int lit) = 0;

  // Polled during search; returning true stops it with unknown.
  virtual void set_terminate(std::function<bool()> stop) = 0;
  // A conflict limit for the next solve() only; negative means none.
  virtual void set_conflict_limit(int conflicts) = 0;

  // Search effort spent in all solve() calls so far, in the oracle's own deterministic unit:
  // the same clauses, assumptions and calls give the same count on any machine and any load,
  // which makes it the clock for decisions that must not depend on timing.
  virtual std::uint64_t effort() const = 0;
  // Like effort, but closer to the time spent: the search loop's steps weighed together with
  // its conflicts, which take far longer than a step on some instances. The clock for sharing
  // time between kinds of search; effort stays the measure of budgets within one.
  virtual std::uint64_t work() const = 0;
  // A conflict (propagation up to it and its analysis) takes about as long as ten steps;
  // measured on real instances whose runs are dominated by one or the other.
  static constexpr std::uint64_t work_per_conflict = 10;
  // Literals of all clauses added so far: what loading clauses cost, deterministic as effort.
  virtual std::uint64_t literals_added() const = 0;
};

// The oracle over the CaDiCaL library.
std::unique_ptr<SatOracle> make_sat_oracle();

#endif
