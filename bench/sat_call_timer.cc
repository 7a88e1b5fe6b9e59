// Profiling build of the solver (quarnel_satprof): the same program as quarnel, linked with
// wrappers around four calls of the SAT library (-Wl,--wrap=...), so that one run tells where
// its CPU time goes. Each SAT call of the bridge is cut into three stretches:
//   load:  picosat_init ... picosat_set_global_default_phase (new solver, every clause added);
//   sat:   picosat_sat, the search itself;
//   after: from the end of the search to the end of picosat_reset (core or model read back,
//          solver released).
// Everything else (reading the instance, relaxing cores, encodings, printing) is "rest". At exit
// the totals go to standard error in one line, with the share of the process's CPU time spent
// outside picosat_sat. Only a handful of clock reads per SAT call are added, none per literal.
#include <time.h>

#include <cstdio>
#include <cstdlib>

extern "C" {
#include <picosat/picosat.h>

PicoSAT* __real_picosat_init(void);
PicoSAT* __wrap_picosat_init(void);
void __real_picosat_set_global_default_phase(PicoSAT*, int);
void __wrap_picosat_set_global_default_phase(PicoSAT*, int);
int __real_picosat_sat(PicoSAT*, int);
int __wrap_picosat_sat(PicoSAT*, int);
void __real_picosat_reset(PicoSAT*);
void __wrap_picosat_reset(PicoSAT*);
}

namespace {

// CPU time of the process (user and system), in seconds.
double cpu_now() {
  timespec ts;
  clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &ts);
  return static_cast<double>(ts.tv_sec) + static_cast<double>(ts.tv_nsec) * 1e-9;
}

double load_time = 0, sat_time = 0, after_time = 0;
double load_start = 0, after_start = 0;
unsigned long sat_calls = 0;

void report() {
  const double total = cpu_now();
  const double rest = total - load_time - sat_time - after_time;
  const double outside = total - sat_time;
  std::fprintf(stderr,
               "satprof: cpu %.3f s, sat calls %lu, load %.3f s, sat %.3f s, after %.3f s, "
               "rest %.3f s, outside picosat_sat %.2f%%\n",
               total, sat_calls, load_time, sat_time, after_time, rest,
               total > 0 ? 100.0 * outside / total : 0.0);
}

struct ReportAtExit {
  ReportAtExit() { std::atexit(report); }
} report_at_exit;

}  // namespace

PicoSAT* __wrap_picosat_init(void) {
  load_start = cpu_now();
  return __real_picosat_init();
}

void __wrap_picosat_set_global_default_phase(PicoSAT* ps, int phase) {
  load_time += cpu_now() - load_start;
  __real_picosat_set_global_default_phase(ps, phase);
}

int __wrap_picosat_sat(PicoSAT* ps, int limit) {
  const double start = cpu_now();
  const int outcome = __real_picosat_sat(ps, limit);
  after_start = cpu_now();
  sat_time += after_start - start;
  ++sat_calls;
  return outcome;
}

void __wrap_picosat_reset(PicoSAT* ps) {
  __real_picosat_reset(ps);
  after_time += cpu_now() - after_start;
}
