#include "util/stop_signal.hh"

#include <csignal>
#include <initializer_list>

namespace {

volatile std::sig_atomic_t stop_requested = 0;

extern "C" void on_stop_signal(int sig) {
  if (stop_requested != 0 && sig != SIGXCPU) {
    // A second request: the default action of the signal ends the process.
    std::signal(sig, SIG_DFL);
    std::raise(sig);
    return;
  }
  stop_requested = 1;
}

}  // namespace

void install_stop_signal_handlers() {
  struct sigaction action {};
  action.sa_handler = on_stop_signal;
  sigemptyset(&action.sa_mask);
  // Restarting interrupted reads keeps the reader unaware of the signal.
  action.sa_flags = SA_RESTART;
  for (int sig : {SIGTERM, SIGINT, SIGXCPU}) sigaction(sig, &action, nullptr);
}

bool stop_signal_received() { return stop_requested != 0; }
