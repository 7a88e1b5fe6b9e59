// The facade operations of the incremental engine. The clause set is read through a snapshot
// and never changed, so the engine leaves the instance as it was loaded. The configuration is
// read here, once per run, and handed to the engine as options.
#include <limits>
#include <new>

#include "util/cpu_time.hh"
#include "util/runtime_msgs.hh"
#include "util/stop_signal.hh"
#include "facade/oll_run.hh"
#include "facade/qrnapp.hh"

namespace {

constexpr int max_oll_variable = 1 << 25;

EngineOptions engine_options() {
  EngineOptions options;
  // The budget is read as an unsigned number, as the default engine reads it: a negative "-T"
  // value means no practical limit.
  const double budget = static_cast<double>(static_cast<unsigned long>(QRNConfig::tool_timeout));
  // A stop signal ends the run as a spent budget does.
  options.out_of_time = [budget] { return stop_signal_received() || cpu_time_reached(budget); };
  options.listener = QRNAppObjs::_listener;
  return options;
}

// Costs leave the facade as signed 64-bit numbers, -1 for unsatisfiable hard clauses.
long facade_cost(Cost cost) {
  if (cost > static_cast<Cost>(std::numeric_limits<long>::max())) Abort("Cost out of range");
  return static_cast<long>(cost);
}

}  // namespace

void QuarnelExtended::set_oll_engine() { QRNConfig::use_oll = true; }

void QuarnelExtended::set_engine_listener(EngineListener* listener) { QRNAppObjs::_listener = listener; }

const EngineResult* QuarnelExtended::get_engine_result() {
  return QRNAppObjs::_oll == nullptr ? nullptr : &QRNAppObjs::_oll->result();
}

void QuarnelExtended::store_oll_answer(const EngineResult& r) {
  switch (r.status) {
    case EngineStatus::internal_error: Abort("Internal error: " + r.error);
    case EngineStatus::optimum:
    case EngineStatus::satisfiable: QRNAppObjs::_mincost = facade_cost(r.cost); break;
    case EngineStatus::unsatisfiable:
    case EngineStatus::unknown: QRNAppObjs::_mincost = -1; break;
  }
}

bool QuarnelExtended::solve_with_oll() {
  // Soft-CNF weights are group ids, not costs.
  if (QRNConfig::qrntype == MS_SOFTCNF) Abort("Currently unable to solve SoftCNF problems");
  delete QRNAppObjs::_oll;
  QRNAppObjs::_oll = nullptr;
  try {
    QRNAppObjs::_oll = new OllRun(*QRNAppObjs::_clset, engine_options(), !QRNConfig::enum_models);
    // The SAT solver allocates some 170 bytes per variable up to the largest one, whether the
    // variables occur or not: an id far beyond real instances would only end in an allocation
    // failure (or the kernel's out-of-memory killer).
    if (QRNAppObjs::_oll->num_vars() > max_oll_variable) Abort("Variable out of range");
    QRNAppObjs::_oll->solve();
  } catch (const std::bad_alloc&) {
    Abort("Out of memory");
  }
  const EngineResult& r = QRNAppObjs::_oll->result();
  store_oll_answer(r);
  return r.status == EngineStatus::optimum || r.status == EngineStatus::unsatisfiable;
}

// The first call optimises; each later one asks for an optimal model that differs from the
// ones before, in the falsified soft clauses ("-sr") or in the input variables ("-so").
bool QuarnelExtended::iter_solve_with_oll() {
  if (QRNAppObjs::_ncubes == 0) {
    if (!solve_with_oll()) return false;
  } else {
    if (QRNAppObjs::_oll == nullptr) return false;
    const CubeKind kind = QRNConfig::enum_rv ? CubeKind::falsified_softs : CubeKind::input_values;
    EngineResult r;
    try {
      r = QRNAppObjs::_oll->next_optimal(kind);
    } catch (const std::bad_alloc&) {
      Abort("Out of memory");
    }
    if (r.status == EngineStatus::internal_error) Abort("Internal error: " + r.error);
    if (r.status != EngineStatus::optimum) return false;
  }
  QRNAppObjs::_ncubes += 1;
  return get_enum_models();
}
