// The facade operations that do work: creating a run's objects, loading or adding clauses,
// solving once or enumerating optimal model cubes, and reading results back.
//
// Enumeration: each iter_solve() after the first found cube first adds one hard clause that
// excludes the cube just found (over the relaxation variables by default, over the input
// variables with "-so"), then runs the engine again on the same, already relaxed formula. The
// engine reports the cost added by that call, so 0 means another cube of the optimal cost, and
// anything else ends the enumeration.
#include <cstdlib>
#include <iostream>
#include <vector>

#include "util/logger.hh"
#include "util/runtime_msgs.hh"
#include "util/stop_signal.hh"
#include "clauses/basic_clause_set.hh"
#include "clauses/id_manager.hh"
#include "engine/qrn/qrn1.hh"
#include "engine/qrn/placeholder_algorithms.hh"
#include "facade/oll_run.hh"
#include "facade/qrnapp.hh"
#include "input/read_input.hh"

namespace {

// Number of input variables when the algorithm object was made: the basis of cube exclusion
// over input variables; every variable above it was handed out for this instance only.
long enum_input_vars = 0;

// Releases the objects of the current instance and restarts the cube count. The algorithm
// object holds references to the clause set and the allocator, so it goes with them, and a
// later init() and solve() start afresh. The clauses that mention a variable above the
// instance's own (relaxed clauses, constraints, blocking clauses) go as well: the next
// instance hands out the same ids again, and such a clause left in the registry would stand
// in for the next instance's own clause with the same literals. Clauses over input variables
// only stay in the registry, like every clause.
void release_run_objects() {
  delete QRNAppObjs::_oll;
  QRNAppObjs::_oll = nullptr;
  const bool solved = QRNAppObjs::_solver != nullptr;
  delete QRNAppObjs::_solver;
  QRNAppObjs::_solver = nullptr;
  BasicClauseSet* clset = QRNAppObjs::_clset;
  if (clset != nullptr && solved) {
    std::vector<BasicClause*> engine_cls;
    for (BasicClause* cl : *clset)
      for (long lit : *cl)
        if (std::labs(lit) > enum_input_vars) {
          engine_cls.push_back(cl);
          break;
        }
    for (BasicClause* cl : engine_cls) clset->remove_clause(cl);
  }
  delete QRNAppObjs::_clset;
  QRNAppObjs::_clset = nullptr;
  delete QRNAppObjs::_imgr;
  QRNAppObjs::_imgr = nullptr;
  QRNAppObjs::_ncubes = 0;
}

// The model that the default engine stored at its last satisfiable call (entry v-1 for variable
// v), or null before it has run.
const std::vector<int>* default_engine_model() {
  return QRNAppObjs::_solver == nullptr ? nullptr : &QRNAppObjs::_solver->get_model();
}

// The configuration as the core-guided algorithms see it for the whole of one instance.
CoreLoopSettings core_loop_settings() {
  CoreLoopSettings s;
  s.problem_type = QRNConfig::qrntype;
  s.encoding = QRNConfig::qrnenc;
  s.relate_relax_vars = QRNConfig::relate_relax_vars;
  s.relate_relax_vars_thres = QRNConfig::relate_relax_vars_thres;
  s.use_added_relax_cls = QRNConfig::use_added_relax_cls;
  s.keep_model = QRNConfig::enum_models || QRNConfig::lst_model;
  s.timeout = QRNConfig::tool_timeout;
  s.comp_format = QRNConfig::comp_format;
  s.report_bounds = QRNConfig::verbosity > 0;
  s.report_sat_calls = Logger::verbosity > 1;
  s.stop_requested = stop_signal_received;
  s.on_out_of_time = QRNAppObjs::_out_of_time;
  return s;
}

void check_literals(const long* begin, const long* end) {
  for (const long* l = begin; l != end; ++l)
    if (*l == 0 || *l > max_literal || *l < -max_literal) Abort("Literal out of range");
}

}  // namespace

void QuarnelExtended::init() {
  // A second init without reset starts a new instance; the earlier objects are released.
  release_run_objects();
  QRNAppObjs::_imgr = new IDManager();
  QRNAppObjs::_clset = new BasicClauseSet();
  LogUtils::set_tool_log_names("Quarnel", "QRN");
}

void QuarnelExtended::reset() { release_run_objects(); }

bool QuarnelExtended::load_file(const char* fname) {
  if (fname == nullptr) return false;
  if (QRNAppObjs::_clset == nullptr) init();
  const bool report_progress = !QRNConfig::comp_format && Logger::verbosity >= 2;
  QRNConfig::qrntype =
      read_input_file(fname, *QRNAppObjs::_imgr, *QRNAppObjs::_clset, report_progress);
  return true;
}

QRNCl* QuarnelExtended::finish_added_clause(QRNCl* cl) {
  // Literals are sorted by variable, so the last one names the largest variable; raising the
  // top id past it keeps relaxation and auxiliary variables clear of the caller's variables.
  if (cl->size() > 0) {
    long var = std::labs(cl->get_lits().back());
    if (var > QRNAppObjs::_imgr->get_top_id()) QRNAppObjs::_imgr->set_top_id(var);
  }
  return cl;
}

QRNCl* QuarnelExtended::add_clause(long n, const long* lits) {
  if (QRNAppObjs::_clset == nullptr) init();
  check_literals(lits, lits + n);
  return finish_added_clause(QRNAppObjs::_clset->add_clause(static_cast<int>(n), lits));
}

QRNCl* QuarnelExtended::add_clause(std::vector<long>& lits) {
  if (QRNAppObjs::_clset == nullptr) init();
  check_literals(lits.data(), lits.data() + lits.size());
  return finish_added_clause(QRNAppObjs::_clset->add_clause(lits));
}

QRNCl* QuarnelExtended::add_unit_clause(long l1) {
  const long lits[] = {l1};
  return add_clause(1, lits);
}

QRNCl* QuarnelExtended::add_binary_clause(long l1, long l2) {
  const long lits[] = {l1, l2};
  return add_clause(2, lits);
}

QRNCl* QuarnelExtended::add_ternary_clause(long l1, long l2, long l3) {
  const long lits[] = {l1, l2, l3};
  return add_clause(3, lits);
}

void QuarnelExtended::set_clause_hard(QRNCl* cl) { QRNAppObjs::_clset->set_cl_hard(cl); }
void QuarnelExtended::set_clause_soft(QRNCl* cl) { QRNAppObjs::_clset->set_cl_soft(cl); }

void QuarnelExtended::set_clause_soft_group(QRNCl* cl, long grp) {
  QRNAppObjs::_clset->set_cl_group(cl, grp);
}

void QuarnelExtended::set_clause_weight(QRNCl* cl, long w) {
  QRNAppObjs::_clset->set_cl_weight(cl, static_cast<Cost>(w));
}

UnsatMaxSATSolver* QuarnelExtended::make_solver() {
  if (QRNAppObjs::_solver != nullptr) {
    QRNAppObjs::_solver->set_settings(core_loop_settings());
    return QRNAppObjs::_solver;
  }
  if (QRNAppObjs::_clset == nullptr) init();
  IDManager& imgr = *QRNAppObjs::_imgr;
  BasicClauseSet& clset = *QRNAppObjs::_clset;
  enum_input_vars = imgr.get_top_id();
  const CoreLoopSettings settings = core_loop_settings();
  switch (QRNConfig::qrnalg) {
    case QRN_ALG_1: QRNAppObjs::_solver = new QRN1(imgr, clset, settings); break;
    case QRN_ALG_2: QRNAppObjs::_solver = new QRN2(imgr, clset, settings); break;
    case QRN_ALG_3: QRNAppObjs::_solver = new QRN3(imgr, clset, settings); break;
    case QRN_ALG_31: QRNAppObjs::_solver = new QRN31(imgr, clset, settings); break;
    case QRN_ALG_4: QRNAppObjs::_solver = new QRN4(imgr, clset, settings); break;
    default: Abort("Unavailable QRN algorithm");
  }
  return QRNAppObjs::_solver;
}

bool QuarnelExtended::solve() {
  if (QRNAppObjs::_clset == nullptr) init();
  QRNStats::_num_init_vars = QRNAppObjs::_imgr->get_top_id();
  QRNStats::_num_init_cls = static_cast<long>(QRNAppObjs::_clset->size());
  if (QRNConfig::use_oll) return solve_with_oll();
  check_cost_range();
  Cost cost = 0;
  const bool found = make_solver()->solve_exact(cost);
  store_cost(found, cost);
  return true;
}

void QuarnelExtended::block_last_cube() {
  const std::vector<int>& model = QRNAppObjs::_solver->get_model();
  std::vector<long> blocking;
  auto block_var = [&](long var) {
    if (var < 1 || static_cast<std::size_t>(var) > model.size()) return;
    int value = model[var - 1];
    if (value > 0) blocking.push_back(-var);
    if (value < 0) blocking.push_back(var);
  };
  if (QRNConfig::enum_rv) {
    for (const auto& entry : QRNAppObjs::_solver->get_rvar_cl_map()) block_var(entry.first);
  } else {
    for (long var = 1; var <= enum_input_vars; ++var) block_var(var);
  }
  // Without any relaxation variable the optimum has one cube, and the blocking clause is empty.
  BasicClauseSet& clset = *QRNAppObjs::_clset;
  clset.set_cltype(CL_HARD);
  clset.add_clause(blocking);
}

bool QuarnelExtended::iter_solve() {
  if (!QRNConfig::enum_models) return false;
  if (QRNConfig::use_oll) return iter_solve_with_oll();
  if (QRNAppObjs::_ncubes == 0) check_cost_range();
  UnsatMaxSATSolver* solver = make_solver();
  if (QRNAppObjs::_ncubes > 0) block_last_cube();
  Cost r = 0;
  const bool found = solver->solve_exact(r);
  if (QRNAppObjs::_ncubes == 0)
    store_cost(found, r);
  else if (!found || r != 0)
    return false;
  QRNAppObjs::_ncubes += 1;
  return get_enum_models();
}

int QuarnelExtended::get_var(long) { Abort("Unable to provide models"); }

void QuarnelExtended::get_model(std::vector<int>& model) {
  if (QRNAppObjs::_oll != nullptr)
    QRNAppObjs::_oll->model_by_variable(model);
  else if (const std::vector<int>* stored = default_engine_model())
    model.insert(model.end(), stored->begin(), stored->end());
}

void QuarnelExtended::get_model_literals(std::vector<int>& lits) {
  if (QRNAppObjs::_oll != nullptr) {
    QRNAppObjs::_oll->model_literals(lits);
  } else if (const std::vector<int>* stored = default_engine_model()) {
    for (std::size_t k = 1; k <= stored->size(); ++k) {
      const int var = static_cast<int>(k);
      if ((*stored)[k - 1] != 0) lits.push_back((*stored)[k - 1] > 0 ? var : -var);
    }
  }
}

void QuarnelExtended::set_out_of_time_handler(void (*handler)()) { QRNAppObjs::_out_of_time = handler; }

void QuarnelExtended::check_cost_range() {
  // Soft-CNF weights are group ids, not costs.
  if (QRNConfig::qrntype == MS_SOFTCNF || QRNAppObjs::_clset == nullptr) return;
  const BasicClauseSet& clset = *QRNAppObjs::_clset;
  Cost total = 0;
  for (const BasicClause* cl : clset)
    if (!clset.is_hard(cl)) total = saturating_add(total, cl->get_weight());
  if (total > max_total_cost) Abort("Cost out of range");
}

void QuarnelExtended::get_relaxation_vars(std::vector<long>& rvars) {
  if (QRNAppObjs::_solver == nullptr) return;
  for (const auto& entry : QRNAppObjs::_solver->get_rvar_cl_map()) rvars.push_back(entry.first);
}

bool QuarnelExtended::chk_unsat_clause(QRNCl* cl) {
  if (QRNAppObjs::_oll != nullptr) return QRNAppObjs::_oll->falsifies(cl, *QRNAppObjs::_clset);
  if (QRNAppObjs::_solver == nullptr) return false;
  const auto* rvars = QRNAppObjs::_solver->get_clause_rvars(cl);
  if (rvars == nullptr) return false;
  const std::vector<int>& model = QRNAppObjs::_solver->get_model();
  // A relaxation variable beyond the stored model (no model kept) counts as not true.
  for (long rv : *rvars)
    if (static_cast<std::size_t>(rv) <= model.size() && model[rv - 1] > 0) return true;
  return false;
}

void QuarnelExtended::prt_all_unsat_clauses() {
  const char* prefix = QRNConfig::comp_format ? "c " : "";
  std::cout << prefix << "Unsat Clauses:\n";
  if (QRNAppObjs::_clset == nullptr) return;
  for (BasicClause* cl : *QRNAppObjs::_clset) {
    if (!chk_unsat_clause(cl)) continue;
    std::cout << prefix;
    // Relaxation literals carry the largest ids and come last; the input literals end there.
    for (long lit : *cl) {
      if (std::labs(lit) > QRNStats::_num_init_vars) break;
      std::cout << lit << ' ';
    }
    std::cout << "0" << std::endl;
  }
}

void QuarnelExtended::print_stats() {
  Info("No stats currently provided by Quarnel");
  std::exit(3);
}
