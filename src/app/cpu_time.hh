// User CPU time of the process, the one clock of the system: progress lines, the final
// "CPU Time" line and the time budget all read it.
#ifndef QUARNEL_APP_CPU_TIME_HH
#define QUARNEL_APP_CPU_TIME_HH

// Seconds plus microseconds / 1e6 of the process's user time (system time is not counted).
double cpu_time();

#endif
