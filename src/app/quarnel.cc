// The program driver: one command line, one run. It reads the options into the facade, prints
// the banner, has the facade load the instance, then runs the BMO mode, the enumeration of
// optimal model cubes, or a single optimisation, and writes the result lines. Fatal conditions
// end the process where they arise; this file decides only the exit status of a normal end.
#include <iostream>
#include <vector>

#include "app/cmdline.hh"
#include "app/cpu_time.hh"
#include "app/runtime_msgs.hh"
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

}  // namespace

int main(int argc, char** argv) {
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
    UnsatBMOSolver bmo(*qx.get_id_manager());
    bmo.solve(*qx.get_clause_set());
  } else if (q.get_enum_models()) {
    enumerate_cubes(q);
  } else {
    optimise_once(q);
  }
  q.reset();
  return 0;
}
