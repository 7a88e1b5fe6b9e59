// The facade: the one object through which the command line, the driver and embedding programs
// configure the solver, supply clauses, solve and read results. `Quarnel` is the abstract
// interface (53 operations in a fixed order); `QuarnelExtended` is its only implementation and a
// singleton. The facade carries no data itself: configuration lives in QRNConfig, statistics in
// QRNStats and the working objects of a run in QRNAppObjs.
//
// Typical embedding:
//   Quarnel& q = Quarnel::instance();
//   q.init();
//   QRNCl* c = q.add_binary_clause(1, 2);   // hard until a kind setter says otherwise
//   q.set_clause_weight(c, 5);
//   q.solve();
//   long cost = q.get_min_unsat_cost();     // -1: the hard clauses are unsatisfiable
//
// Costs are exact up to the largest sum of soft weights an instance may have, 2^64 - 2:
// get_min_unsat_cost() gives them as signed numbers (a cost beyond 2^63 - 1 ends the run with
// "Cost out of range"), QuarnelExtended::get_exact_min_unsat_cost() as unsigned ones.
#ifndef QUARNEL_FACADE_QRNAPP_HH
#define QUARNEL_FACADE_QRNAPP_HH

#include <cstdint>
#include <vector>

#include "engine/engine_result.hh"
#include "config/qrn_config.hh"
#include "facade/qrn_stats.hh"

class BasicClause;
class BasicClauseSet;
class IDManager;
class OllRun;
class UnsatMaxSATSolver;

// The opaque clause handle of the facade.
typedef BasicClause QRNCl;

class Quarnel {
public:
  // The singleton, created on the first call.
  static Quarnel& instance();

  virtual void init() = 0;
  virtual void reset() = 0;
  virtual void set_prob_plain_maxsat() = 0;
  virtual void set_prob_partial_maxsat() = 0;
  virtual void set_prob_weighted_maxsat() = 0;
  virtual void set_prob_soft_cnf() = 0;
  virtual void set_release(const char* rel) = 0;
  virtual void set_algorithm(const char* alg) = 0;
  virtual void set_card_encoding(const char* enc) = 0;
  virtual void set_relate_relax_vars(int thres) = 0;
  virtual void set_use_added_cls() = 0;
  virtual void set_bmo_mode() = 0;
  virtual void set_enumerate_models() = 0;
  virtual void set_enumerate_models(long ncubes) = 0;
  virtual bool get_enum_models() = 0;
  virtual void set_enum_orig_vars() = 0;
  virtual void set_enum_relax_vars() = 0;
  virtual bool load_file(const char* fname) = 0;
  virtual QRNCl* add_clause(long n, const long* lits) = 0;
  virtual QRNCl* add_clause(std::vector<long>& lits) = 0;
  virtual QRNCl* add_unit_clause(long l1) = 0;
  virtual QRNCl* add_binary_clause(long l1, long l2) = 0;
  virtual QRNCl* add_ternary_clause(long l1, long l2, long l3) = 0;
  virtual void set_clause_hard(QRNCl* cl) = 0;
  virtual void set_clause_soft(QRNCl* cl) = 0;
  virtual void set_clause_soft_group(QRNCl* cl, long grp) = 0;
  virtual void set_clause_weight(QRNCl* cl, long w) = 0;
  virtual bool solve() = 0;
  virtual bool iter_solve() = 0;
  virtual long get_num_init_vars() = 0;
  virtual long get_num_init_cls() = 0;
  virtual long get_min_unsat_cost() = 0;
  virtual int get_var(long var) = 0;
  virtual void get_model(std::vector<int>& model) = 0;
  virtual void get_relaxation_vars(std::vector<long>& rvars) = 0;
  virtual bool chk_unsat_clause(QRNCl* cl) = 0;
  virtual void prt_all_unsat_clauses() = 0;
  virtual void set_runtime_defaults() = 0;
  virtual void set_compute_model() = 0;
  virtual void unset_compute_model() = 0;
  virtual bool get_compute_model() = 0;
  virtual void set_timeout(long secs) = 0;
  virtual void set_verbosity(int v) = 0;
  virtual int get_verbosity() = 0;
  virtual void set_logging() = 0;
  virtual bool get_logging() = 0;
  virtual void set_comp_format() = 0;
  virtual void unset_comp_format() = 0;
  virtual bool get_comp_format() = 0;
  virtual void set_lst_unsat_cls() = 0;
  virtual void unset_lst_unsat_cls() = 0;
  virtual bool get_lst_unsat_cls() = 0;
  virtual void print_stats() = 0;
  virtual ~Quarnel() {}
  // Solve with the incremental engine instead of the default one (option "-oll"). Appended
  // here so that the operations above keep their places.
  virtual void set_oll_engine() = 0;
};

class QuarnelExtended : public Quarnel {
public:
  static QuarnelExtended* qrn;

  // The singleton as a pointer, created on the first call.
  static QuarnelExtended* bind_instance();
  // Destroys the singleton if it exists; configuration and working objects stay.
  static void release_instance();

  IDManager* get_id_manager();
  BasicClauseSet* get_clause_set();

  void init() override;
  void reset() override;
  void set_prob_plain_maxsat() override;
  void set_prob_partial_maxsat() override;
  void set_prob_weighted_maxsat() override;
  void set_prob_soft_cnf() override;
  void set_release(const char* rel) override;
  void set_algorithm(const char* alg) override;
  void set_card_encoding(const char* enc) override;
  void set_relate_relax_vars(int thres) override;
  void set_use_added_cls() override;
  void set_bmo_mode() override;
  void set_enumerate_models() override;
  void set_enumerate_models(long ncubes) override;
  bool get_enum_models() override;
  void set_enum_orig_vars() override;
  void set_enum_relax_vars() override;
  bool load_file(const char* fname) override;
  QRNCl* add_clause(long n, const long* lits) override;
  QRNCl* add_clause(std::vector<long>& lits) override;
  QRNCl* add_unit_clause(long l1) override;
  QRNCl* add_binary_clause(long l1, long l2) override;
  QRNCl* add_ternary_clause(long l1, long l2, long l3) override;
  void set_clause_hard(QRNCl* cl) override;
  void set_clause_soft(QRNCl* cl) override;
  void set_clause_soft_group(QRNCl* cl, long grp) override;
  void set_clause_weight(QRNCl* cl, long w) override;
  bool solve() override;
  bool iter_solve() override;
  long get_num_init_vars() override;
  long get_num_init_cls() override;
  long get_min_unsat_cost() override;
  int get_var(long var) override;
  void get_model(std::vector<int>& model) override;
  void get_relaxation_vars(std::vector<long>& rvars) override;
  bool chk_unsat_clause(QRNCl* cl) override;
  void prt_all_unsat_clauses() override;
  void set_runtime_defaults() override;
  void set_compute_model() override;
  void unset_compute_model() override;
  bool get_compute_model() override;
  void set_timeout(long secs) override;
  void set_verbosity(int v) override;
  int get_verbosity() override;
  void set_logging() override;
  bool get_logging() override;
  void set_comp_format() override;
  void unset_comp_format() override;
  bool get_comp_format() override;
  void set_lst_unsat_cls() override;
  void unset_lst_unsat_cls() override;
  bool get_lst_unsat_cls() override;
  void print_stats() override;
  ~QuarnelExtended() override {}
  void set_oll_engine() override;

  // The incremental engine's solution-improving phases: "off", "on" (the default) or "always"
  // (from the first model on). Another word is an error that ends the run.
  void set_anytime_mode(const char* mode);
  // The seed of the incremental engine's local search: a decimal number below 2^64. Another
  // value is an error that ends the run.
  void set_local_search_seed(const char* seed);

  // The evaluation's output conventions ("-mse"): the competition format, the model, the
  // 0/1 "v" line and exit statuses that tell the outcome.
  void set_mse_output();
  // The incremental engine reports its bounds to `listener` while it runs (null: to nobody).
  void set_engine_listener(EngineListener* listener);
  // The incremental engine's latest answer; null before it has run. With it, solve() returns
  // false and iter_solve() ends when the time budget ran out: the answer then holds the best
  // model found (status satisfiable) or none (status unknown), and get_min_unsat_cost() gives
  // that model's cost, or -1.
  const EngineResult* get_engine_result();
  // The cost of the last solve as an unsigned number, exact up to 2^64 - 2; false (and `cost`
  // untouched) when there is none: the hard clauses are unsatisfiable, or no model was found.
  bool get_exact_min_unsat_cost(std::uint64_t& cost);
  // The model as one true literal per variable with a value, in increasing order of variable:
  // the input variables that occur in a clause with the incremental engine, every variable of
  // the default engine's stored model. Unlike get_model(), its size does not depend on how
  // large the variable ids are.
  void get_model_literals(std::vector<int>& lits);
  // The default engine calls `handler` when the time budget runs out, before it gives the
  // warning and ends the run with status 3; the handler may end the run in its own way.
  void set_out_of_time_handler(void (*handler)());

private:
  bool solve_with_oll();
  bool iter_solve_with_oll();
  void store_oll_answer(const EngineResult& r);
  // Records the cost of a solve (`found` false: none) for both cost getters.
  static void store_cost(bool found, Cost cost);
  // Refuses an instance whose soft weights may add up beyond 2^64 - 2 before it is solved, so
  // that no cost is ever printed that could not be exact.
  static void check_cost_range();
  QRNCl* finish_added_clause(QRNCl* cl);
  // The algorithm object of the current instance, made at the first solve; every call hands it
  // the settings of the configuration as it stands now.
  UnsatMaxSATSolver* make_solver();
  void block_last_cube();
};

// The working objects of a run, shared through static members.
class QRNAppObjs {
public:
  static QRNConfig* _config;
  static QRNStats* _stats;
  static IDManager* _imgr;            // created by init, released by reset
  static BasicClauseSet* _clset;      // created by init, released by reset
  static UnsatMaxSATSolver* _solver;  // created by the first solve or iter_solve
  static long _mincost;               // cost found by the first solving call, -1 for none
  static Cost _mincost_exact;         // the same, exact beyond 2^63 - 1, where _mincost stops
  static long _ncubes;                // model cubes counted by iter_solve
  static OllRun* _oll;                // the incremental engine's run, made by its first solve
  static EngineListener* _listener;   // told the incremental engine's bounds
  static void (*_out_of_time)();      // called by the default engine when the budget runs out
};

#endif
