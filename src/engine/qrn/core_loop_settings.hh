// What the core-guided algorithms need to know about a run. The facade fills one record from
// the configuration before every solve and hands it to the algorithm object, which keeps its
// own copy: within one solve nothing changes under the loop.
#ifndef QUARNEL_ENGINE_QRN_CORE_LOOP_SETTINGS_HH
#define QUARNEL_ENGINE_QRN_CORE_LOOP_SETTINGS_HH

#include <functional>

#include "config/qrn_config.hh"

struct CoreLoopSettings {
  int problem_type = MS_PLAIN;          // an MS_Problems value: how a core's clauses are relaxed
  int encoding = QRN_ENC_BITWISE;       // a QRNEncodings value for every at-most-one constraint
  bool relate_relax_vars = false;       // at most one relaxation variable true per clause ("-m")
  int relate_relax_vars_thres = 3;      // ... once a clause has this many (compared unsigned)
  bool use_added_relax_cls = false;     // tie relaxation variables to their clause's falsity ("-p")
  bool keep_model = false;              // store the model of the satisfiable call
  long timeout = 86400;                 // CPU budget in seconds, read as unsigned
  bool comp_format = false;             // progress lines start with "c "
  bool report_bounds = false;           // print every new lower bound
  bool report_sat_calls = false;        // print every core and the final satisfiable call
  // Polled inside SAT calls and after every core: true ends the run with "s UNKNOWN".
  std::function<bool()> stop_requested = [] { return false; };
  // Called when the budget runs out, before the warning "CPU time exceeded" and exit status 3;
  // it may end the process in its own way instead.
  void (*on_out_of_time)() = nullptr;
};

#endif
