// Incremental solving through IPAMIR against solving from scratch: an instance file is split
// into a start and `steps` small additions (a few hard clauses or soft literals each, taken at
// random with a fixed seed), then solved after every step twice: by one IPAMIR solver that
// keeps everything between calls, and by a new solver per step that gets the whole instance so
// far. Prints the CPU time of both, their ratio and whether every step's optimum agrees.
//
// A soft clause C of weight w becomes the soft literal -l when C is the unit (l), else the hard
// clause (C or b) with the soft literal b of weight w (b true pays for C false).
//
// usage: ipamir_steps [--steps N] [--per-step K] [--seed S] INSTANCE...
#include <time.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "facade/instance_file.hh"
#include "input/parse_errors.hh"
#include "ipamir/ipamir.h"

namespace {

// One addition: a hard clause, or a soft literal with its weight.
struct Item {
  std::vector<int> hard;
  int soft_lit = 0;
  std::uint64_t weight = 0;
};

double cpu_seconds() {
  timespec ts;
  clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &ts);
  return static_cast<double>(ts.tv_sec) + static_cast<double>(ts.tv_nsec) * 1e-9;
}

std::vector<Item> items_of(const InstanceLists& inst) {
  int top = 0;
  for (const auto* group : {&inst.hard, &inst.soft})
    for (const auto& cl : *group)
      for (int lit : cl) top = std::max(top, std::abs(lit));
  std::vector<Item> items;
  for (const auto& cl : inst.hard) items.push_back(Item{cl, 0, 0});
  for (std::size_t i = 0; i < inst.soft.size(); ++i) {
    const auto& cl = inst.soft[i];
    if (cl.size() == 1) {
      items.push_back(Item{{}, -cl[0], inst.weights[i]});
      continue;
    }
    const int b = ++top;
    std::vector<int> relaxed(cl);
    relaxed.push_back(b);
    items.push_back(Item{relaxed, 0, 0});
    items.push_back(Item{{}, b, inst.weights[i]});
  }
  return items;
}

void add(void* solver, const Item& item) {
  if (item.soft_lit != 0) {
    ipamir_add_soft_lit(solver, item.soft_lit, item.weight);
    return;
  }
  for (int lit : item.hard) ipamir_add_hard(solver, lit);
  ipamir_add_hard(solver, 0);
}

// The optimum (or -1 when infeasible, -2 on any other answer).
long long solve(void* solver) {
  const int answer = ipamir_solve(solver);
  if (answer == 30) return static_cast<long long>(ipamir_val_obj(solver));
  return answer == 20 ? -1 : -2;
}

void run(const char* file, int steps, int per_step, unsigned seed) {
  std::vector<Item> items = items_of(read_instance_lists(file));
  // The additions: `steps * per_step` items drawn at random, in the order drawn.
  std::mt19937 rng(seed);
  std::vector<std::size_t> order(items.size());
  for (std::size_t i = 0; i < order.size(); ++i) order[i] = i;
  std::shuffle(order.begin(), order.end(), rng);
  const std::size_t later = std::min(order.size(), static_cast<std::size_t>(steps) * static_cast<std::size_t>(per_step));
  std::vector<bool> is_later(items.size(), false);
  for (std::size_t k = 0; k < later; ++k) is_later[order[k]] = true;
  auto step_items = [&](int step) {
    std::vector<const Item*> out;
    for (std::size_t k = static_cast<std::size_t>(step) * per_step; k < std::min(later, static_cast<std::size_t>(step + 1) * per_step); ++k)
      out.push_back(&items[order[k]]);
    return out;
  };

  std::vector<long long> incremental, scratch;
  double started = cpu_seconds();
  void* solver = ipamir_init();
  for (std::size_t i = 0; i < items.size(); ++i)
    if (!is_later[i]) add(solver, items[i]);
  incremental.push_back(solve(solver));
  for (int step = 0; step < steps; ++step) {
    for (const Item* item : step_items(step)) add(solver, *item);
    incremental.push_back(solve(solver));
  }
  ipamir_release(solver);
  const double incremental_cpu = cpu_seconds() - started;

  started = cpu_seconds();
  for (int step = -1; step < steps; ++step) {
    void* fresh = ipamir_init();
    for (std::size_t i = 0; i < items.size(); ++i)
      if (!is_later[i]) add(fresh, items[i]);
    for (int s = 0; s <= step; ++s)
      for (const Item* item : step_items(s)) add(fresh, *item);
    scratch.push_back(solve(fresh));
    ipamir_release(fresh);
  }
  const double scratch_cpu = cpu_seconds() - started;

  std::printf("%s: %zu items, %d steps of %d; incremental %.2f s CPU, from scratch %.2f s CPU, ratio %.2f; "
              "optima %s (first %lld, last %lld)\n",
              file, items.size(), steps, per_step, incremental_cpu, scratch_cpu, incremental_cpu / scratch_cpu,
              incremental == scratch ? "agree" : "DIFFER", incremental.front(), incremental.back());
}

}  // namespace

int main(int argc, char** argv) {
  int steps = 100;
  int per_step = 3;
  unsigned seed = 1;
  int i = 1;
  for (; i + 1 < argc && argv[i][0] == '-' && argv[i][1] == '-'; i += 2) {
    if (std::strcmp(argv[i], "--steps") == 0) steps = std::atoi(argv[i + 1]);
    else if (std::strcmp(argv[i], "--per-step") == 0) per_step = std::atoi(argv[i + 1]);
    else if (std::strcmp(argv[i], "--seed") == 0) seed = static_cast<unsigned>(std::atoi(argv[i + 1]));
  }
  if (i >= argc) {
    std::fprintf(stderr, "usage: ipamir_steps [--steps N] [--per-step K] [--seed S] INSTANCE...\n");
    return 2;
  }
  for (; i < argc; ++i) {
    try {
      run(argv[i], steps, per_step, seed);
    } catch (const ReadError& e) {
      std::fprintf(stderr, "%s: %s\n", argv[i], e.what());
      return 1;
    }
  }
  return 0;
}
