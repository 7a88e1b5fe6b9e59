// Helpers shared by the engine's unit tests: a guard that restores the process-wide
// configuration after each test, a way to run code that ends the process in a child and read
// back its exit status and output (messages go to standard output, which gtest's death tests
// do not capture), and lookups of clauses by their literals.
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

#include "app/logger.hh"
#include "clauses/basic_clause_set.hh"
#include "clauses/cl_registry.hh"
#include "facade/qrn_config.hh"

namespace engine_test {

// Saves every configuration field on construction and puts it back on destruction, so that a
// test may change the configuration freely.
class ConfigGuard {
public:
  ConfigGuard() : saved(snapshot()), log_verbosity(Logger::verbosity) {}
  ~ConfigGuard() {
    restore(saved);
    Logger::verbosity = log_verbosity;
  }

private:
  struct Snapshot {
    int verbosity;
    bool logging, comp_format, relate_relax_vars, use_added_relax_cls, bmo_mode, enum_models,
        enum_rv;
    long num_cubes;
    bool lst_model, lst_unsat_cls, optlock;
    int relate_relax_vars_thres, qrnenc, qrnalg, qrnrel, qrntype;
    long tool_timeout;
  };
  static Snapshot snapshot() {
    return {QRNConfig::verbosity,        QRNConfig::logging,         QRNConfig::comp_format,
            QRNConfig::relate_relax_vars, QRNConfig::use_added_relax_cls, QRNConfig::bmo_mode,
            QRNConfig::enum_models,       QRNConfig::enum_rv,         QRNConfig::num_cubes,
            QRNConfig::lst_model,         QRNConfig::lst_unsat_cls,   QRNConfig::optlock,
            QRNConfig::relate_relax_vars_thres, QRNConfig::qrnenc,     QRNConfig::qrnalg,
            QRNConfig::qrnrel,            QRNConfig::qrntype,         QRNConfig::tool_timeout};
  }
  static void restore(const Snapshot& s) {
    QRNConfig::verbosity = s.verbosity;
    QRNConfig::logging = s.logging;
    QRNConfig::comp_format = s.comp_format;
    QRNConfig::relate_relax_vars = s.relate_relax_vars;
    QRNConfig::use_added_relax_cls = s.use_added_relax_cls;
    QRNConfig::bmo_mode = s.bmo_mode;
    QRNConfig::enum_models = s.enum_models;
    QRNConfig::enum_rv = s.enum_rv;
    QRNConfig::num_cubes = s.num_cubes;
    QRNConfig::lst_model = s.lst_model;
    QRNConfig::lst_unsat_cls = s.lst_unsat_cls;
    QRNConfig::optlock = s.optlock;
    QRNConfig::relate_relax_vars_thres = s.relate_relax_vars_thres;
    QRNConfig::qrnenc = s.qrnenc;
    QRNConfig::qrnalg = s.qrnalg;
    QRNConfig::qrnrel = s.qrnrel;
    QRNConfig::qrntype = s.qrntype;
    QRNConfig::tool_timeout = s.tool_timeout;
  }
  Snapshot saved;
  int log_verbosity;
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
