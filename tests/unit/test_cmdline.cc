// The command line: what each option does to the configuration (and nothing else), where the
// option list ends, which arguments are taken as the file name, the exits on "-h", on no
// arguments and on invalid names, and the usage text byte for byte.
#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "app/cmdline.hh"
#include "config_snapshot.hh"

namespace {

const char kUsage[] =
    "quarnel: maxsat solver based on unsat cores & card constraints\n"
    "\n"
    "usage: quarnel [ <option> ... ] <input> \n"
    "where <option> is one of the following:\n"
    "  -h       prints this help and exits\n"
    "  -v NNN   verbosity level [default: -v 1]\n"
    "  -l       create log file\n"
    "  -r REL   quarnel algorithm release. REL can be 1.0, 1.1, 1.2, 2.0, 3.0, 3.1, 4.0, etc. [default: -r 1.2]\n"
    "  -a ALG   qrn algorithm use. ALG can be 1, 2, 3, 3.1, 4, etc.\n"
    "  -m BBB   at most 1 true blocking var per clause for >= BBB blocking vars\n"
    "  -p       use added pruning power\n"
    "  -e ENC   encoding of card constraints. ENC can be one of the following:\n"
    "           a (adders), b (bdds w/ equiv), i (bdds w/ implic)\n"
    "           c (seq counters), e (exp), s (sorters), l (bitwise)\n"
    "  -w       print computed truth assignment\n"
    "  -s NNN   enumerate NNN solution/model cubes\n"
    "  -s all   enumerate *all* solution/model cubes\n"
    "  -u       list clauses unsat in computed solution\n"
    "  -so      goods based on original variables\n"
    "  -sr      goods based on relaxation variables (default)\n"
    "  -T TTT   specify timeout\n"
    "  -C       output MaxSAT evaluation/competition format [default]\n"
    "  -NC      do not use MaxSAT evaluation/competition format\n"
    "  -bmo     validate BMO condition and execute algorithm\n";

// A writable argument vector "quarnel", args..., null, as main receives it.
class Argv {
public:
  explicit Argv(const std::vector<std::string>& args) : store_{"quarnel"} {
    store_.insert(store_.end(), args.begin(), args.end());
    for (std::string& s : store_) ptrs_.push_back(&s[0]);
    ptrs_.push_back(nullptr);
  }
  int argc() const { return static_cast<int>(store_.size()); }
  char** argv() { return ptrs_.data(); }
  const char* at(int i) const { return ptrs_[i]; }

private:
  std::vector<std::string> store_;
  std::vector<char*> ptrs_;
};

class CmdlineTest : public FrontEndState {
protected:
  const char* parse(Argv& a) { return parse_cmdline_options(q(), a.argc(), a.argv()); }
  const char* parse(const std::vector<std::string>& args) {
    args_.emplace_back(new Argv(args));
    return parse(*args_.back());
  }

private:
  std::vector<std::unique_ptr<Argv>> args_;  // returned names point into these
};

// Release 1.2 under the lock, competition format with model output, verbosity 1; everything
// else at its start value.
void expect_runtime_defaults() {
  EXPECT_EQ(QRNConfig::verbosity, 1);
  EXPECT_EQ(Logger::verbosity, 1);
  EXPECT_TRUE(QRNConfig::comp_format);
  EXPECT_TRUE(QRNConfig::lst_model);
  EXPECT_TRUE(QRNConfig::optlock);
  EXPECT_EQ(QRNConfig::qrnrel, 0xFA04);
  EXPECT_EQ(QRNConfig::qrnalg, 0xFB01);
  EXPECT_EQ(QRNConfig::qrnenc, 0xFC40);
  EXPECT_TRUE(QRNConfig::relate_relax_vars);
  EXPECT_EQ(QRNConfig::relate_relax_vars_thres, 3);
  EXPECT_EQ(QRNConfig::tool_timeout, 86400);
  EXPECT_FALSE(QRNConfig::logging);
  EXPECT_FALSE(QRNConfig::use_added_relax_cls);
  EXPECT_FALSE(QRNConfig::bmo_mode);
  EXPECT_FALSE(QRNConfig::enum_models);
  EXPECT_FALSE(QRNConfig::lst_unsat_cls);
  EXPECT_EQ(QRNConfig::num_cubes, 0);
}

TEST_F(CmdlineTest, FileNameAloneGivesTheDefaults) {
  Argv a({"inst.wcnf"});
  EXPECT_EQ(parse(a), a.at(1));
  expect_runtime_defaults();
}

// The defaults come first, whatever the caller configured before.
TEST_F(CmdlineTest, DefaultsOverrideEarlierSettings) {
  q().set_verbosity(0);
  q().unset_comp_format();
  q().unset_compute_model();
  Argv a({"inst.wcnf"});
  EXPECT_EQ(parse(a), a.at(1));
  expect_runtime_defaults();
}

// Each option changes exactly the listed members (relative to a run with the file name alone)
// and to the values the check expects.
struct OptionCase {
  const char* label;
  std::vector<std::string> args;  // the file name "inst.cnf" is appended
  std::vector<std::string> changed;
  void (*check)();
};

const OptionCase kOptionCases[] = {
    {"v", {"-v", "7"}, {"verbosity", "log_verbosity"},
     [] {
       EXPECT_EQ(QRNConfig::verbosity, 7);
       EXPECT_EQ(Logger::verbosity, 7);
     }},
    {"v_zero", {"-v", "0"}, {"verbosity", "log_verbosity"},
     [] { EXPECT_EQ(QRNConfig::verbosity, 0); }},
    {"v_not_a_number", {"-v", "abc"}, {"verbosity", "log_verbosity"},
     [] { EXPECT_EQ(QRNConfig::verbosity, 0); }},
    {"v_blank_and_sign", {"-v", " -2"}, {"verbosity", "log_verbosity"},
     [] { EXPECT_EQ(QRNConfig::verbosity, -2); }},
    {"v_last_wins", {"-v", "3", "-v", "5"}, {"verbosity", "log_verbosity"},
     [] { EXPECT_EQ(QRNConfig::verbosity, 5); }},
    {"l", {"-l"}, {"logging"}, [] { EXPECT_TRUE(QRNConfig::logging); }},
    {"r_valid_is_locked", {"-r", "3.0"}, {}, [] { EXPECT_EQ(QRNConfig::qrnrel, 0xFA04); }},
    {"r_each_release", {"-r", "1.0", "-r", "1.1", "-r", "2.0", "-r", "3.1", "-r", "4.0"}, {},
     [] {}},
    {"a_valid_is_locked", {"-a", "2"}, {}, [] { EXPECT_EQ(QRNConfig::qrnalg, 0xFB01); }},
    {"a_each_algorithm", {"-a", "1", "-a", "3", "-a", "3.1", "-a", "4"}, {}, [] {}},
    {"e_valid_is_locked", {"-e", "c"}, {}, [] { EXPECT_EQ(QRNConfig::qrnenc, 0xFC40); }},
    {"e_each_encoding", {"-e", "a", "-e", "b", "-e", "i", "-e", "e", "-e", "s", "-e", "l"}, {},
     [] {}},
    {"m", {"-m", "5"}, {"relate_relax_vars_thres"},
     [] {
       EXPECT_TRUE(QRNConfig::relate_relax_vars);
       EXPECT_EQ(QRNConfig::relate_relax_vars_thres, 5);
     }},
    {"m_not_a_number", {"-m", "x"}, {"relate_relax_vars_thres"},
     [] { EXPECT_EQ(QRNConfig::relate_relax_vars_thres, 0); }},
    {"m_trailing_text", {"-m", "4x"}, {"relate_relax_vars_thres"},
     [] { EXPECT_EQ(QRNConfig::relate_relax_vars_thres, 4); }},
    {"p", {"-p"}, {"use_added_relax_cls"}, [] { EXPECT_TRUE(QRNConfig::use_added_relax_cls); }},
    {"w_after_NC", {"-NC", "-w"}, {"comp_format"},
     [] {
       EXPECT_FALSE(QRNConfig::comp_format);
       EXPECT_TRUE(QRNConfig::lst_model);
     }},
    {"so", {"-so"}, {"enum_rv"}, [] { EXPECT_FALSE(QRNConfig::enum_rv); }},
    {"sr_after_so", {"-so", "-sr"}, {}, [] { EXPECT_TRUE(QRNConfig::enum_rv); }},
    {"s_all", {"-s", "all"}, {"enum_models", "num_cubes"},
     [] {
       EXPECT_TRUE(QRNConfig::enum_models);
       EXPECT_EQ(QRNConfig::num_cubes, -1);
     }},
    {"s_3", {"-s", "3"}, {"enum_models", "num_cubes"},
     [] {
       EXPECT_TRUE(QRNConfig::enum_models);
       EXPECT_EQ(QRNConfig::num_cubes, 3);
     }},
    {"s_abc", {"-s", "abc"}, {"enum_models"},
     [] {
       EXPECT_TRUE(QRNConfig::enum_models);
       EXPECT_EQ(QRNConfig::num_cubes, 0);
     }},
    {"s_ALL_is_a_number", {"-s", "ALL"}, {"enum_models"},
     [] { EXPECT_EQ(QRNConfig::num_cubes, 0); }},
    {"s_all_then_2", {"-s", "all", "-s", "2"}, {"enum_models", "num_cubes"},
     [] { EXPECT_EQ(QRNConfig::num_cubes, 2); }},
    {"u_after_NC", {"-NC", "-u"}, {"comp_format", "lst_unsat_cls"},
     [] {
       EXPECT_TRUE(QRNConfig::lst_unsat_cls);
       EXPECT_TRUE(QRNConfig::lst_model);
       EXPECT_FALSE(QRNConfig::comp_format);
     }},
    {"T", {"-T", "60"}, {"tool_timeout"}, [] { EXPECT_EQ(QRNConfig::tool_timeout, 60); }},
    {"T_long", {"-T", "5000000000"}, {"tool_timeout"},
     [] { EXPECT_EQ(QRNConfig::tool_timeout, 5000000000L); }},
    {"T_not_a_number", {"-T", "soon"}, {"tool_timeout"},
     [] { EXPECT_EQ(QRNConfig::tool_timeout, 0); }},
    {"C_after_NC", {"-NC", "-C"}, {},
     [] {
       EXPECT_TRUE(QRNConfig::comp_format);
       EXPECT_TRUE(QRNConfig::lst_model);
     }},
    {"NC", {"-NC"}, {"comp_format", "lst_model"},
     [] {
       EXPECT_FALSE(QRNConfig::comp_format);
       EXPECT_FALSE(QRNConfig::lst_model);
     }},
    {"NC_after_w", {"-w", "-NC"}, {"comp_format", "lst_model"},
     [] { EXPECT_FALSE(QRNConfig::lst_model); }},
    {"bmo", {"-bmo"}, {"bmo_mode"}, [] { EXPECT_TRUE(QRNConfig::bmo_mode); }},
    // A value is taken whatever it looks like, even when it is an option word.
    {"value_that_looks_like_l", {"-v", "-l"}, {"verbosity", "log_verbosity"},
     [] {
       EXPECT_EQ(QRNConfig::verbosity, 0);
       EXPECT_FALSE(QRNConfig::logging);
     }},
    {"value_that_looks_like_h", {"-s", "-h"}, {"enum_models"},
     [] { EXPECT_EQ(QRNConfig::num_cubes, 0); }},
    {"value_that_looks_like_r", {"-T", "-r"}, {"tool_timeout"},
     [] { EXPECT_EQ(QRNConfig::tool_timeout, 0); }},
    {"everything",
     {"-l", "-p", "-bmo", "-so", "-u", "-v", "2", "-m", "6", "-T", "9", "-s", "all", "-NC"},
     {"logging", "use_added_relax_cls", "bmo_mode", "enum_rv", "lst_unsat_cls", "verbosity",
      "log_verbosity", "relate_relax_vars_thres", "tool_timeout", "enum_models", "num_cubes",
      "comp_format", "lst_model"},
     [] {}},
};

void PrintTo(const OptionCase& c, std::ostream* os) { *os << c.label; }

class OptionTest : public CmdlineTest, public ::testing::WithParamInterface<OptionCase> {};

TEST_P(OptionTest, ChangesOnlyItsMembers) {
  const OptionCase& c = GetParam();
  ConfigSnapshot start;
  parse({"inst.cnf"});
  ConfigSnapshot base;
  start.restore();

  std::vector<std::string> args = c.args;
  args.push_back("inst.cnf");
  Argv a(args);
  EXPECT_EQ(parse(a), a.at(a.argc() - 1));
  c.check();

  std::vector<std::string> changed = base.differences(ConfigSnapshot());
  std::vector<std::string> expected = c.changed;
  std::sort(changed.begin(), changed.end());
  std::sort(expected.begin(), expected.end());
  EXPECT_EQ(changed, expected);
}

INSTANTIATE_TEST_SUITE_P(Options, OptionTest, ::testing::ValuesIn(kOptionCases),
                         [](const ::testing::TestParamInfo<OptionCase>& info) {
                           return std::string(info.param.label);
                         });

// The first argument that is no option is the file name, and nothing behind it is read.
TEST_F(CmdlineTest, OptionsAfterFileNameAreIgnored) {
  Argv a({"-v", "3", "inst.cnf", "-v", "5", "-l", "-NC", "-h", "-r", "9.9", "-bmo"});
  EXPECT_EQ(parse(a), a.at(3));
  EXPECT_EQ(QRNConfig::verbosity, 3);
  EXPECT_FALSE(QRNConfig::logging);
  EXPECT_TRUE(QRNConfig::comp_format);
  EXPECT_FALSE(QRNConfig::bmo_mode);
}

// Arguments that resemble options but are not one of the words are file names.
class NotAnOptionTest : public CmdlineTest, public ::testing::WithParamInterface<const char*> {};

TEST_P(NotAnOptionTest, TakenAsFileName) {
  Argv a({"-l", GetParam(), "-v", "4"});
  EXPECT_EQ(parse(a), a.at(2));
  EXPECT_STREQ(parse(a), GetParam());
  EXPECT_TRUE(QRNConfig::logging);
  EXPECT_EQ(QRNConfig::verbosity, 1);
}

INSTANTIATE_TEST_SUITE_P(Words, NotAnOptionTest,
                         ::testing::Values("-sx", "-v5", "-V", "--v", "-c", "-nc", "-H", "-hh",
                                           "-", "-s all", " -v", "-BMO", "-l ", "", "all"));

// When the arguments end where a file name (or an option's value) should follow, there is no
// file name; nothing past the arguments is read.
class NoFileNameTest : public CmdlineTest,
                       public ::testing::WithParamInterface<std::vector<std::string>> {};

TEST_P(NoFileNameTest, ReturnsNull) { EXPECT_EQ(parse(GetParam()), nullptr); }

INSTANTIATE_TEST_SUITE_P(
    Args, NoFileNameTest,
    ::testing::Values(std::vector<std::string>{"-v"}, std::vector<std::string>{"-v", "2"},
                      std::vector<std::string>{"-l"}, std::vector<std::string>{"-C", "-NC"},
                      std::vector<std::string>{"-l", "-s"}, std::vector<std::string>{"-T"},
                      std::vector<std::string>{"-m"}, std::vector<std::string>{"-s", "all"},
                      // a value-taking option at the end is not validated: its value is missing
                      std::vector<std::string>{"-r"}, std::vector<std::string>{"-a"},
                      std::vector<std::string>{"-e"}, std::vector<std::string>{"-v", "2", "-e"}));

TEST_F(CmdlineTest, OptionsBeforeMissingFileNameAreApplied) {
  EXPECT_EQ(parse({"-v", "2", "-l"}), nullptr);
  EXPECT_EQ(QRNConfig::verbosity, 2);
  EXPECT_TRUE(QRNConfig::logging);
}

TEST_F(CmdlineTest, NoArgumentVectorAtAll) {
  char* argv[] = {nullptr};
  EXPECT_EQ(parse_cmdline_options(q(), 0, argv), nullptr);
  expect_runtime_defaults();
}

TEST_F(CmdlineTest, UsageTextIsExact) {
  std::ostringstream out;
  print_usage(out);
  EXPECT_EQ(out.str(), kUsage);
}

// "-h" where a file name is expected, and a command line without arguments: usage and exit 1.
class UsageExitTest : public CmdlineTest,
                      public ::testing::WithParamInterface<std::vector<std::string>> {};

TEST_P(UsageExitTest, PrintsUsageAndExitsWithOne) {
  EXPECT_EXIT(
      {
        route_stdout_to_stderr();
        parse(GetParam());
      },
      ::testing::ExitedWithCode(1), ::testing::Eq(std::string(kUsage)));
}

INSTANTIATE_TEST_SUITE_P(
    Args, UsageExitTest,
    ::testing::Values(std::vector<std::string>{}, std::vector<std::string>{"-h"},
                      std::vector<std::string>{"-v", "2", "-h"},
                      std::vector<std::string>{"-l", "-NC", "-s", "all", "-h"},
                      std::vector<std::string>{"-h", "inst.cnf"},
                      std::vector<std::string>{"-h", "-v"}));

// Invalid names stop the parse where they stand, before any later "-h" or file name.
struct InvalidArgs {
  std::vector<std::string> args;
  const char* line;
};

void PrintTo(const InvalidArgs& a, std::ostream* os) { *os << ::testing::PrintToString(a.args); }

class InvalidValueTest : public CmdlineTest, public ::testing::WithParamInterface<InvalidArgs> {};

TEST_P(InvalidValueTest, ErrorLineAndExitThree) {
  EXPECT_EXIT(
      {
        route_stdout_to_stderr();
        parse(GetParam().args);
      },
      ::testing::ExitedWithCode(3), ::testing::Eq(std::string(GetParam().line)));
}

INSTANTIATE_TEST_SUITE_P(
    Args, InvalidValueTest,
    ::testing::Values(InvalidArgs{{"-r", "9.9", "inst.cnf"}, " ERROR: Invalid QRN release\n"},
                      InvalidArgs{{"-r", "9.9", "-h"}, " ERROR: Invalid QRN release\n"},
                      InvalidArgs{{"-v", "0", "-r", "1.2.0"}, " ERROR: Invalid QRN release\n"},
                      InvalidArgs{{"-a", "3.0", "inst.cnf"}, " ERROR: Invalid QRN algorithm\n"},
                      InvalidArgs{{"-a", "-h"}, " ERROR: Invalid QRN algorithm\n"},
                      InvalidArgs{{"-e", "x", "inst.cnf"}, " ERROR: Invalid CNF encoding\n"},
                      InvalidArgs{{"-e", "C", "inst.cnf"}, " ERROR: Invalid CNF encoding\n"}));

}  // namespace
