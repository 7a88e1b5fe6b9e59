// The BMO check, the level partition and the BMO driver. Instances are built from groups of
// unit clauses over distinct variables; each case states which weight indices must come out as
// level boundaries, so a wrong running total (wrapping, a 32-bit sum, a skipped hard level)
// shows up as a wrong boundary list, not only as a wrong verdict.
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <limits>
#include <string>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "util/runtime_msgs.hh"
#include "bmo/ubmo.hh"
#include "clauses/basic_clause_set.hh"
#include "clauses/id_manager.hh"

namespace {

constexpr Cost kMax = std::numeric_limits<Cost>::max();
constexpr Cost kTop31 = BasicClauseSet::default_top_weight;
constexpr Cost p2(int k) { return Cost(1) << k; }

struct Group {
  Cost weight;
  unsigned count;
};

// Fills `set` with `count` unit clauses per group and returns the weight each clause had when
// the set was complete (the partition overwrites the clauses' weights). Clauses are shared
// process-wide, so every call uses variables no earlier call used: two sets built here never
// share a clause.
std::unordered_map<BasicClause*, Cost> build(BasicClauseSet& set, Cost top,
                                                 const std::vector<Group>& groups) {
  static long var = 0;
  set.set_top_weight(top);
  set.set_cltype(CL_WEIGHTED);
  for (const Group& g : groups) {
    set.set_def_weight(g.weight);
    for (unsigned k = 0; k < g.count; ++k) {
      LitVector lits{++var};
      set.add_clause(lits);
    }
  }
  set.set_cltype(CL_HARD);
  std::unordered_map<BasicClause*, Cost> original;
  for (BasicClause* cl : set) original[cl] = cl->get_weight();
  return original;
}

// Saves and restores the tool name that messages carry.
class BmoTest : public ::testing::Test {
protected:
  void SetUp() override { stname = XRT::get_stname(); }
  void TearDown() override { XRT::set_stname(stname); }
  IDManager imgr;

private:
  std::string stname;
};

struct CheckCase {
  const char* name;
  Cost top;
  std::vector<Group> groups;
  BMOConds cond;
  std::vector<unsigned long> bounds;  // in the order found: lightest candidate first
};

void PrintTo(const CheckCase& c, std::ostream* os) { *os << c.name; }

class BmoCheck : public BmoTest, public ::testing::WithParamInterface<CheckCase> {};

TEST_P(BmoCheck, VerdictAndBoundaries) {
  const CheckCase& c = GetParam();
  BasicClauseSet set;
  build(set, c.top, c.groups);
  UnsatBMOSolver bmo(imgr);
  EXPECT_EQ(bmo.validate_bmo_conditions(set), c.cond);
  EXPECT_EQ(bmo.get_level_bounds(), c.bounds);
  const std::vector<Cost>& w = bmo.get_weights();
  EXPECT_TRUE(std::is_sorted(w.rbegin(), w.rend()) &&
              std::adjacent_find(w.begin(), w.end()) == w.end())
      << "weights must be distinct and decreasing";
}

// Whatever the verdict, the levels partition the instance: each clause in exactly one level,
// the very same object, heavier levels before lighter ones, and each level except the lightest
// ends at the hard weight or at a boundary.
TEST_P(BmoCheck, LevelsPartitionTheInstance) {
  const CheckCase& c = GetParam();
  BasicClauseSet set;
  auto original = build(set, c.top, c.groups);
  UnsatBMOSolver bmo(imgr);
  bmo.validate_bmo_conditions(set);
  bmo.split_clause_set(set);

  const auto& levels = bmo.get_level_sets();
  const auto& w = bmo.get_weights();
  std::unordered_set<unsigned long> ends(bmo.get_level_bounds().begin(), bmo.get_level_bounds().end());
  if (!w.empty() && w.front() >= c.top) ends.insert(0);

  std::unordered_set<BasicClause*> seen;
  Cost previous_lightest = kMax;
  bool first_level = true;
  for (std::size_t k = 0; k < levels.size(); ++k) {
    ASSERT_NE(levels[k], nullptr) << "level " << k;
    ASSERT_GT(levels[k]->size(), 0u) << "level " << k;
    Cost heaviest = 0, lightest = kMax;
    for (BasicClause* cl : *levels[k]) {
      ASSERT_TRUE(set.is_member(cl)) << "level " << k << " holds a clause not in the instance";
      EXPECT_TRUE(seen.insert(cl).second) << "clause in two levels";
      heaviest = std::max(heaviest, original[cl]);
      lightest = std::min(lightest, original[cl]);
    }
    if (!first_level) {
      EXPECT_LT(heaviest, previous_lightest) << "level " << k << " overlaps its predecessor";
    }
    first_level = false;
    previous_lightest = lightest;
    if (k + 1 < levels.size()) {
      std::size_t end = std::find(w.begin(), w.end(), lightest) - w.begin();
      EXPECT_EQ(ends.count(end), 1u) << "level " << k << " ends at weight index " << end;
    }
  }
  EXPECT_EQ(seen.size(), set.size());
  EXPECT_EQ(levels.size(), set.size() == 0 ? 0 : ends.size() + (ends.count(w.size() - 1) ? 0 : 1));
}

INSTANTIATE_TEST_SUITE_P(
    Weights, BmoCheck,
    ::testing::Values(
        CheckCase{"complete_8_4_2_1", kTop31, {{8, 1}, {4, 1}, {2, 1}, {1, 1}}, BMO_COMPLETE, {2, 1, 0}},
        CheckCase{"partial_5_4_2_1", kTop31, {{5, 1}, {4, 1}, {2, 1}, {1, 1}}, BMO_PARTIAL, {2, 1}},
        CheckCase{"none_3_3_5", kTop31, {{3, 2}, {5, 1}}, BMO_NONE, {}},
        CheckCase{"none_partial_maxsat", kTop31, {{kTop31, 3}, {1, 4}}, BMO_NONE, {}},
        CheckCase{"complete_hard_8_4_2_1", kTop31, {{kTop31, 2}, {8, 1}, {4, 1}, {2, 1}, {1, 1}}, BMO_COMPLETE,
                  {3, 2, 1}},
        CheckCase{"none_empty", kTop31, {}, BMO_NONE, {}},
        CheckCase{"none_one_weight", kTop31, {{7, 3}}, BMO_NONE, {}},
        CheckCase{"none_hard_only", kTop31, {{kTop31, 2}}, BMO_NONE, {}},
        CheckCase{"none_hard_one_weight", kTop31, {{kTop31, 2}, {5, 2}}, BMO_NONE, {}},
        // Counts matter, not just distinct weights: 9 > 4 + 1 but not 9 > 4*2 + 1.
        CheckCase{"partial_by_counts", kTop31, {{20, 1}, {9, 1}, {4, 2}, {1, 1}}, BMO_PARTIAL, {2, 0}},
        // A weight above the top weight is the hard level, never a candidate.
        CheckCase{"heavier_than_top_is_hard", 10, {{12, 1}, {4, 1}, {2, 1}, {1, 1}}, BMO_COMPLETE, {2, 1}},
        // Weights and sums beyond 32 bits.
        CheckCase{"sum_equals_weight_past_2p31", kMax, {{3000000000u, 1}, {2000000000u, 1}, {1000000000u, 1}},
                  BMO_PARTIAL, {1}},
        CheckCase{"complete_past_2p32", kMax, {{p2(32) + 1, 1}, {p2(31), 2}}, BMO_COMPLETE, {0}},
        // Sums that reach or pass 2^64: wrapping would find boundaries that do not exist.
        CheckCase{"product_past_2p64", kMax, {{kMax - 1, 1}, {p2(62), 5}}, BMO_NONE, {}},
        CheckCase{"sum_past_2p64", kMax, {{kMax - 1, 1}, {p2(63), 1}, {p2(63) - 1, 1}, {1, 1}}, BMO_PARTIAL,
                  {2}},
        CheckCase{"saturated_then_heavier", kMax, {{kMax - 1, 1}, {kMax - 2, 1}, {p2(63), 2}}, BMO_NONE, {}},
        CheckCase{"just_below_2p64", kMax, {{kMax - 1, 1}, {p2(63) - 2, 2}}, BMO_COMPLETE, {0}},
        CheckCase{"hard_at_2p64_minus_1", kMax, {{kMax, 2}, {p2(63), 1}, {p2(62), 1}, {1, 1}}, BMO_COMPLETE,
                  {2, 1}}),
    [](const ::testing::TestParamInfo<CheckCase>& info) { return std::string(info.param.name); });

// The concrete levels of one instance, with and without hard clauses: 40 | 9 8 | 5 | 1 1.
TEST_F(BmoTest, LevelContents) {
  for (bool with_hard : {false, true}) {
    SCOPED_TRACE(with_hard ? "with hard clauses" : "without hard clauses");
    std::vector<Group> groups{{40, 1}, {9, 1}, {8, 1}, {5, 1}, {1, 2}};
    if (with_hard) groups.insert(groups.begin(), Group{kTop31, 2});
    BasicClauseSet set;
    auto original = build(set, kTop31, groups);
    UnsatBMOSolver bmo(imgr);
    EXPECT_EQ(bmo.validate_bmo_conditions(set), BMO_PARTIAL);
    bmo.split_clause_set(set);

    std::vector<std::vector<Cost>> expected{{40}, {9, 8}, {5}, {1, 1}};
    if (with_hard) expected.insert(expected.begin(), {kTop31, kTop31});
    std::vector<std::vector<Cost>> actual;
    for (BasicClauseSet* level : bmo.get_level_sets()) {
      std::vector<Cost> ws;
      for (BasicClause* cl : *level) ws.push_back(original.at(cl));
      std::sort(ws.rbegin(), ws.rend());
      actual.push_back(ws);
    }
    EXPECT_EQ(actual, expected);
  }
}

// Repeating the check on another instance must not mix in the first one's groups.
TEST_F(BmoTest, SecondCheckStartsAfresh) {
  BasicClauseSet first, second;
  build(first, kTop31, {{kTop31, 1}, {5, 1}, {4, 1}, {2, 1}, {1, 1}});
  build(second, kTop31, {{8, 1}, {4, 1}, {2, 1}, {1, 1}});
  UnsatBMOSolver bmo(imgr);
  bmo.validate_bmo_conditions(first);
  bmo.split_clause_set(first);
  EXPECT_EQ(bmo.validate_bmo_conditions(second), BMO_COMPLETE);
  EXPECT_EQ(bmo.get_level_bounds(), (std::vector<unsigned long>{2, 1, 0}));
  bmo.split_clause_set(second);
  EXPECT_EQ(bmo.get_level_sets().size(), 4u);
}

struct MsgCase {
  BMOConds cond;
  bool comp_format;
  const char* expected;
};

class BmoMessage : public BmoTest, public ::testing::WithParamInterface<MsgCase> {};

TEST_P(BmoMessage, VerdictLine) {
  UnsatBMOSolver bmo(imgr, {GetParam().comp_format, false});
  ::testing::internal::CaptureStdout();
  bmo.prt_bmo_chk_msg(GetParam().cond);
  EXPECT_EQ(::testing::internal::GetCapturedStdout(), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Verdicts, BmoMessage,
    ::testing::Values(MsgCase{BMO_NONE, true, "c No BMO condition holds\n"},
                      MsgCase{BMO_NONE, false, "No BMO condition holds\n"},
                      MsgCase{BMO_COMPLETE, true, "c Validated complete BMO condition\n"},
                      MsgCase{BMO_COMPLETE, false, "Validated complete BMO condition\n"},
                      MsgCase{BMO_PARTIAL, true, "c Validated partial BMO condition\n"},
                      MsgCase{BMO_PARTIAL, false, "Validated partial BMO condition\n"}));

// Death tests see standard error only; the mode writes to standard output, so the child
// process sends its standard output there.
void stdout_to_stderr() { ASSERT_EQ(dup2(STDERR_FILENO, STDOUT_FILENO), STDOUT_FILENO); }

// Literal text as a POSIX extended regular expression.
std::string quoted(const std::string& text) {
  std::string out;
  for (char ch : text) {
    if (std::string(".[]{}()\\*+?^$|").find(ch) != std::string::npos) out += '\\';
    out += ch;
  }
  return out;
}

TEST_F(BmoTest, InvalidVerdictIsFatal) {
  XRT::set_stname("QRN");
  UnsatBMOSolver bmo(imgr, {true, false});
  EXPECT_EXIT(
      {
        stdout_to_stderr();
        bmo.prt_bmo_chk_msg(static_cast<BMOConds>(0x800));
      },
      ::testing::ExitedWithCode(3), "^" + quoted("QRN ERROR: Invalid BMO type??\n") + "$");
}

struct DriverCase {
  const char* name;
  std::vector<Group> groups;
  int verbosity;
  bool comp_format;
  const char* verdict;  // the verdict line expected, or null when none is due
  bool warns;
};

void PrintTo(const DriverCase& c, std::ostream* os) { *os << c.name; }

class BmoDriver : public BmoTest, public ::testing::WithParamInterface<DriverCase> {};

// The whole output of the mode, line by line, and its exit status. The verdict is computed
// before the partition changes the weights, or the complete and partial cases would read
// "No BMO condition holds".
TEST_P(BmoDriver, OutputAndExitStatus) {
  const DriverCase& c = GetParam();
  XRT::set_stname("QRN");
  BasicClauseSet set;
  build(set, kTop31, c.groups);
  UnsatBMOSolver bmo(imgr, {c.comp_format, c.verbosity > 3});

  const std::string cpu_line = "c CPU Time: [0-9][0-9.e+-]*\n";
  std::string expected = "^" + quoted("c Entering BMO checking & solving...\n") + cpu_line;
  if (c.verdict != nullptr) expected += quoted(c.verdict);
  if (c.warns)
    expected += quoted("QRN WARN: No BMO condition identified; running default Weighted MaxSAT solver\n");
  expected += quoted("c Terminating...\n") + cpu_line + "$";

  EXPECT_EXIT(
      {
        stdout_to_stderr();
        bmo.solve(set);
      },
      ::testing::ExitedWithCode(1), expected);
}

const std::vector<Group> complete_groups{{kTop31, 2}, {8, 1}, {4, 1}, {2, 1}, {1, 1}};
const std::vector<Group> partial_groups{{5, 1}, {4, 1}, {2, 1}, {1, 1}};
const std::vector<Group> none_groups{{3, 2}, {5, 1}};

INSTANTIATE_TEST_SUITE_P(
    Verdicts, BmoDriver,
    ::testing::Values(
        DriverCase{"complete_v4_comp", complete_groups, 4, true, "c Validated complete BMO condition\n", false},
        DriverCase{"complete_v3_silent", complete_groups, 3, true, nullptr, false},
        DriverCase{"partial_v4_plain", partial_groups, 4, false, "Validated partial BMO condition\n", false},
        DriverCase{"partial_v1_silent", partial_groups, 1, true, nullptr, false},
        DriverCase{"none_v4_comp", none_groups, 4, true, "c No BMO condition holds\n", true},
        DriverCase{"none_v0_still_warns", none_groups, 0, true, nullptr, true},
        DriverCase{"none_partial_maxsat", {{kTop31, 2}, {1, 3}}, 1, true, nullptr, true},
        DriverCase{"none_empty", {}, 10, false, "No BMO condition holds\n", true}),
    [](const ::testing::TestParamInfo<DriverCase>& info) { return std::string(info.param.name); });

}  // namespace
