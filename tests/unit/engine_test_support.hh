// Helpers shared by the engine's unit tests: a guard that restores the process-wide
// configuration after each test (built on the front-end tests' snapshot), a way to run code
// that ends the process in a child and read back its exit status and whole output (a death
// test sees only standard error, and checks no exact output), and lookups of clauses by their
// literals.
#ifndef QUARNEL_TESTS_ENGINE_TEST_SUPPORT_HH
#define QUARNEL_TESTS_ENGINE_TEST_SUPPORT_HH

#include <sys/types.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <iostream>
#include <string>
#include <vector>

#include "clauses/basic_clause_set.hh"
#include "clauses/cl_registry.hh"
#include "config_snapshot.hh"
#include "config/qrn_config.hh"

namespace engine_test {

// Puts the process-wide configuration, logging state and counters back as they were when it
// was made, so that a test may change them freely.
class ConfigGuard {
public:
  ~ConfigGuard() { saved.restore(); }

private:
  ConfigSnapshot saved;
};

struct ChildOutcome {
  bool exited = false;  // ended through exit() rather than a signal
  int status = -1;      // exit status when `exited`
  std::string output;   // standard output and standard error, interleaved
};

// Runs `body` in a forked child with standard output and error sent into a pipe. A body that
// returns ends the child with status 0.
inline ChildOutcome run_in_child(const std::function<void()>& body) {
  std::cout.flush();
  std::fflush(nullptr);
  int fds[2];
  ChildOutcome outcome;
  if (pipe(fds) != 0) return outcome;
  pid_t pid = fork();
  if (pid == 0) {
    close(fds[0]);
    dup2(fds[1], STDOUT_FILENO);
    dup2(fds[1], STDERR_FILENO);
    close(fds[1]);
    body();
    std::cout.flush();
    std::fflush(nullptr);
    _exit(0);
  }
  close(fds[1]);
  char buf[4096];
  ssize_t got;
  while ((got = read(fds[0], buf, sizeof buf)) > 0) outcome.output.append(buf, static_cast<std::size_t>(got));
  close(fds[0]);
  int wstatus = 0;
  waitpid(pid, &wstatus, 0);
  outcome.exited = WIFEXITED(wstatus);
  if (outcome.exited) outcome.status = WEXITSTATUS(wstatus);
  return outcome;
}

// The registered clause with these literals (sorted as the clause set sorts them), or null.
inline BasicClause* registered(LitVector lits) {
  std::sort(lits.begin(), lits.end(), AbsLitLess());
  return ClauseRegistry::clreg_instance->find_clause(lits);
}

// Whether `set` holds a clause with exactly these literals.
inline bool holds(const BasicClauseSet& set, const LitVector& lits) {
  BasicClause* cl = registered(lits);
  return cl != nullptr && set.is_member(cl);
}

// Literal vectors of `cls`, in order.
inline std::vector<LitVector> lits_of(const ClauseList& cls) {
  std::vector<LitVector> out;
  for (const BasicClause* cl : cls) out.push_back(cl->get_lits());
  return out;
}

// `lits` in the clause set's order: by variable, as add_clause sorts them.
inline LitVector sorted(LitVector lits) {
  std::sort(lits.begin(), lits.end(), AbsLitLess());
  return lits;
}

// The member clauses of `set` as literal vectors, in a fixed order for comparison.
inline std::vector<LitVector> contents(const BasicClauseSet& set) {
  std::vector<LitVector> out;
  for (const BasicClause* cl : set) out.push_back(cl->get_lits());
  std::sort(out.begin(), out.end());
  return out;
}

}  // namespace engine_test

#endif
