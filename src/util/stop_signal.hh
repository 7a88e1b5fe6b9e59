// Stopping a run from outside. A batch system, an evaluation harness or a person at the terminal
// ends a solver with SIGTERM or Ctrl-C (SIGINT), and a CPU limit set with ulimit sends SIGXCPU.
// The handler only records that such a signal came; the engines poll the record where they poll
// their time budget, stop, and the normal path prints the best answer. A second SIGTERM or SIGINT
// ends the process at once, as users expect from a second Ctrl-C. The kernel repeats SIGXCPU
// every second past the soft limit, so repeats of it only record the request again.
//
// Only the command-line program installs the handlers: a library that embeds the solver keeps
// its own stop requests.
#ifndef QUARNEL_UTIL_STOP_SIGNAL_HH
#define QUARNEL_UTIL_STOP_SIGNAL_HH

void install_stop_signal_handlers();

// Whether SIGTERM, SIGINT or SIGXCPU has come since the handlers were installed.
bool stop_signal_received();

#endif
