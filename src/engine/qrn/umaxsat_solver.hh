// The base of the core-guided algorithms. It holds what every algorithm shares: the variable
// allocator and the working clause set, the clauses of the last unsatisfiable core, the
// bookkeeping of relaxation variables (which clause each relaxes, which each clause carries),
// the optional pruning clauses ("-p"), the per-clause at-most-one constraint over a clause's
// relaxation variables ("-m"), and the last model. The facade reads the model, the relaxation
// variables and the per-clause lists after solve().
#ifndef QUARNEL_ENGINE_QRN_UMAXSAT_SOLVER_HH
#define QUARNEL_ENGINE_QRN_UMAXSAT_SOLVER_HH

#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "clauses/basic_clause.hh"
#include "clauses/basic_clause_set.hh"
#include "util/cost.hh"
#include "clauses/id_manager.hh"
#include "engine/qrn/core_loop_settings.hh"

class UnsatMaxSATSolver {
public:
  using VarList = std::vector<long>;

  UnsatMaxSATSolver(IDManager& imgr, BasicClauseSet& clset, const CoreLoopSettings& settings);
  // Releases the owned lists; never a clause, the clause set or the allocator.
  virtual ~UnsatMaxSATSolver();
  UnsatMaxSATSolver(const UnsatMaxSATSolver&) = delete;
  UnsatMaxSATSolver& operator=(const UnsatMaxSATSolver&) = delete;

  // Rebinds the working clause set.
  virtual void init(BasicClauseSet& cls);
  // Replaces the settings for the next solve(): an embedding program may change options
  // between two solves of the same formula (enumeration steps, a new time budget).
  void set_settings(const CoreLoopSettings& s) { settings = s; }
  // Detaches the clause set and empties every list and map.
  virtual void reset();
  // Runs the algorithm: true with the optimum in `cost`, false when the hard clauses are
  // unsatisfiable. Costs are exact up to 2^64 - 1.
  virtual bool solve_exact(Cost& cost) = 0;
  // The same as a signed number: the optimum, or -1 when the hard clauses are unsatisfiable;
  // an optimum beyond 2^63 - 1 ends the run with "Cost out of range".
  long solve();

  // Records that the fresh variable `rv`, already among the literals of `cl`, relaxes `cl`
  // (and adds the pruning clauses when they are on).
  void register_relaxation_var(BasicClause* cl, long rv);
  // Replaces the at-most-one constraint over the relaxation variables of `cl`.
  void constrain_clause_extra_vars(BasicClause* cl);

  // Read access for the facade.
  const std::vector<int>& get_model() const { return model; }
  const std::unordered_map<long, BasicClause*>& get_rvar_cl_map() const { return rvar_cl_map; }
  // The relaxation variables of `cl` in order of creation, or null for a clause never relaxed.
  const VarList* get_clause_rvars(BasicClause* cl) const;
  std::vector<BasicClause*>& get_core_cls() { return core_cls; }
  const std::vector<BasicClause*>& get_pending_cls() const { return pending_cls; }
  // The clauses that currently form the per-clause constraint of `cl`, or null.
  const ClauseList* get_clause_amo_cls(BasicClause* cl) const;
  // The falsity variable of `cl` (pruning), or 0.
  long get_clause_fvar(BasicClause* cl) const;

protected:
  CoreLoopSettings settings;
  IDManager& imgr;
  BasicClauseSet* clset;
  std::vector<BasicClause*> core_cls;
  std::unordered_map<long, BasicClause*> rvar_cl_map;
  std::unordered_set<long> fvar_set;
  std::unordered_map<BasicClause*, long, ClPtrHash, ClPtrEqual> cl_fvar_map;
  std::unordered_map<BasicClause*, VarList*, ClPtrHash, ClPtrEqual> cl_rvars_map;
  std::unordered_map<BasicClause*, ClauseList*, ClPtrHash, ClPtrEqual> cl_amo_cls_map;
  std::vector<BasicClause*> pending_cls;
  std::vector<int> model;

private:
  void release_owned_lists();
};

#endif
