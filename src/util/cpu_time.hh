// User CPU time of the process, the one clock of the system: progress lines, the final
// "CPU Time" line and the "-T" budget of every engine read it. Nothing else in the solver reads
// a clock: the incremental engine decides when to switch between its phases by counters of
// effort, so that a run takes the same path on a loaded machine as on an idle one. (The Python
// module's time limit is wall-clock time, which it measures itself.)
#ifndef QUARNEL_UTIL_CPU_TIME_HH
#define QUARNEL_UTIL_CPU_TIME_HH

// Seconds plus microseconds / 1e6 of the process's user time (system time is not counted).
double cpu_time();

// The seconds of a "-T" budget. The value is read as an unsigned number: a negative budget
// means no practical limit, and budgets beyond 2^32 seconds stay large instead of wrapping.
inline double cpu_budget_seconds(long timeout) {
  return static_cast<double>(static_cast<unsigned long>(timeout));
}

// Whether cpu_time() has reached `budget` seconds. Cheaper than comparing cpu_time() when the
// budget is still far: the process's CPU clock (user plus system time, never less than the user
// time) is read first, and the user time only once that clock has reached the budget.
bool cpu_time_reached(double budget);

#endif
