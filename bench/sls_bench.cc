// Runs the weighted local search on one instance for a flip budget or a CPU-time limit and prints
// how the best cost falls over time and how many flips it makes per second. The walk starts
// from all variables false, from a model in a file ("v" lines: literals, or one 0/1 character
// per variable), or from a model of the hard clauses found by the SAT solver, as the "-oll"
// engine would seed it.
//
//     build/bench/sls_bench [--seconds S] [--flips N] [--seed K] [--start FILE | --start-sat]
//                           [--picks N] [--hard-inc N] [--soft-unit N] [--max-unit N]
//                           [--soft-cap N] [--noise N] [--stagnation N] FILE
//
// --stagnation N restarts from the best after N flips without improvement (0: never), in place
// of the default that grows with the number of clauses.
//
// Each new best prints "o COST after S s, F flips"; the last lines give the best cost, the flips
// per second and the hard clauses the walk still falsifies. Every reported model is checked
// against the instance.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "clauses/basic_clause_set.hh"
#include "clauses/id_manager.hh"
#include "clauses/instance_snapshot.hh"
#include "engine/oll/weighted_local_search.hh"
#include "input/read_input.hh"
#include "sat/sat_oracle.hh"
#include "util/cpu_time.hh"

namespace {

// The assignment of the "v" lines of `path`: literals ("v 1 -2 3"), or the 2022+ form with one
// 0/1 character per variable ("v 101").
std::vector<bool> read_model(const char* path, int num_vars) {
  std::vector<bool> model(static_cast<std::size_t>(num_vars) + 1, false);
  std::ifstream in(path);
  std::string line;
  while (std::getline(in, line)) {
    if (line.rfind("v ", 0) != 0) continue;
    std::istringstream tokens(line.substr(2));
    std::string token;
    while (tokens >> token) {
      if (token.size() > 1 && token.find_first_not_of("01") == std::string::npos) {
        for (std::size_t i = 0; i < token.size() && i < static_cast<std::size_t>(num_vars); ++i) model[i + 1] = token[i] == '1';
        continue;
      }
      const long lit = std::atol(token.c_str());
      const std::size_t var = static_cast<std::size_t>(std::labs(lit));
      if (lit != 0 && var < model.size()) model[var] = lit > 0;
    }
  }
  return model;
}

// A model of the hard clauses from the SAT solver, or nothing when they have none.
std::vector<bool> hard_clause_model(const InstanceSnapshot& instance) {
  auto sat = make_sat_oracle();
  sat->reserve_vars(instance.num_vars());
  for (std::size_t i = 0; i < instance.num_hard(); ++i) sat->add_clause(instance.hard(i).begin(), instance.hard(i).end());
  if (sat->solve({}) != SatOracle::Result::satisfiable) return {};
  std::vector<bool> model(static_cast<std::size_t>(instance.num_vars()) + 1, false);
  for (int v = 1; v <= instance.num_vars(); ++v) model[static_cast<std::size_t>(v)] = sat->value(v);
  return model;
}

bool option(int argc, char** argv, int& i, const char* name, const char** value) {
  if (std::strcmp(argv[i], name) != 0 || i + 1 >= argc) return false;
  *value = argv[++i];
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  double seconds = 10;
  std::uint64_t max_flips = ~std::uint64_t(0);
  std::uint64_t seed = 1;
  const char* start_file = nullptr;
  bool start_sat = false;
  LocalSearchSettings settings;
  const char* file = nullptr;
  for (int i = 1; i < argc; ++i) {
    const char* v = nullptr;
    if (option(argc, argv, i, "--seconds", &v)) seconds = std::atof(v);
    else if (option(argc, argv, i, "--flips", &v)) max_flips = std::strtoull(v, nullptr, 10);
    else if (option(argc, argv, i, "--seed", &v)) seed = std::strtoull(v, nullptr, 10);
    else if (option(argc, argv, i, "--start", &v)) start_file = v;
    else if (std::strcmp(argv[i], "--start-sat") == 0) start_sat = true;
    else if (option(argc, argv, i, "--picks", &v)) settings.picks = std::atoi(v);
    else if (option(argc, argv, i, "--hard-inc", &v)) settings.hard_increment = std::atoll(v);
    else if (option(argc, argv, i, "--soft-unit", &v)) settings.average_soft_unit = std::atoll(v);
    else if (option(argc, argv, i, "--max-unit", &v)) settings.max_soft_unit = std::atoll(v);
    else if (option(argc, argv, i, "--soft-cap", &v)) settings.soft_cap_units = std::atoll(v);
    else if (option(argc, argv, i, "--noise", &v)) settings.walk_noise = std::atoi(v);
    else if (option(argc, argv, i, "--stagnation", &v)) {
      settings.stagnation_flips = std::strtoull(v, nullptr, 10);
      settings.stagnation_flips_per_clause = 0;
    }
    else if (argv[i][0] != '-' && file == nullptr) file = argv[i];
    else {
      std::fprintf(stderr, "%s: unknown or incomplete option %s\n", argv[0], argv[i]);
      return 2;
    }
  }
  if (file == nullptr) {
    std::fprintf(stderr,
                 "usage: %s [--seconds S] [--flips N] [--seed K] [--start FILE | --start-sat] [--picks N] "
                 "[--hard-inc N] [--soft-unit N] [--max-unit N] [--soft-cap N] [--noise N] [--stagnation N] FILE\n",
                 argv[0]);
    return 2;
  }

  IDManager imgr;
  BasicClauseSet clset;
  read_input_file(file, imgr, clset);
  const InstanceSnapshot instance(clset);
  std::printf("c %d variables, %zu hard, %zu soft clauses\n", instance.num_vars(), instance.num_hard(), instance.num_soft());

  const double started = cpu_time();
  WeightedLocalSearch search(instance, seed, settings);
  if (start_file != nullptr || start_sat) {
    const std::vector<bool> start = start_sat ? hard_clause_model(instance) : read_model(start_file, instance.num_vars());
    if (start.empty()) {
      std::printf("c the hard clauses have no model\n");
      return 0;
    }
    std::printf("c start: cost %llu, %s, after %.2f s\n", static_cast<unsigned long long>(instance.cost_of(start)),
                instance.satisfies_hard(start) ? "satisfies the hard clauses" : "falsifies hard clauses",
                cpu_time() - started);
    search.restart_from(start);
  }
  const double walk_started = cpu_time();
  const std::uint64_t flips_before = search.flips_done();
  if (search.has_model())
    std::printf("o %llu after %.2f s, 0 flips\n", static_cast<unsigned long long>(search.best_cost()), 0.0);
  int errors = 0;
  auto report = [&](Cost cost) {
    const std::vector<bool>& model = search.best_model();
    if (!instance.satisfies_hard(model) || instance.cost_of(model) != cost) {
      std::printf("c ERROR: the model of cost %llu falsifies hard clauses or costs %llu\n",
                  static_cast<unsigned long long>(cost), static_cast<unsigned long long>(instance.cost_of(model)));
      ++errors;
    }
    std::printf("o %llu after %.2f s, %llu flips\n", static_cast<unsigned long long>(cost), cpu_time() - walk_started,
                static_cast<unsigned long long>(search.flips_done() - flips_before));
    std::fflush(stdout);
  };
  const auto out_of_time = [&] { return cpu_time_reached(walk_started + seconds); };
  const std::uint64_t slice = 100000;
  while (search.flips_done() - flips_before < max_flips && !out_of_time()) {
    const std::uint64_t before = search.flips_done();
    const std::uint64_t left = max_flips - (before - flips_before);
    search.improve(left < slice ? left : slice, search.best_cost(), out_of_time, report);
    if (search.flips_done() == before) break;  // nothing left to improve
  }
  const double used = cpu_time() - walk_started;
  const std::uint64_t walked = search.flips_done() - flips_before;
  if (search.has_model())
    std::printf("c best %llu\n", static_cast<unsigned long long>(search.best_cost()));
  else
    std::printf("c best none: never satisfied the hard clauses\n");
  std::printf("c %llu flips in %.2f s: %.0f flips/s; %zu hard clauses falsified at the end\n",
              static_cast<unsigned long long>(walked), used, used > 0 ? static_cast<double>(walked) / used : 0.0,
              search.falsified_hard());
  return errors == 0 ? 0 : 1;
}
