// The facade's configuration: start values, the option lock that lets an embedding program pick
// a release while the command line (defaults first) cannot, validation of release, algorithm and
// encoding names (fatal, with the tool prefix of the moment), the cube budget of the
// enumeration, and the singleton whose life is independent of the configuration.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "config_snapshot.hh"

namespace {

using ConfigTest = FrontEndState;

struct ReleaseRow {
  const char* name;
  int rel;
  int alg;
  int enc;
};

const ReleaseRow kReleases[] = {
    {"1.0", 0xFA01, 0xFB01, 0xFC10}, {"1.1", 0xFA02, 0xFB01, 0xFC08},
    {"1.2", 0xFA04, 0xFB01, 0xFC40}, {"2.0", 0xFA08, 0xFB02, 0xFC40},
    {"3.0", 0xFA10, 0xFB04, 0xFC20}, {"3.1", 0xFA11, 0xFB05, 0xFC20},
    {"4.0", 0xFA20, 0xFB08, 0xFC20},
};

// Readable parameter values in test listings.
void PrintTo(const ReleaseRow& r, std::ostream* os) { *os << "release " << r.name; }

void expect_release_row(const ReleaseRow& row) {
  EXPECT_EQ(QRNConfig::qrnrel, row.rel) << "release " << row.name;
  EXPECT_EQ(QRNConfig::qrnalg, row.alg) << "release " << row.name;
  EXPECT_EQ(QRNConfig::qrnenc, row.enc) << "release " << row.name;
  EXPECT_TRUE(QRNConfig::relate_relax_vars) << "release " << row.name;
  EXPECT_EQ(QRNConfig::relate_relax_vars_thres, 3) << "release " << row.name;
}

const ReleaseRow& release_1_2() { return kReleases[2]; }

// Everything the command line relies on before the first option.
TEST_F(ConfigTest, ProgramStartValues) {
  EXPECT_EQ(QRNConfig::verbosity, 0);
  EXPECT_FALSE(QRNConfig::logging);
  EXPECT_FALSE(QRNConfig::comp_format);
  EXPECT_FALSE(QRNConfig::relate_relax_vars);
  EXPECT_FALSE(QRNConfig::use_added_relax_cls);
  EXPECT_FALSE(QRNConfig::bmo_mode);
  EXPECT_FALSE(QRNConfig::enum_models);
  EXPECT_TRUE(QRNConfig::enum_rv);  // "-sr" is the documented default
  EXPECT_EQ(QRNConfig::num_cubes, 0);
  EXPECT_FALSE(QRNConfig::lst_model);
  EXPECT_FALSE(QRNConfig::lst_unsat_cls);
  EXPECT_FALSE(QRNConfig::optlock);
  EXPECT_EQ(QRNConfig::relate_relax_vars_thres, 3);
  EXPECT_EQ(QRNConfig::qrnenc, 0xFC40);
  EXPECT_EQ(QRNConfig::qrnalg, 0xFB01);
  EXPECT_EQ(QRNConfig::qrnrel, 0xFA04);
  EXPECT_EQ(QRNConfig::qrntype, 0xFD01);
  EXPECT_EQ(QRNConfig::tool_timeout, 86400);
  EXPECT_EQ(Logger::verbosity, 1);
  EXPECT_EQ(Logger::logf, nullptr);
  EXPECT_EQ(Logger::errf, nullptr);
  EXPECT_EQ(XRT::get_tname(), "");
  EXPECT_EQ(XRT::get_stname(), "");
  EXPECT_NE(QRNAppObjs::_config, nullptr);
  EXPECT_NE(QRNAppObjs::_stats, nullptr);
  EXPECT_EQ(QRNAppObjs::_ncubes, 0);
  EXPECT_EQ(QRNAppObjs::_mincost, 0);
}

class ReleaseTest : public FrontEndState, public ::testing::WithParamInterface<ReleaseRow> {};

// Embedding order: a release named before the defaults is the release of the run.
TEST_P(ReleaseTest, ReleaseBeforeDefaultsIsKept) {
  const ReleaseRow& row = GetParam();
  q().set_release(row.name);
  EXPECT_TRUE(QRNConfig::optlock);
  expect_release_row(row);

  q().set_runtime_defaults();
  expect_release_row(row);
  EXPECT_EQ(QRNConfig::verbosity, 1);
  EXPECT_EQ(Logger::verbosity, 1);
  EXPECT_TRUE(QRNConfig::comp_format);
  EXPECT_TRUE(QRNConfig::lst_model);
  EXPECT_TRUE(QRNConfig::optlock);
}

// Command-line order: the defaults lock release 1.2 first; a later release only validates.
TEST_P(ReleaseTest, ReleaseAfterDefaultsChangesNothing) {
  q().set_runtime_defaults();
  expect_release_row(release_1_2());
  q().set_release(GetParam().name);
  expect_release_row(release_1_2());
  EXPECT_TRUE(QRNConfig::optlock);
}

// The first valid release wins; a second one, valid too, is only checked.
TEST_P(ReleaseTest, SecondReleaseIsLocked) {
  q().set_release("1.0");
  q().set_release(GetParam().name);
  expect_release_row(kReleases[0]);
}

INSTANTIATE_TEST_SUITE_P(AllReleases, ReleaseTest, ::testing::ValuesIn(kReleases),
                         [](const ::testing::TestParamInfo<ReleaseRow>& info) {
                           std::string n = std::string("r") + info.param.name;
                           for (char& c : n)
                             if (c == '.') c = '_';
                           return n;
                         });

TEST_F(ConfigTest, EncodingAfterReleaseIsIgnored) {
  q().set_release("1.0");
  q().set_card_encoding("c");
  EXPECT_EQ(QRNConfig::qrnenc, 0xFC10);
  q().set_algorithm("4");
  EXPECT_EQ(QRNConfig::qrnalg, 0xFB01);
}

// Encoding and algorithm neither need nor set the lock; the release that follows overwrites
// its whole row and then locks.
TEST_F(ConfigTest, EncodingAndAlgorithmBeforeReleaseAreOverwritten) {
  q().set_card_encoding("c");
  q().set_algorithm("2");
  EXPECT_EQ(QRNConfig::qrnenc, 0xFC08);
  EXPECT_EQ(QRNConfig::qrnalg, 0xFB02);
  EXPECT_FALSE(QRNConfig::optlock);
  EXPECT_FALSE(QRNConfig::relate_relax_vars);

  q().set_release("1.2");
  expect_release_row(release_1_2());
  EXPECT_TRUE(QRNConfig::optlock);
}

TEST_F(ConfigTest, RelateRelaxVarsIgnoresTheLock) {
  q().set_runtime_defaults();
  ASSERT_TRUE(QRNConfig::optlock);
  q().set_relate_relax_vars(5);
  EXPECT_TRUE(QRNConfig::relate_relax_vars);
  EXPECT_EQ(QRNConfig::relate_relax_vars_thres, 5);
  // ... and a release named afterwards cannot take it back.
  q().set_release("1.0");
  EXPECT_EQ(QRNConfig::relate_relax_vars_thres, 5);
}

TEST_F(ConfigTest, RelateRelaxVarsBeforeReleaseIsOverwritten) {
  q().set_relate_relax_vars(7);
  EXPECT_EQ(QRNConfig::relate_relax_vars_thres, 7);
  q().set_release("3.1");
  EXPECT_EQ(QRNConfig::relate_relax_vars_thres, 3);
}

struct NameCode {
  const char* name;
  int code;
};

void PrintTo(const NameCode& n, std::ostream* os) { *os << '"' << n.name << '"'; }

class AlgorithmNameTest : public FrontEndState, public ::testing::WithParamInterface<NameCode> {};

TEST_P(AlgorithmNameTest, StoredWhileUnlocked) {
  q().set_algorithm(GetParam().name);
  EXPECT_EQ(QRNConfig::qrnalg, GetParam().code);
  EXPECT_FALSE(QRNConfig::optlock);
  EXPECT_EQ(QRNConfig::qrnenc, 0xFC40);
}

TEST_P(AlgorithmNameTest, OnlyValidatedWhenLocked) {
  q().set_release("2.0");
  q().set_algorithm(GetParam().name);
  EXPECT_EQ(QRNConfig::qrnalg, 0xFB02);
}

INSTANTIATE_TEST_SUITE_P(AllAlgorithms, AlgorithmNameTest,
                         ::testing::Values(NameCode{"1", 0xFB01}, NameCode{"2", 0xFB02},
                                           NameCode{"3", 0xFB04}, NameCode{"3.1", 0xFB05},
                                           NameCode{"4", 0xFB08}));

class EncodingNameTest : public FrontEndState, public ::testing::WithParamInterface<NameCode> {};

TEST_P(EncodingNameTest, StoredWhileUnlocked) {
  q().set_card_encoding(GetParam().name);
  EXPECT_EQ(QRNConfig::qrnenc, GetParam().code);
  EXPECT_FALSE(QRNConfig::optlock);
  EXPECT_EQ(QRNConfig::qrnalg, 0xFB01);
}

TEST_P(EncodingNameTest, OnlyValidatedWhenLocked) {
  q().set_release("1.1");
  q().set_card_encoding(GetParam().name);
  EXPECT_EQ(QRNConfig::qrnenc, 0xFC08);
}

INSTANTIATE_TEST_SUITE_P(AllEncodings, EncodingNameTest,
                         ::testing::Values(NameCode{"a", 0xFC01}, NameCode{"b", 0xFC02},
                                           NameCode{"i", 0xFC04}, NameCode{"c", 0xFC08},
                                           NameCode{"e", 0xFC10}, NameCode{"s", 0xFC20},
                                           NameCode{"l", 0xFC40}));

// Invalid names: one error line and exit status 3, whether or not the lock is set, and with
// the tool prefix in force at that moment (empty before init, "QRN" after).
enum class Setter { Release, Algorithm, Encoding };

struct InvalidName {
  Setter setter;
  const char* name;
  const char* message;
};

const InvalidName kInvalidNames[] = {
    {Setter::Release, "9.9", "Invalid QRN release"},
    {Setter::Release, "", "Invalid QRN release"},
    {Setter::Release, "1", "Invalid QRN release"},        // an algorithm name, not a release
    {Setter::Release, "1.2 ", "Invalid QRN release"},     // whole-string comparison
    {Setter::Release, "1.20", "Invalid QRN release"},
    {Setter::Algorithm, "3.0", "Invalid QRN algorithm"},  // a release name, not an algorithm
    {Setter::Algorithm, "5", "Invalid QRN algorithm"},
    {Setter::Algorithm, "1.0", "Invalid QRN algorithm"},
    {Setter::Algorithm, "", "Invalid QRN algorithm"},
    {Setter::Encoding, "x", "Invalid CNF encoding"},
    {Setter::Encoding, "L", "Invalid CNF encoding"},      // case-sensitive
    {Setter::Encoding, "ab", "Invalid CNF encoding"},
    {Setter::Encoding, "", "Invalid CNF encoding"},
};

void PrintTo(const InvalidName& n, std::ostream* os) {
  const char* what[] = {"release", "algorithm", "encoding"};
  *os << what[static_cast<int>(n.setter)] << " \"" << n.name << '"';
}

void call_setter(Quarnel& q, Setter s, const char* name) {
  switch (s) {
    case Setter::Release: q.set_release(name); break;
    case Setter::Algorithm: q.set_algorithm(name); break;
    case Setter::Encoding: q.set_card_encoding(name); break;
  }
}

class InvalidNameTest : public FrontEndState, public ::testing::WithParamInterface<InvalidName> {};

TEST_P(InvalidNameTest, BeforeInitHasEmptyPrefix) {
  const InvalidName& p = GetParam();
  ASSERT_EQ(XRT::get_stname(), "");
  EXPECT_EXIT(
      {
        route_stdout_to_stderr();
        call_setter(q(), p.setter, p.name);
      },
      ::testing::ExitedWithCode(3), ::testing::Eq(std::string(" ERROR: ") + p.message + "\n"));
}

INSTANTIATE_TEST_SUITE_P(Names, InvalidNameTest, ::testing::ValuesIn(kInvalidNames));

// The lock and the tool names change neither the validation nor the line, only its prefix.
using InvalidNameStateTest = InvalidNameTest;

TEST_P(InvalidNameStateTest, LockedStillValidates) {
  const InvalidName& p = GetParam();
  q().set_runtime_defaults();
  EXPECT_EXIT(
      {
        route_stdout_to_stderr();
        call_setter(q(), p.setter, p.name);
      },
      ::testing::ExitedWithCode(3), ::testing::Eq(std::string(" ERROR: ") + p.message + "\n"));
}

TEST_P(InvalidNameStateTest, AfterToolNamesHasQrnPrefix) {
  const InvalidName& p = GetParam();
  LogUtils::set_tool_log_names("Quarnel", "QRN");
  EXPECT_EXIT(
      {
        route_stdout_to_stderr();
        call_setter(q(), p.setter, p.name);
      },
      ::testing::ExitedWithCode(3), ::testing::Eq(std::string("QRN ERROR: ") + p.message + "\n"));
}

INSTANTIATE_TEST_SUITE_P(OnePerSetter, InvalidNameStateTest,
                         ::testing::Values(kInvalidNames[0], kInvalidNames[5], kInvalidNames[9]));

// The budget of iter_solve: with N cubes requested, enumeration goes on while at most N have
// been counted; -1 never stops it.
struct EnumCase {
  bool enabled;
  long num_cubes;
  long counted;
  bool expected;
};

void PrintTo(const EnumCase& c, std::ostream* os) {
  *os << (c.enabled ? "enabled" : "disabled") << ", num_cubes " << c.num_cubes << ", counted "
      << c.counted;
}

class EnumModelsTest : public FrontEndState, public ::testing::WithParamInterface<EnumCase> {};

TEST_P(EnumModelsTest, BudgetAgainstCountedCubes) {
  const EnumCase& c = GetParam();
  if (c.enabled) {
    if (c.num_cubes < 0)
      q().set_enumerate_models();
    else
      q().set_enumerate_models(c.num_cubes);
    EXPECT_TRUE(QRNConfig::enum_models);
    EXPECT_EQ(QRNConfig::num_cubes, c.num_cubes);
  } else {
    QRNConfig::num_cubes = c.num_cubes;
  }
  QRNAppObjs::_ncubes = c.counted;
  EXPECT_EQ(q().get_enum_models(), c.expected)
      << "num_cubes " << c.num_cubes << ", counted " << c.counted;
}

INSTANTIATE_TEST_SUITE_P(
    Budgets, EnumModelsTest,
    ::testing::Values(EnumCase{true, 2, 0, true}, EnumCase{true, 2, 1, true},
                      EnumCase{true, 2, 2, true}, EnumCase{true, 2, 3, false},
                      EnumCase{true, 2, 100, false}, EnumCase{true, -1, 0, true},
                      EnumCase{true, -1, 1000000, true}, EnumCase{true, 0, 0, true},
                      EnumCase{true, 0, 1, false},
                      // a negative count is compared as a signed number
                      EnumCase{true, 0, -1, true},
                      EnumCase{false, -1, 0, false}, EnumCase{false, 5, 0, false}));

TEST_F(ConfigTest, SingletonIsOneObject) {
  Quarnel& a = Quarnel::instance();
  Quarnel& b = Quarnel::instance();
  QuarnelExtended* c = QuarnelExtended::bind_instance();
  EXPECT_EQ(&a, &b);
  EXPECT_EQ(&a, static_cast<Quarnel*>(c));
  EXPECT_EQ(QuarnelExtended::qrn, c);
}

TEST_F(ConfigTest, ReleaseInstanceKeepsConfiguration) {
  Quarnel& q1 = Quarnel::instance();
  q1.set_release("3.0");
  q1.set_verbosity(7);
  q1.set_enumerate_models(4);
  q1.set_timeout(12);
  QRNAppObjs::_ncubes = 2;
  QRNAppObjs::_mincost = 9;
  IDManager* imgr = QRNAppObjs::_imgr;
  BasicClauseSet* clset = QRNAppObjs::_clset;

  QuarnelExtended::release_instance();
  EXPECT_EQ(QuarnelExtended::qrn, nullptr);
  QuarnelExtended::release_instance();  // nothing to release: no effect
  EXPECT_EQ(QuarnelExtended::qrn, nullptr);

  Quarnel& q2 = Quarnel::instance();
  EXPECT_NE(QuarnelExtended::qrn, nullptr);
  EXPECT_EQ(q2.get_verbosity(), 7);
  EXPECT_EQ(Logger::verbosity, 7);
  EXPECT_TRUE(q2.get_enum_models());
  EXPECT_EQ(QRNConfig::tool_timeout, 12);
  expect_release_row(kReleases[4]);
  EXPECT_TRUE(QRNConfig::optlock);
  EXPECT_EQ(q2.get_min_unsat_cost(), 9);
  EXPECT_EQ(QRNAppObjs::_ncubes, 2);
  EXPECT_EQ(QRNAppObjs::_imgr, imgr);
  EXPECT_EQ(QRNAppObjs::_clset, clset);
}

TEST_F(ConfigTest, ProblemTypeSetters) {
  q().set_prob_partial_maxsat();
  EXPECT_EQ(QRNConfig::qrntype, 0xFD02);
  q().set_prob_weighted_maxsat();
  EXPECT_EQ(QRNConfig::qrntype, 0xFD04);
  q().set_prob_soft_cnf();
  EXPECT_EQ(QRNConfig::qrntype, 0xFD08);
  q().set_prob_plain_maxsat();
  EXPECT_EQ(QRNConfig::qrntype, 0xFD01);
}

TEST_F(ConfigTest, FlagSettersAndGetters) {
  q().set_verbosity(4);
  EXPECT_EQ(q().get_verbosity(), 4);
  EXPECT_EQ(Logger::verbosity, 4);

  q().set_logging();
  EXPECT_TRUE(q().get_logging());

  q().set_comp_format();
  EXPECT_TRUE(q().get_comp_format());
  q().unset_comp_format();
  EXPECT_FALSE(q().get_comp_format());

  q().set_compute_model();
  EXPECT_TRUE(q().get_compute_model());
  q().unset_compute_model();
  EXPECT_FALSE(q().get_compute_model());

  q().set_lst_unsat_cls();
  EXPECT_TRUE(q().get_lst_unsat_cls());
  q().unset_lst_unsat_cls();
  EXPECT_FALSE(q().get_lst_unsat_cls());

  q().set_enum_orig_vars();
  EXPECT_FALSE(QRNConfig::enum_rv);
  q().set_enum_relax_vars();
  EXPECT_TRUE(QRNConfig::enum_rv);

  q().set_use_added_cls();
  EXPECT_TRUE(QRNConfig::use_added_relax_cls);
  q().set_bmo_mode();
  EXPECT_TRUE(QRNConfig::bmo_mode);
  q().set_timeout(-5);
  EXPECT_EQ(QRNConfig::tool_timeout, -5);

  QRNStats::_num_init_vars = 17;
  QRNStats::_num_init_cls = 23;
  QRNAppObjs::_mincost = -1;
  EXPECT_EQ(q().get_num_init_vars(), 17);
  EXPECT_EQ(q().get_num_init_cls(), 23);
  EXPECT_EQ(q().get_min_unsat_cost(), -1);
}

// The defaults set the verbosity even when a caller chose another one before.
TEST_F(ConfigTest, RuntimeDefaultsResetVerbosity) {
  q().set_verbosity(0);
  q().unset_comp_format();
  q().unset_compute_model();
  q().set_runtime_defaults();
  EXPECT_EQ(QRNConfig::verbosity, 1);
  EXPECT_EQ(Logger::verbosity, 1);
  EXPECT_TRUE(QRNConfig::comp_format);
  EXPECT_TRUE(QRNConfig::lst_model);
  // Flags outside the defaults keep their values.
  EXPECT_FALSE(QRNConfig::logging);
  EXPECT_FALSE(QRNConfig::enum_models);
  EXPECT_EQ(QRNConfig::tool_timeout, 86400);
}

}  // namespace
