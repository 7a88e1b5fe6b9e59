// The facade operations of the incremental engine. The clause set is read through a snapshot
// and never changed, so the engine leaves the instance as it was loaded. The configuration is
// read here, once per run, and handed to the engine as options.
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <string>
#include <new>

#include "util/cpu_time.hh"
#include "util/memory_budget.hh"
#include "util/runtime_msgs.hh"
#include "util/stop_signal.hh"
#include "facade/oll_run.hh"
#include "facade/qrnapp.hh"

namespace {

EngineOptions engine_options() {
  EngineOptions options;
  const double budget = cpu_budget_seconds(QRNConfig::tool_timeout);
  // A stop signal ends the run as a spent budget does.
  options.out_of_time = [budget] { return stop_signal_received() || cpu_time_reached(budget); };
  options.listener = QRNAppObjs::_listener;
  options.anytime = static_cast<AnytimeMode>(QRNConfig::anytime_mode);
  options.seed = QRNConfig::local_search_seed;
  return options;
}

}  // namespace

void QuarnelExtended::set_oll_engine() { QRNConfig::use_oll = true; }

void QuarnelExtended::set_anytime_mode(const char* mode) {
  static const char* const modes[] = {"off", "on", "always"};
  for (int m = 0; m < 3; ++m)
    if (std::strcmp(mode, modes[m]) == 0) {
      QRNConfig::anytime_mode = m;
      return;
    }
  Abort(std::string("Invalid anytime mode: ") + mode + " (off, on or always)");
}

void QuarnelExtended::set_local_search_seed(const char* seed) {
  // Digits only: strtoull would take a sign, blanks and a wrapped negative number.
  errno = 0;
  char* end = nullptr;
  const unsigned long long value = std::strtoull(seed, &end, 10);
  if (*seed < '0' || *seed > '9' || *end != '\0' || errno == ERANGE)
    Abort(std::string("Invalid seed: ") + seed + " (a number from 0 to 18446744073709551615)");
  QRNConfig::local_search_seed = value;
}

void QuarnelExtended::set_engine_listener(EngineListener* listener) { QRNAppObjs::_listener = listener; }

const EngineResult* QuarnelExtended::get_engine_result() {
  return QRNAppObjs::_oll == nullptr ? nullptr : &QRNAppObjs::_oll->result();
}

void QuarnelExtended::store_oll_answer(const EngineResult& r) {
  switch (r.status) {
    case EngineStatus::internal_error: Abort("Internal error: " + r.error);
    case EngineStatus::optimum:
    case EngineStatus::satisfiable: store_cost(true, r.cost); break;
    case EngineStatus::unsatisfiable:
    case EngineStatus::unknown: store_cost(false, 0); break;
  }
}

bool QuarnelExtended::solve_with_oll() {
  // Soft-CNF weights are group ids, not costs.
  if (QRNConfig::qrntype == MS_SOFTCNF) Abort("Currently unable to solve SoftCNF problems");
  check_cost_range();
  delete QRNAppObjs::_oll;
  QRNAppObjs::_oll = nullptr;
  try {
    QRNAppObjs::_oll = new OllRun(*QRNAppObjs::_clset, engine_options(), !QRNConfig::enum_models);
    require_memory(QRNAppObjs::_oll->sat_memory_estimate());
    QRNAppObjs::_oll->solve();
  } catch (const std::bad_alloc&) {
    out_of_memory();
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
      out_of_memory();
    }
    if (r.status == EngineStatus::internal_error) Abort("Internal error: " + r.error);
    if (r.status != EngineStatus::optimum) return false;
  }
  QRNAppObjs::_ncubes += 1;
  return get_enum_models();
}
