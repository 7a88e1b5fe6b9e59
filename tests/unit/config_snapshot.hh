// Helpers shared by the front-end tests. The configuration, the logging state and the tool
// names are process-wide statics, and a gtest binary run by hand executes every test in one
// process, so each test that touches them takes a snapshot first and puts it back afterwards.
// Death tests report only what the dying child wrote to standard error; the messages under
// test go to standard output, so the child redirects one into the other before it acts.
#ifndef QUARNEL_TESTS_CONFIG_SNAPSHOT_HH
#define QUARNEL_TESTS_CONFIG_SNAPSHOT_HH

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <iostream>
#include <string>
#include <vector>

#include "util/logger.hh"
#include "util/runtime_msgs.hh"
#include "facade/qrnapp.hh"

// Every member of QRNConfig, the logging record, the tool names, the statistics and the
// cube/cost counters.
struct ConfigSnapshot {
  int verbosity = QRNConfig::verbosity;
  bool logging = QRNConfig::logging;
  bool comp_format = QRNConfig::comp_format;
  bool relate_relax_vars = QRNConfig::relate_relax_vars;
  bool use_added_relax_cls = QRNConfig::use_added_relax_cls;
  bool bmo_mode = QRNConfig::bmo_mode;
  bool enum_models = QRNConfig::enum_models;
  bool enum_rv = QRNConfig::enum_rv;
  long num_cubes = QRNConfig::num_cubes;
  bool lst_model = QRNConfig::lst_model;
  bool lst_unsat_cls = QRNConfig::lst_unsat_cls;
  bool optlock = QRNConfig::optlock;
  int relate_relax_vars_thres = QRNConfig::relate_relax_vars_thres;
  int qrnenc = QRNConfig::qrnenc;
  int qrnalg = QRNConfig::qrnalg;
  int qrnrel = QRNConfig::qrnrel;
  int qrntype = QRNConfig::qrntype;
  long tool_timeout = QRNConfig::tool_timeout;
  bool use_oll = QRNConfig::use_oll;
  int anytime_mode = QRNConfig::anytime_mode;
  unsigned long long local_search_seed = QRNConfig::local_search_seed;
  bool mse_output = QRNConfig::mse_output;
  int log_verbosity = Logger::verbosity;
  std::ostream* errf = Logger::errf;
  std::string tname = RT::tname;
  std::string stname = RT::stname;
  long ncubes = QRNAppObjs::_ncubes;
  long mincost = QRNAppObjs::_mincost;
  Cost mincost_exact = QRNAppObjs::_mincost_exact;
  long num_init_vars = QRNStats::_num_init_vars;
  long num_init_cls = QRNStats::_num_init_cls;

  // Names of the members whose values differ between two snapshots.
  std::vector<std::string> differences(const ConfigSnapshot& o) const {
    std::vector<std::string> d;
#define QRN_SNAPSHOT_CMP(f) \
  if (f != o.f) d.push_back(#f)
    QRN_SNAPSHOT_CMP(verbosity);
    QRN_SNAPSHOT_CMP(logging);
    QRN_SNAPSHOT_CMP(comp_format);
    QRN_SNAPSHOT_CMP(relate_relax_vars);
    QRN_SNAPSHOT_CMP(use_added_relax_cls);
    QRN_SNAPSHOT_CMP(bmo_mode);
    QRN_SNAPSHOT_CMP(enum_models);
    QRN_SNAPSHOT_CMP(enum_rv);
    QRN_SNAPSHOT_CMP(num_cubes);
    QRN_SNAPSHOT_CMP(lst_model);
    QRN_SNAPSHOT_CMP(lst_unsat_cls);
    QRN_SNAPSHOT_CMP(optlock);
    QRN_SNAPSHOT_CMP(relate_relax_vars_thres);
    QRN_SNAPSHOT_CMP(qrnenc);
    QRN_SNAPSHOT_CMP(qrnalg);
    QRN_SNAPSHOT_CMP(qrnrel);
    QRN_SNAPSHOT_CMP(qrntype);
    QRN_SNAPSHOT_CMP(tool_timeout);
    QRN_SNAPSHOT_CMP(use_oll);
    QRN_SNAPSHOT_CMP(anytime_mode);
    QRN_SNAPSHOT_CMP(local_search_seed);
    QRN_SNAPSHOT_CMP(mse_output);
    QRN_SNAPSHOT_CMP(log_verbosity);
    QRN_SNAPSHOT_CMP(errf);
    QRN_SNAPSHOT_CMP(tname);
    QRN_SNAPSHOT_CMP(stname);
    QRN_SNAPSHOT_CMP(ncubes);
    QRN_SNAPSHOT_CMP(mincost);
    QRN_SNAPSHOT_CMP(mincost_exact);
    QRN_SNAPSHOT_CMP(num_init_vars);
    QRN_SNAPSHOT_CMP(num_init_cls);
#undef QRN_SNAPSHOT_CMP
    return d;
  }

  void restore() const {
    QRNConfig::verbosity = verbosity;
    QRNConfig::logging = logging;
    QRNConfig::comp_format = comp_format;
    QRNConfig::relate_relax_vars = relate_relax_vars;
    QRNConfig::use_added_relax_cls = use_added_relax_cls;
    QRNConfig::bmo_mode = bmo_mode;
    QRNConfig::enum_models = enum_models;
    QRNConfig::enum_rv = enum_rv;
    QRNConfig::num_cubes = num_cubes;
    QRNConfig::lst_model = lst_model;
    QRNConfig::lst_unsat_cls = lst_unsat_cls;
    QRNConfig::optlock = optlock;
    QRNConfig::relate_relax_vars_thres = relate_relax_vars_thres;
    QRNConfig::qrnenc = qrnenc;
    QRNConfig::qrnalg = qrnalg;
    QRNConfig::qrnrel = qrnrel;
    QRNConfig::qrntype = qrntype;
    QRNConfig::tool_timeout = tool_timeout;
    QRNConfig::use_oll = use_oll;
    QRNConfig::anytime_mode = anytime_mode;
    QRNConfig::local_search_seed = local_search_seed;
    QRNConfig::mse_output = mse_output;
    Logger::verbosity = log_verbosity;
    Logger::errf = errf;
    RT::tname = tname;
    RT::stname = stname;
    QRNAppObjs::_ncubes = ncubes;
    QRNAppObjs::_mincost = mincost;
    QRNAppObjs::_mincost_exact = mincost_exact;
    QRNStats::_num_init_vars = num_init_vars;
    QRNStats::_num_init_cls = num_init_cls;
  }
};

// Base fixture: whatever a test does to the process-wide front-end state is undone, and a log
// file it opened is closed.
class FrontEndState : public ::testing::Test {
protected:
  void TearDown() override {
    LogUtils::log_cleanup();
    saved_.restore();
  }

  Quarnel& q() { return Quarnel::instance(); }

private:
  ConfigSnapshot saved_;
};

// Called first inside a death-test statement: from here on, standard output of the child lands
// where the death-test matcher looks.
inline void route_stdout_to_stderr() {
  std::cout.flush();
  std::fflush(stdout);
  ::dup2(STDERR_FILENO, STDOUT_FILENO);
}

#endif
