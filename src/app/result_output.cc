// The model lines and exit statuses of a run. The facade hands the model as a list of true
// literals whose size is the number of variables with a value, never the largest variable id,
// so that an instance naming variable 2000000000 among two variables prints without a table of
// two billion entries. The 0/1 string of "-mse" is as long as the largest variable by
// definition; it is written from the list in blocks of a fixed size.
#include "app/result_output.hh"

#include <cstdlib>
#include <iostream>

#include "util/runtime_msgs.hh"
#include "facade/qrnapp.hh"

namespace {

// Writes "v " and one character per variable 1..nvars: '1' for a positive literal of `lits`,
// '0' for a negative one or none.
void print_bit_string(const std::vector<int>& lits, long nvars) {
  constexpr std::size_t block = 1 << 16;
  char buf[block];
  std::size_t used = 0;
  auto next = lits.begin();
  std::cout << "v ";
  for (long var = 1; var <= nvars; ++var) {
    while (next != lits.end() && std::labs(*next) < var) ++next;
    buf[used++] = next != lits.end() && *next == var ? '1' : '0';
    if (used == block) {
      std::cout.write(buf, static_cast<std::streamsize>(used));
      used = 0;
    }
  }
  std::cout.write(buf, static_cast<std::streamsize>(used));
  std::cout << "\n";
}

}  // namespace

void print_model_literals(const std::vector<int>& lits, long bound) {
  for (int lit : lits) {
    if (bound >= 0 && std::labs(lit) > bound) break;
    std::cout << lit << ' ';
  }
  std::cout << "\n";
}

void print_v_line(QuarnelExtended& q, RunOutcome outcome) {
  const bool has_model = outcome == RunOutcome::optimum || outcome == RunOutcome::satisfiable;
  if (QRNConfig::mse_output && !has_model) return;
  std::vector<int> lits;
  q.get_model_literals(lits);
  if (QRNConfig::mse_output) {
    print_bit_string(lits, QRNStats::_num_init_vars);
  } else {
    std::cout << "v ";
    print_model_literals(lits, QRNStats::_num_init_vars);
  }
}

int exit_status_of(RunOutcome outcome) {
  if (!QRNConfig::mse_output) return 0;
  switch (outcome) {
    case RunOutcome::optimum: return 30;
    case RunOutcome::unsatisfiable: return 20;
    case RunOutcome::satisfiable: return 10;
    case RunOutcome::unknown: break;
  }
  return 0;
}

void report_timeouts_as_unknown(QuarnelExtended& q) {
  if (!QRNConfig::mse_output) return;
  q.set_out_of_time_handler([] {
    if (QRNConfig::comp_format) std::cout << "s UNKNOWN\n";
    Warn("CPU time exceeded");
    std::exit(exit_status_of(RunOutcome::unknown));
  });
}
