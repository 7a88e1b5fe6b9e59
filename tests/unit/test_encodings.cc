// The three at-most-one encoders, through both of their users: the per-core exactly-one
// constraint (QRN1::add_card_constraint, which puts the at-least-one clause in front) and the
// per-clause at-most-one constraint over one clause's relaxation variables
// (UnsatMaxSATSolver::constrain_clause_extra_vars). The expected clauses are written out by hand
// for n = 1 ... 5, over symbolic variables: x0 ... x4 are the constrained variables, a0 ... a2 the
// auxiliaries in the order they must be taken from the allocator, so the tables fix both the
// clauses and which auxiliary id each clause uses.
//
// The per-clause list records the clauses in the order they were added, so there the order is
// checked exactly; the clause set itself is unordered, so for the per-core constraint the test
// checks the set of clauses, the auxiliary ids and that nothing else was added.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <string>
#include <vector>

#include "clauses/basic_clause_set.hh"
#include "clauses/id_manager.hh"
#include "engine/qrn/card_encodings.hh"
#include "engine/qrn/qrn1.hh"
#include "engine_test_support.hh"
#include "config/qrn_config.hh"

namespace {

using engine_test::contents;
using engine_test::lits_of;
using engine_test::run_in_child;
using engine_test::sorted;

// Symbolic literals: X(i) is the i-th constrained variable, A(j) the j-th auxiliary variable.
constexpr long X(int i) { return 1 + i; }
constexpr long A(int j) { return 101 + j; }

using SymClause = std::vector<long>;
using SymClauses = std::vector<SymClause>;

// At-most-one clauses per encoding and n (index n-1), in the order of adding.
const SymClauses pairwise_amo[5] = {
    {},
    {{-X(0), -X(1)}},
    {{-X(0), -X(1)}, {-X(0), -X(2)}, {-X(1), -X(2)}},
    {{-X(0), -X(1)}, {-X(0), -X(2)}, {-X(0), -X(3)}, {-X(1), -X(2)}, {-X(1), -X(3)},
     {-X(2), -X(3)}},
    {{-X(0), -X(1)}, {-X(0), -X(2)}, {-X(0), -X(3)}, {-X(0), -X(4)}, {-X(1), -X(2)},
     {-X(1), -X(3)}, {-X(1), -X(4)}, {-X(2), -X(3)}, {-X(2), -X(4)}, {-X(3), -X(4)}},
};

const SymClauses seq_counter_amo[5] = {
    {},
    {{-X(0), A(0)}, {-X(1), -A(0)}},
    {{-X(0), A(0)}, {-X(1), -A(0)}, {-X(1), A(1)}, {-A(0), A(1)}, {-X(2), -A(1)}},
    {{-X(0), A(0)}, {-X(1), -A(0)}, {-X(1), A(1)}, {-A(0), A(1)}, {-X(2), -A(1)},
     {-X(2), A(2)}, {-A(1), A(2)}, {-X(3), -A(2)}},
    {{-X(0), A(0)}, {-X(1), -A(0)}, {-X(1), A(1)}, {-A(0), A(1)}, {-X(2), -A(1)},
     {-X(2), A(2)}, {-A(1), A(2)}, {-X(3), -A(2)}, {-X(3), A(3)}, {-A(2), A(3)},
     {-X(4), -A(3)}},
};

// Variable i is tied to the binary code of i, A(0) the most significant digit.
const SymClauses bitwise_amo[5] = {
    {},
    {{-X(0), -A(0)}, {-X(1), A(0)}},
    {{-X(0), -A(0)}, {-X(0), -A(1)}, {-X(1), -A(0)}, {-X(1), A(1)}, {-X(2), A(0)},
     {-X(2), -A(1)}},
    {{-X(0), -A(0)}, {-X(0), -A(1)}, {-X(1), -A(0)}, {-X(1), A(1)}, {-X(2), A(0)},
     {-X(2), -A(1)}, {-X(3), A(0)}, {-X(3), A(1)}},
    {{-X(0), -A(0)}, {-X(0), -A(1)}, {-X(0), -A(2)},
     {-X(1), -A(0)}, {-X(1), -A(1)}, {-X(1), A(2)},
     {-X(2), -A(0)}, {-X(2), A(1)}, {-X(2), -A(2)},
     {-X(3), -A(0)}, {-X(3), A(1)}, {-X(3), A(2)},
     {-X(4), A(0)}, {-X(4), -A(1)}, {-X(4), -A(2)}},
};

struct EncoderCase {
  const char* name;
  int encoding;
  const SymClauses* table;
  int aux[5];  // auxiliary variables per n
};

const EncoderCase encoder_cases[] = {
    {"pairwise", QRN_ENC_PAIRWISE, pairwise_amo, {0, 0, 0, 0, 0}},
    {"seq_counter", QRN_ENC_SEQ_COUNTER, seq_counter_amo, {0, 1, 2, 3, 4}},
    {"bitwise", QRN_ENC_BITWISE, bitwise_amo, {0, 1, 2, 2, 3}},
};

// Turns a symbolic clause into literals over the given variables and auxiliaries (first
// auxiliary id `aux0`), sorted as the clause set sorts them.
LitVector concrete(const SymClause& sym, const std::vector<long>& xs, long aux0) {
  LitVector lits;
  for (long s : sym) {
    long v = std::labs(s);
    long var = v >= A(0) ? aux0 + (v - A(0)) : xs[static_cast<std::size_t>(v - X(0))];
    lits.push_back(s < 0 ? -var : var);
  }
  return sorted(lits);
}

std::vector<LitVector> concrete_all(const SymClauses& syms, const std::vector<long>& xs,
                                    long aux0) {
  std::vector<LitVector> out;
  for (const SymClause& s : syms) out.push_back(concrete(s, xs, aux0));
  return out;
}

class EncoderTest : public ::testing::TestWithParam<std::tuple<int, int>> {
protected:
  const EncoderCase& enc() const { return encoder_cases[std::get<0>(GetParam())]; }
  int n() const { return std::get<1>(GetParam()); }
  const SymClauses& expected() const { return enc().table[n() - 1]; }
  int expected_aux() const { return enc().aux[n() - 1]; }
};

// Constrained variables that are neither contiguous nor ordered by id, so that a mix-up of
// position and variable shows.
std::vector<long> spread_vars(int n) {
  const long pool[] = {17, 4, 23, 9, 31};
  return std::vector<long>(pool, pool + n);
}

TEST_P(EncoderTest, PerCoreConstraintIsAtLeastOnePlusTheEncoder) {
  CoreLoopSettings settings;
  settings.encoding = enc().encoding;
  BasicClauseSet set;
  IDManager imgr;
  imgr.set_top_id(40);
  QRN1 solver(imgr, set, settings);
  std::vector<long> rvars = spread_vars(n());
  const std::vector<long> before = rvars;
  set.set_cltype(CL_SOFT);

  solver.add_card_constraint(rvars);

  EXPECT_EQ(rvars, before);
  EXPECT_EQ(set.get_cltype(), CL_HARD);
  // The auxiliary ids follow the top id without gaps.
  EXPECT_EQ(imgr.get_top_id(), 40 + expected_aux());

  std::vector<LitVector> want = concrete_all(expected(), before, 41);
  want.push_back(sorted(before));
  std::sort(want.begin(), want.end());
  EXPECT_EQ(contents(set), want);
  EXPECT_EQ(set.size(), want.size()) << "every clause of the constraint is a distinct clause";
  for (const BasicClause* cl : set) EXPECT_TRUE(set.is_hard(cl));
}

TEST_P(EncoderTest, PerClauseConstraintInOrderOfAdding) {
  CoreLoopSettings settings;
  settings.encoding = enc().encoding;
  settings.relate_relax_vars = true;
  settings.relate_relax_vars_thres = n();
  BasicClauseSet set;
  IDManager imgr;
  QRN1 solver(imgr, set, settings);
  LitVector unit{imgr.new_id()};
  set.set_cltype(CL_SOFT);
  BasicClause* cl = set.add_clause(unit);

  // Relax the clause n times, leaving a gap in the ids between relaxation variables; the
  // constraint is due only at the n-th.
  std::vector<long> rvars;
  for (int i = 0; i < n(); ++i) {
    EXPECT_TRUE(solver.get_clause_amo_cls(cl) == nullptr || solver.get_clause_amo_cls(cl)->empty());
    imgr.new_id();
    long rv = imgr.new_id();
    set.extend_clause(cl, rv);
    solver.register_relaxation_var(cl, rv);
    solver.constrain_clause_extra_vars(cl);
    rvars.push_back(rv);
  }
  const long top_before = rvars.back();
  ASSERT_NE(solver.get_clause_amo_cls(cl), nullptr);
  const ClauseList& amo = *solver.get_clause_amo_cls(cl);
  EXPECT_EQ(lits_of(amo), concrete_all(expected(), rvars, top_before + 1));
  EXPECT_EQ(imgr.get_top_id(), top_before + expected_aux());
  EXPECT_EQ(set.size(), 1 + amo.size());
  for (const BasicClause* c : amo) {
    EXPECT_TRUE(set.is_member(c));
    EXPECT_TRUE(set.is_hard(c));
  }
  EXPECT_EQ(set.get_cltype(), CL_HARD);
}

TEST_P(EncoderTest, SharedEncoderReportsEveryClauseInOrder) {
  BasicClauseSet set;
  IDManager imgr;
  imgr.set_top_id(40);
  const std::vector<long> xs = spread_vars(n());
  ClauseList added;
  encode_at_most_one(enc().encoding, xs, imgr, set, &added);
  EXPECT_EQ(lits_of(added), concrete_all(expected(), xs, 41));
}

std::string encoder_case_name(const ::testing::TestParamInfo<std::tuple<int, int>>& info) {
  return std::string(encoder_cases[std::get<0>(info.param)].name) + "_n" +
         std::to_string(std::get<1>(info.param));
}

INSTANTIATE_TEST_SUITE_P(AllEncoders, EncoderTest,
                         ::testing::Combine(::testing::Range(0, 3), ::testing::Range(1, 6)),
                         encoder_case_name);

// Clause counts of the three encoders for larger n, against their closed forms.
TEST(EncoderSize, ClauseAndVariableCountsFollowTheClosedForms) {
  for (int enc : {QRN_ENC_PAIRWISE, QRN_ENC_SEQ_COUNTER, QRN_ENC_BITWISE}) {
    for (std::size_t n : {6u, 7u, 8u, 9u, 16u, 17u, 33u, 100u}) {
      BasicClauseSet set;
      IDManager imgr;
      imgr.set_top_id(1000);
      std::vector<long> xs;
      for (std::size_t i = 0; i < n; ++i) xs.push_back(static_cast<long>(2 * i + 1));
      ClauseList added;
      encode_at_most_one(enc, xs, imgr, set, &added);
      std::size_t k = 0;
      while ((std::size_t(1) << k) < n) ++k;
      std::size_t want_cls = enc == QRN_ENC_PAIRWISE ? n * (n - 1) / 2
                             : enc == QRN_ENC_SEQ_COUNTER ? 3 * n - 4
                                                          : n * k;
      long want_aux = enc == QRN_ENC_PAIRWISE ? 0
                      : enc == QRN_ENC_SEQ_COUNTER ? static_cast<long>(n - 1)
                                                   : static_cast<long>(k);
      EXPECT_EQ(added.size(), want_cls) << std::hex << enc << std::dec << " n=" << n;
      EXPECT_EQ(set.size(), want_cls);
      EXPECT_EQ(imgr.get_top_id(), 1000 + want_aux);
    }
  }
}

// The bitwise width is ceil(log2 n), computed exactly here with integers.
TEST(BitwiseWidth, IsCeilingOfBinaryLogarithm) {
  int k = 0;
  for (std::size_t n = 1; n <= (std::size_t(1) << 20); ++n) {
    if ((std::size_t(1) << k) < n) ++k;
    ASSERT_EQ(bitwise_width(n), k) << "n=" << n;
  }
  for (int e = 21; e < 29; ++e) {
    std::size_t p = std::size_t(1) << e;
    EXPECT_EQ(bitwise_width(p - 1), e) << "n=2^" << e << "-1";
    EXPECT_EQ(bitwise_width(p), e) << "n=2^" << e;
    EXPECT_EQ(bitwise_width(p + 1), e + 1) << "n=2^" << e << "+1";
  }
}

// Encodings that exist only as option letters end the process when a constraint is due.
struct Unavailable {
  const char* letter;
  int encoding;
};

void PrintTo(const Unavailable& u, std::ostream* os) { *os << u.letter; }

class UnavailableEncodingTest : public ::testing::TestWithParam<Unavailable> {};

BasicClauseSet* watched_set = nullptr;
void report_watched_set_size() { std::cout << "clauses at exit: " << watched_set->size() << "\n"; }

TEST_P(UnavailableEncodingTest, PerCoreConstraintStopsBeforeAddingAnything) {
  CoreLoopSettings settings;
  settings.encoding = GetParam().encoding;
  auto outcome = run_in_child([&settings] {
    BasicClauseSet set;
    IDManager imgr;
    imgr.set_top_id(10);
    QRN1 solver(imgr, set, settings);
    watched_set = &set;
    std::atexit(report_watched_set_size);
    std::vector<long> rvars{3, 5, 7};
    solver.add_card_constraint(rvars);
  });
  ASSERT_TRUE(outcome.exited);
  EXPECT_EQ(outcome.status, 3);
  EXPECT_EQ(outcome.output,
            " ERROR: Selected encoding not yet available. Please contact author.\n"
            "clauses at exit: 0\n");
}

TEST_P(UnavailableEncodingTest, PerClauseConstraintStopsOnlyWhenDue) {
  CoreLoopSettings settings;
  settings.encoding = GetParam().encoding;
  settings.relate_relax_vars = true;
  settings.relate_relax_vars_thres = 2;
  auto outcome = run_in_child([&settings] {
    BasicClauseSet set;
    IDManager imgr;
    QRN1 solver(imgr, set, settings);
    LitVector unit{imgr.new_id()};
    set.set_cltype(CL_SOFT);
    BasicClause* cl = set.add_clause(unit);
    for (int i = 0; i < 2; ++i) {
      long rv = imgr.new_id();
      set.extend_clause(cl, rv);
      solver.register_relaxation_var(cl, rv);
      std::cout << "relaxation " << i + 1 << "\n";
      solver.constrain_clause_extra_vars(cl);
    }
  });
  ASSERT_TRUE(outcome.exited);
  EXPECT_EQ(outcome.status, 3);
  EXPECT_EQ(outcome.output, "relaxation 1\nrelaxation 2\n ERROR: Selected encoding not available\n");
}

INSTANTIATE_TEST_SUITE_P(Letters, UnavailableEncodingTest,
                         ::testing::Values(Unavailable{"a", QRN_ENC_ADDERS},
                                           Unavailable{"b", QRN_ENC_BDD_EQUIV},
                                           Unavailable{"i", QRN_ENC_BDD_IMPL},
                                           Unavailable{"s", QRN_ENC_SORTERS}),
                         [](const ::testing::TestParamInfo<Unavailable>& info) {
                           return std::string(info.param.letter);
                         });

}  // namespace
