// Every SAT call is complete in itself: a fresh PicoSAT solver with trace generation receives the
// whole working clause set, solves it without a decision limit, and is released before the call
// returns. Clause indices given by the library map back to the set's clause handles through
// `idx2cl`, which turns the library's clausal core into a list of our own clauses.
//
// Soft clauses of weight 0 are not handed over: falsifying them costs nothing, so they constrain
// nothing, and keeping them out of every core keeps the weighted split from ever creating more
// of them. Soft-CNF instances keep every clause, since there the weight field holds a group id.
#include "sat/picosat_bridge.hh"

#include <cassert>
#include <cstdio>
#include <cstdlib>
#include <limits>

#include <sys/sysinfo.h>

extern "C" {
#include <picosat/picosat.h>
}

#include "util/memory_budget.hh"
#include "util/runtime_msgs.hh"

PicosatWrapper::PicosatWrapper(BasicClauseSet& cs, std::vector<BasicClause*>& core, bool weights_are_groups)
    : clset(cs), core_cls(core), weights_are_groups(weights_are_groups) {}

void PicosatWrapper::reset() {
  idx2cl.clear();
  model.clear();
}

namespace {

// PicoSAT's memory goes through these, so that an allocation that cannot succeed ends the run
// with our own message and exit status, not with the library's abort() or the kernel's
// out-of-memory killer. The library sizes its tables by the largest variable, whether the
// variables between occur or not, so an instance naming a variable in the billions asks for
// more than the machine has; with overcommitting, malloc would grant it and the process would
// be killed when the tables are cleared. The library reports every block's size, so the bytes
// it holds are counted and checked against the machine's memory and swap.
struct LibraryMemory {
  std::size_t held = 0;
  std::size_t limit = machine_memory_bytes();

  static std::size_t machine_memory_bytes() {
    struct sysinfo info {};
    if (sysinfo(&info) != 0) return std::numeric_limits<std::size_t>::max();
    return (static_cast<std::size_t>(info.totalram) + info.totalswap) * info.mem_unit;
  }

  void take(std::size_t old_bytes, std::size_t new_bytes) {
    held -= old_bytes;
    if (new_bytes > limit - held) out_of_memory();
    held += new_bytes;
  }
};

LibraryMemory library_memory;

void* picosat_resize(void* state, void* block, std::size_t old_bytes, std::size_t new_bytes) {
  static_cast<LibraryMemory*>(state)->take(old_bytes, new_bytes);
  void* moved = std::realloc(block, new_bytes);
  if (moved == nullptr && new_bytes != 0) out_of_memory();
  return moved;
}

// A new block is a block grown from nothing (realloc of a null pointer is malloc).
void* picosat_allocate(void* state, std::size_t bytes) { return picosat_resize(state, nullptr, 0, bytes); }

void picosat_release(void* state, void* block, std::size_t bytes) {
  static_cast<LibraryMemory*>(state)->take(bytes, 0);
  std::free(block);
}

int interrupt_requested(void* state) { return (*static_cast<std::function<bool()>*>(state))() ? 1 : 0; }

bool skipped_zero_weight(const BasicClause* cl, Cost top, bool group_ids) {
  return cl->get_weight() == 0 && top > 0 && !group_ids;
}

// What the library will take at least for a formula: its tables per variable up to the largest
// (some 110 to 140 bytes each, measured) and its clauses (some 24 bytes per literal), rounded
// down so that the estimate never refuses a formula the library could hold.
constexpr std::size_t library_bytes_per_var = 100;
constexpr std::size_t library_bytes_per_literal = 16;

std::size_t library_bytes(const BasicClauseSet& clset, Cost top, bool group_ids) {
  std::size_t max_var = 0, literals = 0;
  for (const BasicClause* cl : clset) {
    if (skipped_zero_weight(cl, top, group_ids) || cl->size() == 0) continue;
    // Literals are sorted by variable: the last one has the largest.
    max_var = std::max<std::size_t>(max_var, static_cast<std::size_t>(std::labs(cl->end()[-1])));
    literals += cl->size();
  }
  return library_bytes_per_var * max_var + library_bytes_per_literal * literals;
}

}  // namespace

int PicosatWrapper::run_sat_solver() {
  const std::size_t n = clset.size();
  const Cost top = clset.get_top_weight();
  // Refused before the library takes anything: it would grow its tables for minutes before
  // the first allocation failed.
  require_memory(library_bytes(clset, top, weights_are_groups));
  idx2cl.resize(n, nullptr);

  solver = picosat_minit(&library_memory, picosat_allocate, picosat_resize, picosat_release);
  if (!picosat_enable_trace_generation(solver)) {
    picosat_reset(solver);
    solver = nullptr;
    Abort("SAT solver lacks core support");
  }

  long max_var = 0;         // largest variable handed to the library
  long max_skipped_var = 0; // largest variable of a clause kept out
  std::size_t handed = 0;   // clauses given to the library, which numbers them from 0
  for (BasicClause* cl : clset) {
    if (skipped_zero_weight(cl, top, weights_are_groups)) {
      for (long lit : *cl) max_skipped_var = std::max(max_skipped_var, std::labs(lit));
      continue;
    }
    for (long lit : *cl) {
      long var = std::labs(lit);
      if (var > std::numeric_limits<int>::max()) Abort("Variable out of range");
      if (var > max_var) max_var = var;
      picosat_add(solver, static_cast<int>(lit));
    }
    int idx = picosat_add(solver, 0);
    idx2cl[static_cast<std::size_t>(idx)] = cl;
    ++handed;
  }
  // Skipped clauses leave the tail unused; entries there may still name clauses of an earlier
  // call, whose indices the library of this call does not know.
  idx2cl.resize(handed);
  picosat_set_global_default_phase(solver, 1);
  picosat_set_seed(solver, static_cast<unsigned>(n));
  if (interrupt) picosat_set_interrupt(solver, &interrupt, interrupt_requested);

  int outcome = picosat_sat(solver, -1);
  if (outcome == PICOSAT_UNSATISFIABLE) {
    compute_unsat_core();
  } else if (outcome == PICOSAT_SATISFIABLE) {
    model.reserve(model.size() + static_cast<std::size_t>(std::max(max_var, max_skipped_var)));
    for (long v = 1; v <= max_var; ++v) model.push_back(picosat_deref(solver, static_cast<int>(v)));
    // Variables that occur only in weight-0 clauses are unknown to the library. Above max_var
    // they get false here, so that the assignment still covers every variable of the formula;
    // below it the library leaves a variable of no clause at its decision phase, which is
    // false under the phase set above.
    for (long v = max_var + 1; v <= max_skipped_var; ++v) model.push_back(-1);
  }
  picosat_reset(solver);
  solver = nullptr;
  if (outcome == PICOSAT_UNKNOWN && interrupt && interrupt()) return INTERRUPTED;
  if (outcome != PICOSAT_SATISFIABLE && outcome != PICOSAT_UNSATISFIABLE)
    Abort("Invalid SAT solver outcome. Contact author.");
  return outcome;
}

void PicosatWrapper::compute_unsat_core() {
  if (solver == nullptr) return;
  for (std::size_t i = 0; i < idx2cl.size(); ++i) {
    assert(idx2cl[i] != nullptr);  // the library numbers the clauses it got without gaps
    if (picosat_coreclause(solver, static_cast<int>(i))) core_cls.push_back(idx2cl[i]);
  }
}

void PicosatWrapper::print_cnf(const char* fname) {
  if (solver == nullptr) return;
  FILE* out = std::fopen(fname, "w");
  if (out == nullptr) return;
  picosat_print(solver, out);
  std::fclose(out);
}
