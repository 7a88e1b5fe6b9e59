#include "util/cpu_time.hh"

#include <sys/resource.h>
#include <time.h>

double cpu_time() {
  struct rusage usage;
  getrusage(RUSAGE_SELF, &usage);
  return static_cast<double>(usage.ru_utime.tv_sec) +
         static_cast<double>(usage.ru_utime.tv_usec) / 1000000.0;
}

bool cpu_time_reached(double budget) {
  // getrusage(RUSAGE_SELF) can cost far more than a clock read: on some virtual machines it
  // took over half a millisecond when called once per core, which is several percent of a run
  // whose SAT calls are short.
  timespec process;
  if (clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &process) == 0 &&
      static_cast<double>(process.tv_sec) + static_cast<double>(process.tv_nsec) / 1e9 < budget)
    return false;
  return cpu_time() >= budget;
}
