// User CPU time of the process, the one clock of the system: progress lines, the final
// "CPU Time" line and the time budget all read it.
#ifndef QUARNEL_UTIL_CPU_TIME_HH
#define QUARNEL_UTIL_CPU_TIME_HH

// Seconds plus microseconds / 1e6 of the process's user time (system time is not counted).
double cpu_time();

// Whether cpu_time() has reached `budget` seconds. Cheaper than comparing cpu_time() when the
// budget is still far: the process's CPU clock (user plus system time, never less than the user
// time) is read first, and the user time only once that clock has reached the budget.
bool cpu_time_reached(double budget);

#endif
