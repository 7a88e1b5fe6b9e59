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
//
// A run cut short still reports: the solver's own time budget ("-T") ends the process through
// exit(), and a CPU limit (SIGXCPU from "ulimit -S -t") is caught as a backstop for a single SAT
// call that outlasts the budget; the stretch in progress is counted up to that moment.
#include <signal.h>
#include <time.h>
#include <unistd.h>

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

enum Stretch { REST, LOAD, SAT, AFTER };
double totals[4] = {0, 0, 0, 0};
volatile Stretch current = REST;
double stretch_start = 0;
unsigned long sat_calls = 0;

// Ends the current stretch (REST keeps no account of its own) and starts the next.
void enter(Stretch next) {
  const double now = cpu_now();
  if (current != REST) totals[current] += now - stretch_start;
  current = next;
  stretch_start = now;
}

void report_line(const char* how) {
  enter(REST);
  const double total = cpu_now();
  const double rest = total - totals[LOAD] - totals[SAT] - totals[AFTER];
  char line[320];
  const int len = std::snprintf(
      line, sizeof line,
      "satprof: cpu %.3f s, sat calls %lu, load %.3f s, sat %.3f s, after %.3f s, rest %.3f s, "
      "outside picosat_sat %.2f%%%s\n",
      total, sat_calls, totals[LOAD], totals[SAT], totals[AFTER], rest,
      total > 0 ? 100.0 * (total - totals[SAT]) / total : 0.0, how);
  if (len > 0) (void)!write(STDERR_FILENO, line, static_cast<std::size_t>(len));
}

void report() { report_line(""); }

void report_cpu_limit(int) {
  report_line(" (cut by the CPU limit)");
  _exit(128 + SIGXCPU);
}

struct ReportAtExit {
  ReportAtExit() {
    std::atexit(report);
    signal(SIGXCPU, report_cpu_limit);
  }
} report_at_exit;

}  // namespace

PicoSAT* __wrap_picosat_init(void) {
  enter(LOAD);
  return __real_picosat_init();
}

void __wrap_picosat_set_global_default_phase(PicoSAT* ps, int phase) {
  enter(REST);
  __real_picosat_set_global_default_phase(ps, phase);
}

int __wrap_picosat_sat(PicoSAT* ps, int limit) {
  enter(SAT);
  const int outcome = __real_picosat_sat(ps, limit);
  enter(AFTER);
  ++sat_calls;
  return outcome;
}

void __wrap_picosat_reset(PicoSAT* ps) {
  __real_picosat_reset(ps);
  enter(REST);
}
