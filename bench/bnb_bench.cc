// Runs the branch-and-bound engine on the given files, one after the other, each within a CPU
// time limit, and prints one line per file: status, cost, lower bound, nodes and CPU seconds.
// The model is checked by the engine itself and never printed.
//
//     build/bench/bnb_bench [--limit SECONDS] FILE...
//
// Progress goes to standard error as it comes: improving upper bounds ("o COST after S s") and
// lower bounds ("lower BOUND after S s": the root's, then the optimum).
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "util/cpu_time.hh"
#include "clauses/basic_clause_set.hh"
#include "clauses/id_manager.hh"
#include "clauses/instance_snapshot.hh"
#include "engine/bnb/bnb_solver.hh"
#include "input/read_input.hh"

namespace {

const char* status_name(EngineStatus s) {
  switch (s) {
    case EngineStatus::optimum: return "OPTIMUM";
    case EngineStatus::satisfiable: return "SATISFIABLE";
    case EngineStatus::unsatisfiable: return "UNSATISFIABLE";
    case EngineStatus::unknown: return "UNKNOWN";
    case EngineStatus::internal_error: return "ERROR";
  }
  return "?";
}

class Progress : public EngineListener {
public:
  explicit Progress(double started) : started(started) {}
  void on_upper_bound(Cost cost) override {
    std::fprintf(stderr, "o %llu after %.2f s\n", static_cast<unsigned long long>(cost), cpu_time() - started);
  }
  void on_lower_bound(Cost bound) override {
    std::fprintf(stderr, "lower %llu after %.2f s\n", static_cast<unsigned long long>(bound), cpu_time() - started);
  }

private:
  double started;
};

}  // namespace

int main(int argc, char** argv) {
  double limit = 60;
  int first = 1;
  if (argc > 2 && std::strcmp(argv[1], "--limit") == 0) {
    limit = std::atof(argv[2]);
    first = 3;
  }
  if (first >= argc) {
    std::fprintf(stderr, "usage: %s [--limit SECONDS] FILE...\n", argv[0]);
    return 2;
  }
  std::printf("%-28s %-13s %12s %12s %12s %8s\n", "instance", "status", "cost", "lower", "nodes", "cpu_s");
  int errors = 0;
  for (int i = first; i < argc; ++i) {
    const char* fname = argv[i];
    IDManager imgr;
    BasicClauseSet clset;
    read_input_file(fname, imgr, clset);
    const InstanceSnapshot snapshot(clset);
    const double started = cpu_time();
    Progress progress(started);
    EngineOptions options;
    options.out_of_time = [started, limit] { return cpu_time() - started >= limit; };
    options.listener = &progress;
    BnbSolver solver(snapshot, options);
    const EngineResult r = solver.solve();
    const double used = cpu_time() - started;
    std::string name = argv[i];
    name = name.substr(name.find_last_of('/') + 1);
    std::printf("%-28s %-13s %12llu %12llu %12llu %8.2f\n", name.c_str(), status_name(r.status),
                static_cast<unsigned long long>(r.cost), static_cast<unsigned long long>(r.lower_bound),
                static_cast<unsigned long long>(solver.nodes()), used);
    if (r.status == EngineStatus::internal_error) {
      std::printf("  error: %s\n", r.error.c_str());
      ++errors;
    }
    std::fflush(stdout);
  }
  return errors == 0 ? 0 : 1;
}
