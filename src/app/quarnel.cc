// The program driver: one command line, one run. It reads the options into the facade, prints
// the banner, has the facade load the instance, then runs the BMO mode, the enumeration of
// optimal model cubes, or a single optimisation, and writes the result lines. Fatal conditions
// end the process where they arise; this file decides only the exit status of a normal end.
#include <cstdlib>
#include <iostream>
#include <vector>

#include "app/cmdline.hh"
#include "util/cpu_time.hh"
#include "util/runtime_msgs.hh"
#include "util/stop_signal.hh"
#include "bmo/ubmo.hh"
#include "facade/qrnapp.hh"

namespace {

// Writes the literals of `model` (entry k-1 for variable k), each followed by a blank, for
// variables up to `bound` (all of them when bound is negative); unassigned variables are omitted.
void print_model_literals(const std::vector<int>& model, long bound) {
  for (std::size_t k = 1; k <= model.size(); ++k) {
    if (bound >= 0 && static_cast<long>(k) > bound) break;
    int value = model[k - 1];
    if (value > 0) std::cout << k << ' ';
    if (value < 0) std::cout << '-' << k << ' ';
  }
  std::cout << "\n";
}

void enumerate_cubes(Quarnel& q) {
  unsigned long count = 0;
  bool first = true;
  while (q.iter_solve()) {
    std::cout << "Computed another MaxSAT model cube";
    if (q.get_verbosity() > 9) {
      std::vector<int> model;
      q.get_model(model);
      std::cout << ": ";
      print_model_literals(model, -1);
    } else {
      std::cout << "\n";
    }
    count += 1;
    if (first) std::cout << "Minimum number of unsatisfied clauses: " << q.get_min_unsat_cost() << "\n";
    if (!q.get_enum_models()) break;
    first = false;
  }
  if (q.get_verbosity() > 1) std::cout << "Number of model cubes: " << count << "\n";
}

// The lines after the cost: the model ("-w", or always in the evaluation format), the falsified
// clauses ("-u") and the CPU time.
void print_answer(Quarnel& q) {
  if (q.get_compute_model() && q.get_verbosity() > 9 && !QRNConfig::comp_format) {
    std::vector<int> model;
    q.get_model(model);
    std::cout << "Computed another MaxSAT model cube: ";
    print_model_literals(model, QRNStats::_num_init_vars);
  } else if (QRNConfig::comp_format) {
    std::vector<int> model;
    q.get_model(model);
    std::cout << "v ";
    print_model_literals(model, QRNStats::_num_init_vars);
  }

  if (QRNConfig::lst_unsat_cls) q.prt_all_unsat_clauses();
  if (QRNConfig::comp_format) std::cout << "c CPU Time: " << cpu_time() << "\n";
}

void optimise_once(Quarnel& q) {
  q.solve();
  long cost = q.get_min_unsat_cost();
  if (QRNConfig::comp_format) {
    if (cost >= 0) {
      std::cout << "o " << cost << std::endl;
      std::cout << "s OPTIMUM FOUND\n";
    } else {
      std::cout << "s UNSATISFIABLE\n";
    }
  } else {
    std::cout << "Minimum cost of unsatisfied clauses: " << cost << "\n";
  }
  print_answer(q);
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

[[noreturn]] void out_of_time() {
  Warn("CPU time exceeded");
  std::exit(3);
}

// One optimisation with the incremental engine. Its "o" lines came while it ran, the last one
// for the printed model. When the budget ran out, the best model found is printed as merely
// satisfying, or "s UNKNOWN" when there is none, and the run ends with status 3.
void optimise_with_oll(QuarnelExtended& q) {
  const bool finished = q.solve();
  const EngineResult& r = *q.get_engine_result();
  if (finished) {
    if (QRNConfig::comp_format) {
      std::cout << (r.status == EngineStatus::optimum ? "s OPTIMUM FOUND\n" : "s UNSATISFIABLE\n");
    } else {
      std::cout << "Minimum cost of unsatisfied clauses: " << q.get_min_unsat_cost() << "\n";
    }
    print_answer(q);
    return;
  }
  if (QRNConfig::comp_format) {
    if (r.status == EngineStatus::satisfiable) {
      std::cout << "s SATISFIABLE\n";
      std::vector<int> model;
      q.get_model(model);
      std::cout << "v ";
      print_model_literals(model, QRNStats::_num_init_vars);
      if (QRNConfig::lst_unsat_cls) q.prt_all_unsat_clauses();
    } else {
      std::cout << "s UNKNOWN\n";
    }
  }
  out_of_time();
}

}  // namespace

int main(int argc, char** argv) {
  install_stop_signal_handlers();
  Quarnel& q = Quarnel::instance();
  const char* fname = parse_cmdline_options(q, argc, argv);
  if (fname == nullptr) {
    Warn("Options but no file name provided? Terminating...");
    std::exit(3);
  }
  q.init();
  if (q.get_verbosity() > 0) print_header(q, fname);
  q.load_file(fname);

  if (QRNConfig::bmo_mode) {
    QuarnelExtended& qx = *QuarnelExtended::bind_instance();
    UnsatBMOSolver bmo(*qx.get_id_manager(), {q.get_comp_format(), q.get_verbosity() > 3});
    bmo.solve(*qx.get_clause_set());
  } else if (q.get_enum_models()) {
    ProgressPrinter progress(false);
    if (QRNConfig::use_oll) QuarnelExtended::bind_instance()->set_engine_listener(&progress);
    enumerate_cubes(q);
    // The incremental engine ends an enumeration early when the budget runs out.
    const EngineResult* r = QRNConfig::use_oll ? QuarnelExtended::bind_instance()->get_engine_result() : nullptr;
    if (r != nullptr && (r->status == EngineStatus::unknown || r->status == EngineStatus::satisfiable))
      out_of_time();
  } else if (QRNConfig::use_oll) {
    ProgressPrinter progress(true);
    QuarnelExtended& qx = *QuarnelExtended::bind_instance();
    qx.set_engine_listener(&progress);
    optimise_with_oll(qx);
  } else {
    optimise_once(q);
  }
  q.reset();
  return 0;
}
