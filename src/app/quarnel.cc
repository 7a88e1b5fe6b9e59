// The program driver: one command line, one run. It reads the options into the facade, prints
// the banner, has the facade load the instance, then runs the BMO mode, the enumeration of
// optimal model cubes, or a single optimisation, and writes the result lines. Fatal conditions
// end the process where they arise; this file decides only the exit status of a normal end.
// A failed allocation anywhere ends the run with "Out of memory" and exit status 3.
#include <cstdint>
#include <cstdlib>
#include <iostream>
#include <new>
#include <vector>

#include "app/cmdline.hh"
#include "app/result_output.hh"
#include "util/cpu_time.hh"
#include "util/memory_budget.hh"
#include "util/runtime_msgs.hh"
#include "util/stop_signal.hh"
#include "bmo/ubmo.hh"
#include "facade/qrnapp.hh"

namespace {

// The cost of the last solve as printed: exact over the whole range, -1 for none.
void print_cost(QuarnelExtended& q) {
  std::uint64_t cost = 0;
  if (q.get_exact_min_unsat_cost(cost))
    std::cout << cost;
  else
    std::cout << -1;
}

void enumerate_cubes(QuarnelExtended& q) {
  unsigned long count = 0;
  bool first = true;
  while (q.iter_solve()) {
    std::cout << "Computed another MaxSAT model cube";
    if (q.get_verbosity() > 9) {
      std::vector<int> model;
      q.get_model_literals(model);
      std::cout << ": ";
      print_model_literals(model, -1);
    } else {
      std::cout << "\n";
    }
    count += 1;
    if (first) {
      std::cout << "Minimum number of unsatisfied clauses: ";
      print_cost(q);
      std::cout << "\n";
    }
    if (!q.get_enum_models()) break;
    first = false;
  }
  if (q.get_verbosity() > 1) std::cout << "Number of model cubes: " << count << "\n";
}

// The lines after the cost: the model ("-w", or always in the evaluation format), the falsified
// clauses ("-u") and the CPU time.
void print_answer(QuarnelExtended& q, RunOutcome outcome) {
  if (q.get_compute_model() && q.get_verbosity() > 9 && !QRNConfig::comp_format) {
    std::vector<int> model;
    q.get_model_literals(model);
    std::cout << "Computed another MaxSAT model cube: ";
    print_model_literals(model, QRNStats::_num_init_vars);
  } else if (QRNConfig::comp_format) {
    print_v_line(q, outcome);
  }

  if (QRNConfig::lst_unsat_cls) q.prt_all_unsat_clauses();
  if (QRNConfig::comp_format) std::cout << "c CPU Time: " << cpu_time() << "\n";
}

// Returns the exit status.
int optimise_once(QuarnelExtended& q) {
  report_timeouts_as_unknown(q);
  q.solve();
  std::uint64_t cost = 0;
  const bool found = q.get_exact_min_unsat_cost(cost);
  if (QRNConfig::comp_format) {
    if (found) {
      std::cout << "o " << cost << std::endl;
      std::cout << "s OPTIMUM FOUND\n";
    } else {
      std::cout << "s UNSATISFIABLE\n";
    }
  } else {
    std::cout << "Minimum cost of unsatisfied clauses: ";
    print_cost(q);
    std::cout << "\n";
  }
  const RunOutcome outcome = found ? RunOutcome::optimum : RunOutcome::unsatisfiable;
  print_answer(q, outcome);
  return exit_status_of(outcome);
}

// Prints the incremental engine's bounds as they improve: "o" lines for better models in the
// evaluation format, a progress comment for every change of either bound.
class ProgressPrinter : public EngineListener {
public:
  explicit ProgressPrinter(bool o_lines) : o_lines(o_lines) {}

  void on_upper_bound(Cost cost) override {
    upper = cost;
    have_upper = true;
    progress();
    if (o_lines && QRNConfig::comp_format) std::cout << "o " << cost << std::endl;
  }
  void on_lower_bound(Cost bound) override {
    lower = bound;
    progress();
  }

private:
  void progress() const {
    if (QRNConfig::verbosity <= 0) return;
    std::cout << (QRNConfig::comp_format ? "c " : "") << "LB: " << lower << ", UB: ";
    if (have_upper)
      std::cout << upper;
    else
      std::cout << "-";
    std::cout << std::endl;
  }

  bool o_lines;
  bool have_upper = false;
  Cost upper = 0;
  Cost lower = 0;
};

// Ends a run whose budget ran out: status 3, or under "-mse" the status of `outcome`.
[[noreturn]] void out_of_time(RunOutcome outcome) {
  Warn("CPU time exceeded");
  std::exit(QRNConfig::mse_output ? exit_status_of(outcome) : 3);
}

// One optimisation with the incremental engine; returns the exit status. Its "o" lines came
// while it ran, the last one for the printed model. When the budget ran out, the best model
// found is printed as merely satisfying, or "s UNKNOWN" when there is none, and the run ends
// with status 3.
int optimise_with_oll(QuarnelExtended& q) {
  const bool finished = q.solve();
  const EngineResult& r = *q.get_engine_result();
  if (finished) {
    const RunOutcome outcome = r.status == EngineStatus::optimum ? RunOutcome::optimum : RunOutcome::unsatisfiable;
    if (QRNConfig::comp_format) {
      std::cout << (outcome == RunOutcome::optimum ? "s OPTIMUM FOUND\n" : "s UNSATISFIABLE\n");
    } else {
      std::cout << "Minimum cost of unsatisfied clauses: ";
      print_cost(q);
      std::cout << "\n";
    }
    print_answer(q, outcome);
    return exit_status_of(outcome);
  }
  const RunOutcome outcome = r.status == EngineStatus::satisfiable ? RunOutcome::satisfiable : RunOutcome::unknown;
  if (QRNConfig::comp_format) {
    if (outcome == RunOutcome::satisfiable) {
      std::cout << "s SATISFIABLE\n";
      print_v_line(q, outcome);
      if (QRNConfig::lst_unsat_cls) q.prt_all_unsat_clauses();
    } else {
      std::cout << "s UNKNOWN\n";
    }
  }
  out_of_time(outcome);
}

int run(int argc, char** argv) {
  Quarnel& q = Quarnel::instance();
  const char* fname = parse_cmdline_options(q, argc, argv);
  if (fname == nullptr) {
    Warn("Options but no file name provided? Terminating...");
    std::exit(3);
  }
  q.init();
  if (q.get_verbosity() > 0) print_header(q, fname);
  q.load_file(fname);

  QuarnelExtended& qx = *QuarnelExtended::bind_instance();
  int status = 0;
  if (QRNConfig::bmo_mode) {
    UnsatBMOSolver bmo(*qx.get_id_manager(), {q.get_comp_format(), q.get_verbosity() > 3});
    bmo.solve(*qx.get_clause_set());
  } else if (q.get_enum_models()) {
    ProgressPrinter progress(false);
    if (QRNConfig::use_oll) qx.set_engine_listener(&progress);
    enumerate_cubes(qx);
    // The incremental engine ends an enumeration early when the budget runs out.
    const EngineResult* r = QRNConfig::use_oll ? qx.get_engine_result() : nullptr;
    if (r != nullptr && r->status == EngineStatus::satisfiable) out_of_time(RunOutcome::satisfiable);
    if (r != nullptr && r->status == EngineStatus::unknown) out_of_time(RunOutcome::unknown);
  } else if (QRNConfig::use_oll) {
    ProgressPrinter progress(true);
    qx.set_engine_listener(&progress);
    status = optimise_with_oll(qx);
  } else {
    status = optimise_once(qx);
  }
  q.reset();
  return status;
}

}  // namespace

int main(int argc, char** argv) {
  // Every failed allocation of our own code and of the C++ libraries ends here rather than in
  // an exception that may pass through code that cannot handle it; what throws std::bad_alloc
  // by itself is caught around the run.
  std::set_new_handler([] { out_of_memory(); });
  install_stop_signal_handlers();
  try {
    return run(argc, argv);
  } catch (const std::bad_alloc&) {
    out_of_memory();
  }
}
