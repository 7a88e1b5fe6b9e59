// Bookkeeping of the solver base: the pruning clauses that tie a relaxation variable to the
// falsity of its clause ("-p"), the per-clause at-most-one constraint that appears at the
// threshold and is replaced at every later relaxation ("-m"), and reset(). The clauses are
// relaxed here by hand, the way the algorithms do it: fresh variable, extend_clause,
// register_relaxation_var, then the constraining pass.
#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "clauses/basic_clause_set.hh"
#include "clauses/id_manager.hh"
#include "engine/qrn/umaxsat_solver.hh"
#include "engine_test_support.hh"

namespace {

using engine_test::contents;
using engine_test::holds;
using engine_test::lits_of;
using engine_test::registered;
using engine_test::sorted;

// The base with a trivial algorithm, and read access to the falsity variable set.
class ProbeSolver : public UnsatMaxSATSolver {
public:
  using UnsatMaxSATSolver::UnsatMaxSATSolver;
  bool solve_exact(Cost& cost) override {
    cost = 0;
    return true;
  }
  const std::unordered_set<long>& falsity_vars() const { return fvar_set; }
  std::vector<int>& stored_model() { return model; }
  const BasicClauseSet* clause_set() const { return clset; }
  // The constraining pass that ends a relaxation step.
  void constrain_pending() {
    for (BasicClause* cl : pending_cls) constrain_clause_extra_vars(cl);
    pending_cls.clear();
  }
};

class SolverBaseTest : public ::testing::Test {
protected:
  SolverBaseTest() { settings.encoding = QRN_ENC_SEQ_COUNTER; }

  // Made at first use, so that a test sets `settings` before anything is relaxed.
  ProbeSolver& solver() {
    if (!solver_) solver_ = std::make_unique<ProbeSolver>(imgr, set, settings);
    return *solver_;
  }

  BasicClause* soft_clause(LitVector lits) {
    set.set_cltype(CL_SOFT);
    BasicClause* cl = set.add_clause(lits);
    set.set_cltype(CL_HARD);
    return cl;
  }

  // One relaxation step over the given clauses, as the algorithms make it.
  std::vector<long> relax(std::initializer_list<BasicClause*> cls) {
    std::vector<long> rvs;
    for (BasicClause* cl : cls) {
      long rv = imgr.new_id();
      set.extend_clause(cl, rv);
      solver().register_relaxation_var(cl, rv);
      rvs.push_back(rv);
    }
    solver().constrain_pending();
    return rvs;
  }

  CoreLoopSettings settings;
  BasicClauseSet set;
  IDManager imgr;
  std::unique_ptr<ProbeSolver> solver_;
};

TEST_F(SolverBaseTest, RelaxationIsRecordedBothWays) {
  imgr.set_top_id(3);
  BasicClause* a = soft_clause({1, -2});
  BasicClause* b = soft_clause({3});
  std::vector<long> first = relax({a, b});
  EXPECT_TRUE(solver().get_pending_cls().empty());
  long extra = imgr.new_id();
  set.extend_clause(a, extra);
  solver().register_relaxation_var(a, extra);
  set.extend_clause(b, imgr.new_id());
  solver().register_relaxation_var(b, imgr.get_top_id());
  EXPECT_EQ(solver().get_pending_cls(), (std::vector<BasicClause*>{a, b}))
      << "pending clauses in the order they were relaxed";
  solver().constrain_pending();
  std::vector<long> second = relax({a});
  ASSERT_EQ(first, (std::vector<long>{4, 5}));
  ASSERT_EQ(second, (std::vector<long>{8}));
  EXPECT_EQ(a->get_lits(), (LitVector{1, -2, 4, 6, 8}));
  EXPECT_EQ(solver().get_rvar_cl_map().size(), 5u);
  EXPECT_EQ(solver().get_rvar_cl_map().at(4), a);
  EXPECT_EQ(solver().get_rvar_cl_map().at(5), b);
  EXPECT_EQ(solver().get_rvar_cl_map().at(6), a);
  EXPECT_EQ(solver().get_rvar_cl_map().at(7), b);
  EXPECT_EQ(solver().get_rvar_cl_map().at(8), a);
  EXPECT_EQ(*solver().get_clause_rvars(a), (std::vector<long>{4, 6, 8}));
  EXPECT_EQ(*solver().get_clause_rvars(b), (std::vector<long>{5, 7}));
  EXPECT_EQ(solver().get_clause_rvars(soft_clause({7, 8})), nullptr);
  EXPECT_EQ(set.size(), 2u + 1u) << "no pruning, no per-clause constraint: nothing added";
}

TEST_F(SolverBaseTest, PruningOfAUnitClause) {
  settings.use_added_relax_cls = true;
  imgr.set_top_id(1);
  BasicClause* a = soft_clause({1});
  const std::size_t base = set.size();

  std::vector<long> r1 = relax({a});
  ASSERT_EQ(r1, (std::vector<long>{2}));
  const long f = 3;
  EXPECT_EQ(solver().get_clause_fvar(a), f);
  EXPECT_EQ(solver().falsity_vars().count(f), 1u);
  EXPECT_EQ(set.size(), base + 2);
  EXPECT_TRUE(holds(set, {-1, -f}));
  EXPECT_TRUE(holds(set, {-2, f}));

  std::vector<long> r2 = relax({a});
  ASSERT_EQ(r2, (std::vector<long>{4})) << "the falsity variable is taken once per clause";
  EXPECT_EQ(solver().get_clause_fvar(a), f);
  EXPECT_EQ(set.size(), base + 3) << "a second relaxation only links the new variable";
  EXPECT_TRUE(holds(set, {-4, f}));
  EXPECT_FALSE(holds(set, {-2, -f})) << "relaxation variables are not pruned";
  for (const BasicClause* cl : set) {
    if (cl == a) continue;
    EXPECT_TRUE(set.is_hard(cl));
  }
}

TEST_F(SolverBaseTest, PruningSkipsEveryRelaxationVariableOfTheClause) {
  settings.use_added_relax_cls = true;
  imgr.set_top_id(3);
  BasicClause* a = soft_clause({1, -2});
  BasicClause* b = soft_clause({2, 3});
  relax({a, b});  // a: r4, f5; b: r6, f7
  EXPECT_EQ(solver().get_clause_fvar(a), 5);
  EXPECT_EQ(solver().get_clause_fvar(b), 7);
  std::vector<LitVector> want{{-1, -5}, {2, -5}, {-4, 5}, {-2, -7}, {-3, -7}, {-6, 7},
                              {1, -2, 4}, {2, 3, 6}};
  std::sort(want.begin(), want.end());
  EXPECT_EQ(contents(set), want);
}

TEST_F(SolverBaseTest, PruningOfAClauseFirstRelaxedWithEarlierRelaxationVariables) {
  // A weighted copy carries the relaxation variables of the clause it copies; they are
  // relaxation variables too and get no pruning clause.
  settings.use_added_relax_cls = true;
  imgr.set_top_id(2);
  BasicClause* a = soft_clause({1, 2});
  relax({a});  // r3, f4
  LitVector copy_lits = a->get_lits();
  long rv = imgr.new_id();  // 5
  copy_lits.push_back(rv);
  BasicClause* copy = soft_clause(copy_lits);
  solver().register_relaxation_var(copy, rv);  // f6
  EXPECT_TRUE(holds(set, {-1, -6}));
  EXPECT_TRUE(holds(set, {-2, -6}));
  EXPECT_FALSE(holds(set, {-3, -6}));
  EXPECT_TRUE(holds(set, {-5, 6}));
}

TEST_F(SolverBaseTest, PerClauseConstraintAppearsAtThresholdAndIsReplaced) {
  settings.relate_relax_vars = true;
  settings.relate_relax_vars_thres = 3;
  settings.encoding = QRN_ENC_SEQ_COUNTER;
  // Ids no other test uses, so that the registry holds these literal sequences only for this
  // test's clauses.
  const long t = 7000;
  imgr.set_top_id(t);
  BasicClause* a = soft_clause({1});

  relax({a});  // r t+1
  relax({a});  // r t+2
  ASSERT_NE(solver().get_clause_amo_cls(a), nullptr);
  EXPECT_TRUE(solver().get_clause_amo_cls(a)->empty()) << "below the threshold";
  EXPECT_EQ(set.size(), 1u);

  relax({a});  // r t+3; s0 = t+4, s1 = t+5
  const std::vector<LitVector> third = lits_of(*solver().get_clause_amo_cls(a));
  EXPECT_EQ(third, (std::vector<LitVector>{{-(t + 1), t + 4}, {-(t + 2), -(t + 4)},
                                           {-(t + 2), t + 5}, {-(t + 4), t + 5},
                                           {-(t + 3), -(t + 5)}}));
  EXPECT_EQ(set.size(), 1u + 5u);

  relax({a});  // r t+6; the old clauses go, then s0 = t+7, s1 = t+8, s2 = t+9
  const ClauseList& fourth = *solver().get_clause_amo_cls(a);
  EXPECT_EQ(lits_of(fourth),
            (std::vector<LitVector>{{-(t + 1), t + 7}, {-(t + 2), -(t + 7)}, {-(t + 2), t + 8},
                                    {-(t + 7), t + 8}, {-(t + 3), -(t + 8)}, {-(t + 3), t + 9},
                                    {-(t + 8), t + 9}, {-(t + 6), -(t + 9)}}));
  EXPECT_EQ(set.size(), 1u + 8u);
  for (const LitVector& old : third) {
    EXPECT_EQ(registered(old), nullptr) << "replaced clauses leave the registry too";
    for (const BasicClause* cl : set) EXPECT_NE(cl->get_lits(), old);
  }
  for (const BasicClause* cl : fourth) {
    EXPECT_TRUE(set.is_member(cl));
    EXPECT_TRUE(set.is_hard(cl));
  }
  EXPECT_EQ(imgr.get_top_id(), t + 9) << "auxiliaries of a replaced constraint are not reused";
}

TEST_F(SolverBaseTest, PerClauseConstraintOnlyForClausesAtTheThreshold) {
  settings.relate_relax_vars = true;
  settings.relate_relax_vars_thres = 2;
  settings.encoding = QRN_ENC_PAIRWISE;
  imgr.set_top_id(2);
  BasicClause* a = soft_clause({1});
  BasicClause* b = soft_clause({2});
  relax({a, b});  // a: 3, b: 4
  relax({a});     // a: 5
  EXPECT_EQ(lits_of(*solver().get_clause_amo_cls(a)), (std::vector<LitVector>{{-3, -5}}));
  EXPECT_TRUE(solver().get_clause_amo_cls(b)->empty());
  relax({a, b});  // a: 6, b: 7
  EXPECT_EQ(lits_of(*solver().get_clause_amo_cls(a)),
            (std::vector<LitVector>{{-3, -5}, {-3, -6}, {-5, -6}}));
  EXPECT_EQ(lits_of(*solver().get_clause_amo_cls(b)), (std::vector<LitVector>{{-4, -7}}));
  // Pairwise rebuilds repeat literal sequences: the set must hold exactly the current ones.
  EXPECT_EQ(set.size(), 2u + 3u + 1u);
}

TEST_F(SolverBaseTest, ThresholdIsComparedUnsigned) {
  settings.relate_relax_vars = true;
  settings.relate_relax_vars_thres = -1;
  settings.encoding = QRN_ENC_PAIRWISE;
  BasicClause* a = soft_clause({1});
  imgr.set_top_id(1);
  for (int i = 0; i < 4; ++i) relax({a});
  EXPECT_TRUE(solver().get_clause_amo_cls(a)->empty());
  EXPECT_EQ(set.size(), 1u);
}

TEST_F(SolverBaseTest, NoPerClauseConstraintWhenSwitchedOff) {
  settings.relate_relax_vars = false;
  settings.relate_relax_vars_thres = 1;
  imgr.set_top_id(1);
  BasicClause* a = soft_clause({1});
  for (int i = 0; i < 4; ++i) relax({a});
  EXPECT_TRUE(solver().get_clause_amo_cls(a)->empty());
  EXPECT_EQ(set.size(), 1u);
  EXPECT_EQ(imgr.get_top_id(), 5);
}

TEST_F(SolverBaseTest, ResetEmptiesEverything) {
  settings.use_added_relax_cls = true;
  settings.relate_relax_vars = true;
  settings.relate_relax_vars_thres = 2;
  imgr.set_top_id(2);
  BasicClause* a = soft_clause({1, 2});
  relax({a});
  relax({a});
  solver().get_core_cls().push_back(a);
  solver().stored_model() = {1, -1, 1};
  ASSERT_FALSE(solver().get_clause_amo_cls(a)->empty());
  const long top = imgr.get_top_id();

  solver().reset();
  EXPECT_EQ(solver().clause_set(), nullptr);
  EXPECT_TRUE(solver().get_core_cls().empty());
  EXPECT_TRUE(solver().get_rvar_cl_map().empty());
  EXPECT_TRUE(solver().falsity_vars().empty());
  EXPECT_EQ(solver().get_clause_fvar(a), 0);
  EXPECT_EQ(solver().get_clause_rvars(a), nullptr);
  EXPECT_EQ(solver().get_clause_amo_cls(a), nullptr);
  EXPECT_TRUE(solver().get_pending_cls().empty());
  EXPECT_TRUE(solver().get_model().empty());
  EXPECT_EQ(imgr.get_top_id(), top) << "the allocator stays bound and untouched";
  EXPECT_TRUE(set.is_member(a)) << "reset destroys no clause";

  solver().init(set);
  EXPECT_EQ(solver().clause_set(), &set);
}

}  // namespace
