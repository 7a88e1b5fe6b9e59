// The only place that talks to the SAT library. Each run_sat_solver() call creates a fresh PicoSAT
// solver with trace generation (clausal cores), loads every clause of the working set, solves,
// and brings back the outcome, the core (as the set's own clause handles) or the model, then
// releases the solver. Nothing survives in the library between calls.
#ifndef QUARNEL_SAT_PICOSAT_BRIDGE_HH
#define QUARNEL_SAT_PICOSAT_BRIDGE_HH

#include <functional>
#include <vector>

#include "clauses/basic_clause.hh"
#include "clauses/basic_clause_set.hh"

class PicosatWrapper {
public:
  static constexpr int SAT = 10;
  static constexpr int UNSAT = 20;
  // The outcome of a call that `interrupt` stopped.
  static constexpr int INTERRUPTED = 0;

  // `weights_are_groups`: the clause weights are soft-CNF group ids, so a weight of 0 is a group
  // like any other rather than a clause that costs nothing.
  PicosatWrapper(BasicClauseSet& clset, std::vector<BasicClause*>& core_cls, bool weights_are_groups);

  // Polled by the library during search; true stops the call with INTERRUPTED.
  void set_interrupt(std::function<bool()> stop) { interrupt = std::move(stop); }
  // Drops the results of the last call.
  void reset();
  // One complete SAT call over the clause set: 10 satisfiable (model filled), 20 unsatisfiable
  // (core clauses appended to the caller's core list, in the order they were handed over), or
  // INTERRUPTED when the interrupt callback stopped it.
  int run_sat_solver();
  // Copies the model of the last satisfiable call: entry v-1 holds 1, -1 or 0 for variable v.
  void get_model(std::vector<int>& out) const { out = model; }
  // Core extraction and formula dump need the library to hold a formula, which is only the case
  // inside run_sat_solver(); they are kept for debugging sessions.
  void compute_unsat_core();
  void print_cnf(const char* fname);

private:
  BasicClauseSet& clset;
  std::vector<BasicClause*>& core_cls;
  bool weights_are_groups;
  std::vector<BasicClause*> idx2cl;
  std::vector<int> model;
  std::function<bool()> interrupt;
  struct PicoSAT* solver = nullptr;
};

#endif
