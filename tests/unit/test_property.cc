// Random small instances solved through the facade under every configuration that changes the
// formula the SAT solver sees (three encodings, pruning on and off, per-clause thresholds 1, 2
// and 3), compared with an exhaustive search written here from the definition of the problem:
// the optimum must equal the search's, and the returned model must satisfy every hard clause
// and falsify soft clauses of exactly that total weight.
//
// Instances are built through the facade like an embedding program would, so a clause added
// twice is one clause whose kind is the last one given (every add makes it hard again, then a
// kind setter may follow). The search keeps the same bookkeeping: one entry per literal
// sequence, last kind wins. Weights include 0 (falsifying costs nothing), values beyond 2^32
// (with the top weight raised above them), and values near 2^63 whose sum reaches up to
// 2^64 - 2 (with the top weight 2^64 - 1), so that optima beyond the signed range are compared
// exactly.
//
// The encoding is chosen in the two orders an embedding program may use: a release named before
// the runtime defaults, or set_card_encoding without the defaults. The option lock of the
// configuration is never cleared by the facade, so the test writes QRNConfig::optlock = false
// directly before each case, and QRNConfig::use_added_relax_cls = false for "no pruning" (the
// facade only has a setter that switches it on).
//
// Seeds are fixed: case i of a category uses seed base + i. QUARNEL_PROPERTY_CASES sets the
// number of instances (default 1000, shared out over the categories); QUARNEL_PROPERTY_CASE=i
// runs only case i of each category, to reproduce a failure.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <map>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "clauses/basic_clause_set.hh"
#include "engine_test_support.hh"
#include "test_env.hh"
#include "facade/qrnapp.hh"

namespace {

using engine_test::ConfigGuard;

enum class Category { plain, partial, weighted };

// One step of building an instance through the facade.
struct Op {
  std::vector<long> lits;
  enum Kind { keep_hard, set_soft, set_weight } kind;
  std::uint64_t weight;  // for set_weight
};

struct Instance {
  Category category;
  int nvars;
  std::uint64_t top;  // 0: the clause set's default
  std::vector<Op> ops;
};

// Deterministic draws from a fixed-seed engine (independent of the standard library's
// distributions, whose results may differ between implementations).
class Draw {
public:
  explicit Draw(std::uint64_t seed) : gen(seed) {}
  std::uint64_t below(std::uint64_t n) { return gen() % n; }
  bool chance(int percent) { return below(100) < static_cast<std::uint64_t>(percent); }

private:
  std::mt19937_64 gen;
};

// Costs of the test: exact up to 2^64 - 2; the largest value stands for "no model".
using TestCost = std::uint64_t;
constexpr TestCost no_model = ~TestCost(0);
constexpr TestCost max_total = ~TestCost(0) - 1;

enum class WeightRange { small, beyond_32_bits, near_2_63 };

std::uint64_t draw_weight(Draw& d, WeightRange range) {
  if (range == WeightRange::near_2_63 && d.chance(50)) return (std::uint64_t(1) << 62) + d.below(std::uint64_t(1) << 62);
  switch (d.below(range == WeightRange::beyond_32_bits ? 6 : 5)) {
    case 0: return 0;
    case 1: return 1;
    case 2:
    case 3: return 1 + d.below(9);
    case 4: return 1 + d.below(100);
    default: return (std::uint64_t(1) << (32 + d.below(9))) + d.below(1000);
  }
}

// Gives `op` a kind (and weight) suited to the category; `hard_percent` is the chance of a
// hard clause where the category has them.
void draw_kind(Op& op, Category cat, Draw& d, WeightRange range, int hard_percent) {
  switch (cat) {
    case Category::plain:
      op.kind = Op::set_soft;
      break;
    case Category::partial:
      op.kind = d.chance(hard_percent) ? Op::keep_hard : Op::set_soft;
      if (op.kind == Op::set_soft && d.chance(10)) {
        op.kind = Op::set_weight;  // a free soft clause among unit weights
        op.weight = 0;
      }
      break;
    case Category::weighted:
      op.kind = d.chance(hard_percent) ? Op::keep_hard : Op::set_weight;
      op.weight = draw_weight(d, range);
      break;
  }
}

// A clause of `len` distinct variables with random signs.
std::vector<long> random_clause(Draw& d, int nvars, int len) {
  std::vector<long> vars;
  while (static_cast<int>(vars.size()) < len) {
    long v = 1 + static_cast<long>(d.below(static_cast<std::uint64_t>(nvars)));
    if (std::find(vars.begin(), vars.end(), v) == vars.end()) vars.push_back(v);
  }
  for (long& v : vars) v = d.chance(50) ? v : -v;
  return vars;
}

// Three shapes:
//  - random: up to 14 variables, mostly short clauses, so that cores are frequent and overlap;
//  - dense: 2 to 5 variables and many unit and binary clauses;
//  - conflict graph: a soft unit (x) for every variable and (-x v -y) for random pairs (hard
//    where the category has hard clauses), plus a few random clauses. Its cores overlap in a
//    way that relaxes the same unit again and again, which the per-clause constraint needs.
Instance make_instance(Category cat, std::uint64_t seed, bool empty_clauses = false) {
  Draw d(seed);
  Instance inst;
  inst.category = cat;
  const std::uint64_t shape = d.below(100);
  const bool big = cat == Category::weighted && d.chance(35);
  const bool huge = cat == Category::weighted && !big && d.chance(20);
  const WeightRange range = big ? WeightRange::beyond_32_bits : huge ? WeightRange::near_2_63 : WeightRange::small;
  inst.top = big ? (std::uint64_t(1) << 60) : huge ? ~std::uint64_t(0) : 0;
  int nclauses;
  if (shape < 55) {
    inst.nvars = 1 + static_cast<int>(d.below(14));
    nclauses = inst.nvars + static_cast<int>(d.below(static_cast<std::uint64_t>(5 * inst.nvars + 6)));
  } else if (shape < 70) {
    inst.nvars = 2 + static_cast<int>(d.below(4));
    nclauses = 6 + static_cast<int>(d.below(25));
  } else {
    inst.nvars = 3 + static_cast<int>(d.below(8));
    for (long v = 1; v <= inst.nvars; ++v) {
      Op op{{v}, Op::set_soft, 0};
      draw_kind(op, cat, d, range, 0);
      inst.ops.push_back(op);
    }
    for (long a = 1; a <= inst.nvars; ++a)
      for (long b = a + 1; b <= inst.nvars; ++b) {
        if (!d.chance(55)) continue;
        Op op{{-a, -b}, Op::keep_hard, 0};
        draw_kind(op, cat, d, range, 100);
        inst.ops.push_back(op);
      }
    nclauses = static_cast<int>(d.below(static_cast<std::uint64_t>(inst.nvars)));
  }
  for (int c = 0; c < nclauses; ++c) {
    Op op;
    if (!inst.ops.empty() && d.chance(15)) {
      // The same clause again, literals in another order, maybe of another kind.
      op.lits = inst.ops[d.below(inst.ops.size())].lits;
      std::reverse(op.lits.begin(), op.lits.end());
    } else {
      const std::uint64_t r = d.below(100);
      const int want = (shape >= 55 && shape < 70) ? (r < 45 ? 1 : 2)
                       : r < 30 ? 1 : r < 70 ? 2 : r < 90 ? 3 : 4 + static_cast<int>(d.below(2));
      op.lits = random_clause(d, inst.nvars, std::min(inst.nvars, want));
    }
    draw_kind(op, cat, d, range, cat == Category::partial ? 25 : 20);
    // An empty clause: falsified by every assignment (a hard one leaves no model).
    if (empty_clauses && d.chance(3)) op.lits.clear();
    inst.ops.push_back(op);
  }
  // Valid instances weigh at most 2^64 - 2 in all; the weights given add up to at least the
  // instance's total, so halving the heaviest until they fit keeps it in range.
  for (;;) {
    TestCost total = 0;
    Op* heaviest = nullptr;
    for (Op& op : inst.ops) {
      if (op.kind != Op::set_weight) continue;
      total = total == no_model || op.weight > max_total - total ? no_model : total + op.weight;
      if (heaviest == nullptr || op.weight > heaviest->weight) heaviest = &op;
    }
    if (total <= max_total) break;
    heaviest->weight /= 2;
  }
  return inst;
}

std::string describe(const Instance& inst) {
  std::ostringstream out;
  const char* names[] = {"plain", "partial", "weighted"};
  out << names[static_cast<int>(inst.category)] << " nvars " << inst.nvars << " top "
      << (inst.top ? inst.top : BasicClauseSet::default_top_weight) << "\n";
  for (const Op& op : inst.ops) {
    out << (op.kind == Op::keep_hard ? "h" : op.kind == Op::set_soft ? "1" : std::to_string(op.weight));
    for (long l : op.lits) out << ' ' << l;
    out << " 0\n";
  }
  return out.str();
}

// ---- The exhaustive search: independent of the solver's code. ----

struct OracleClause {
  std::uint32_t pos = 0, neg = 0;  // variable v is bit v-1
  bool hard = true;
  std::uint64_t weight = 0;
  std::vector<long> lits;
};

// One entry per literal set; the last kind given wins, and every add makes the clause hard.
std::vector<OracleClause> final_clauses(const Instance& inst) {
  const std::uint64_t top = inst.top ? inst.top : BasicClauseSet::default_top_weight;
  std::map<std::vector<long>, OracleClause> by_lits;
  for (const Op& op : inst.ops) {
    std::vector<long> key = op.lits;
    std::sort(key.begin(), key.end());
    OracleClause& cl = by_lits[key];
    cl.lits = op.lits;
    cl.pos = cl.neg = 0;
    for (long l : op.lits) (l > 0 ? cl.pos : cl.neg) |= 1u << (std::labs(l) - 1);
    cl.hard = true;
    if (op.kind == Op::set_soft) {
      cl.hard = false;
      cl.weight = 1;
    } else if (op.kind == Op::set_weight) {
      cl.hard = op.weight >= top;
      cl.weight = op.weight;
    }
  }
  std::vector<OracleClause> out;
  for (auto& entry : by_lits) out.push_back(entry.second);
  return out;
}

// The minimum total weight of falsified soft clauses over all assignments that satisfy the
// hard clauses, or no_model when none does.
TestCost exhaustive_optimum(const std::vector<OracleClause>& cls, int nvars) {
  TestCost best = no_model;
  const std::uint32_t all = (nvars == 32) ? ~0u : ((1u << nvars) - 1);
  for (std::uint32_t a = 0;; ++a) {
    std::uint64_t cost = 0;
    bool ok = true;
    for (const OracleClause& cl : cls) {
      bool sat = (a & cl.pos) != 0 || (~a & cl.neg) != 0;
      if (sat) continue;
      if (cl.hard) {
        ok = false;
        break;
      }
      cost += cl.weight;
    }
    if (ok && cost < best) best = cost;
    if (a == all) break;
  }
  return best;
}

// ---- The solver side. ----

struct Config {
  int encoding;
  bool through_release;
  bool prune;
  int thres;
};

std::string describe(const Config& c) {
  std::ostringstream out;
  out << "encoding 0x" << std::hex << c.encoding << std::dec
      << (c.through_release ? " via release" : " via set_card_encoding")
      << (c.prune ? ", pruning" : ", no pruning") << ", threshold " << c.thres;
  return out.str();
}

void apply(Quarnel& q, const Config& c) {
  QRNConfig::optlock = false;
  if (c.through_release) {
    q.set_release(c.encoding == QRN_ENC_PAIRWISE      ? "1.0"
                  : c.encoding == QRN_ENC_SEQ_COUNTER ? "1.1"
                                                      : "1.2");
    q.set_runtime_defaults();
  } else {
    q.set_card_encoding(c.encoding == QRN_ENC_PAIRWISE      ? "e"
                        : c.encoding == QRN_ENC_SEQ_COUNTER ? "c"
                                                            : "l");
    q.set_compute_model();
  }
  q.set_verbosity(0);
  q.set_relate_relax_vars(c.thres);
  QRNConfig::use_added_relax_cls = false;
  if (c.prune) q.set_use_added_cls();
}

struct Answer {
  TestCost cost;
  std::vector<int> model;
};

// The facade's cost of the last solve, exact, or no_model.
TestCost facade_cost() {
  std::uint64_t cost = 0;
  return QuarnelExtended::bind_instance()->get_exact_min_unsat_cost(cost) ? cost : no_model;
}

// Starts a new instance in the facade and adds the clauses of `inst` as an embedding program would.
void load_through_facade(Quarnel& q, const Instance& inst) {
  q.init();
  if (inst.top) QuarnelExtended::bind_instance()->get_clause_set()->set_top_weight(inst.top);
  for (const Op& op : inst.ops) {
    std::vector<long> lits = op.lits;
    QRNCl* cl = q.add_clause(lits);
    if (op.kind == Op::set_soft) q.set_clause_soft(cl);
    if (op.kind == Op::set_weight) q.set_clause_weight(cl, static_cast<long>(op.weight));
  }
}

Answer solve_through_facade(Quarnel& q, const Instance& inst) {
  load_through_facade(q, inst);
  switch (inst.category) {
    case Category::plain: q.set_prob_plain_maxsat(); break;
    case Category::partial: q.set_prob_partial_maxsat(); break;
    case Category::weighted: q.set_prob_weighted_maxsat(); break;
  }
  q.solve();
  Answer ans{facade_cost(), {}};
  q.get_model(ans.model);
  q.reset();
  return ans;
}

// Distinct optimal assignments as an enumeration tells them apart: by their sets of falsified
// soft clauses of positive weight (by_softs), or by the values of the variables that occur in a
// hard clause or a soft clause of positive weight.
std::size_t exhaustive_cube_count(const std::vector<OracleClause>& cls, int nvars, TestCost optimum, bool by_softs) {
  std::uint32_t occurring = 0;
  for (const OracleClause& cl : cls)
    if (cl.hard || cl.weight > 0) occurring |= cl.pos | cl.neg;
  // A key per optimal assignment: one entry per soft clause of positive weight (falsified or
  // not), or the values of the occurring variables.
  std::vector<std::vector<bool>> keys;
  std::vector<bool> falsified;
  for (std::uint32_t a = 0; a < (1u << nvars); ++a) {
    std::uint64_t cost = 0;
    bool ok = true;
    falsified.clear();
    for (const OracleClause& cl : cls) {
      const bool sat = (a & cl.pos) != 0 || (~a & cl.neg) != 0;
      if (!cl.hard && cl.weight > 0) falsified.push_back(!sat);
      if (sat) continue;
      if (cl.hard) ok = false;
      cost += cl.weight;
    }
    if (!ok || cost != optimum) continue;
    if (by_softs) {
      keys.push_back(falsified);
    } else {
      std::vector<bool> values;
      for (int v = 0; v < nvars; ++v) values.push_back(((a & occurring) >> v) & 1u);
      keys.push_back(values);
    }
  }
  std::sort(keys.begin(), keys.end());
  return static_cast<std::size_t>(std::unique(keys.begin(), keys.end()) - keys.begin());
}

// Checks the answer against the search; empty when it is right, else what is wrong.
std::string check(const Answer& ans, TestCost optimum, const std::vector<OracleClause>& cls) {
  std::ostringstream err;
  if (ans.cost != optimum) {
    err << "cost " << ans.cost << ", exhaustive search " << optimum;
    return err.str();
  }
  if (optimum == no_model) return "";
  std::uint64_t model_cost = 0;
  for (const OracleClause& cl : cls) {
    bool sat = false;
    for (long l : cl.lits) {
      std::size_t v = static_cast<std::size_t>(std::labs(l));
      if (v > ans.model.size() || ans.model[v - 1] == 0) {
        err << "no value for variable " << v << " (model of " << ans.model.size() << ")";
        return err.str();
      }
      if ((ans.model[v - 1] > 0) == (l > 0)) sat = true;
    }
    if (sat) continue;
    if (cl.hard) {
      err << "hard clause falsified by the model";
      return err.str();
    }
    model_cost += cl.weight;
  }
  if (model_cost != optimum)
    err << "model falsifies soft weight " << model_cost << ", optimum " << optimum;
  return err.str();
}

struct CategoryCase {
  const char* name;
  Category category;
  int share;  // per mille of the instances
  std::uint64_t seed;
};

void PrintTo(const CategoryCase& c, std::ostream* os) { *os << c.name; }

class PropertyTest : public ::testing::TestWithParam<CategoryCase> {
protected:
  ConfigGuard guard;
};

TEST_P(PropertyTest, OptimaAndModelsMatchExhaustiveSearch) {
  const CategoryCase& cc = GetParam();
  const long total = test_env::env_long("QUARNEL_PROPERTY_CASES", 1000);
  const long cases = std::max(1L, (total * cc.share + 999) / 1000);
  const long only = test_env::env_long("QUARNEL_PROPERTY_CASE", -1);
  Quarnel& q = Quarnel::instance();

  std::vector<Config> configs;
  for (int enc : {QRN_ENC_PAIRWISE, QRN_ENC_SEQ_COUNTER, QRN_ENC_BITWISE})
    for (bool prune : {false, true})
      for (int thres : {1, 2, 3}) configs.push_back({enc, false, prune, thres});

  int failures = 0;
  long solved = 0;
  long beyond_signed = 0;  // optima above 2^63 - 1
  for (long i = 0; i < cases && failures < 5; ++i) {
    if (only >= 0 && i != only) continue;
    const std::uint64_t seed = cc.seed + static_cast<std::uint64_t>(i);
    const Instance inst = make_instance(cc.category, seed);
    const std::vector<OracleClause> cls = final_clauses(inst);
    const TestCost optimum = exhaustive_optimum(cls, inst.nvars);
    if (optimum != no_model && optimum >= TestCost(1) << 63) ++beyond_signed;
    for (std::size_t k = 0; k < configs.size(); ++k) {
      Config c = configs[k];
      c.through_release = ((static_cast<std::size_t>(i) + k) % 2) == 0;
      apply(q, c);
      ASSERT_EQ(QRNConfig::qrnenc, c.encoding) << "the embedding order did not select it";
      const std::string err = check(solve_through_facade(q, inst), optimum, cls);
      ++solved;
      if (err.empty()) continue;
      ADD_FAILURE() << "case " << i << " (seed " << seed << "), " << describe(c) << ": " << err
                    << "\n"
                    << describe(inst);
      ++failures;
      break;
    }
  }
  RecordProperty("solves", std::to_string(solved));
  // The draw must keep producing optima beyond the signed range.
  if (cc.category == Category::weighted && only < 0 && cases >= 100) {
    EXPECT_GT(beyond_signed, 0);
  }
}

INSTANTIATE_TEST_SUITE_P(Categories, PropertyTest,
                         ::testing::Values(CategoryCase{"plain", Category::plain, 250, 1000000},
                                           CategoryCase{"partial", Category::partial, 350, 2000000},
                                           CategoryCase{"weighted", Category::weighted, 400, 3000000}),
                         [](const ::testing::TestParamInfo<CategoryCase>& info) {
                           return std::string(info.param.name);
                         });

}  // namespace

namespace {

// Enumerates every optimal model through the facade; returns how many came, each checked.
std::string enumerate_through_facade(Quarnel& q, const Instance& inst, bool by_softs, TestCost optimum,
                                     const std::vector<OracleClause>& cls, std::size_t& count) {
  q.set_enumerate_models();
  if (by_softs)
    q.set_enum_relax_vars();
  else
    q.set_enum_orig_vars();
  load_through_facade(q, inst);
  std::string err;
  count = 0;
  while (err.empty() && q.iter_solve()) {
    Answer ans{facade_cost(), {}};
    q.get_model(ans.model);
    err = check(ans, optimum, cls);
    ++count;
    if (!q.get_enum_models()) break;
  }
  q.reset();
  QRNConfig::enum_models = false;
  return err;
}

// The incremental engine on the same instances, empty clauses among them: optimum and model as
// above, and on a share of the instances every optimal model enumerated, in both senses of
// "different", against the number of them the search finds.
TEST_P(PropertyTest, IncrementalEngineMatchesExhaustiveSearch) {
  const CategoryCase& cc = GetParam();
  const long total = test_env::env_long("QUARNEL_PROPERTY_CASES", 1000) * 4;
  const long cases = std::max(1L, (total * cc.share + 999) / 1000);
  const long only = test_env::env_long("QUARNEL_PROPERTY_CASE", -1);
  Quarnel& q = Quarnel::instance();
  q.set_runtime_defaults();
  q.set_verbosity(0);
  q.set_oll_engine();

  int failures = 0;
  for (long i = 0; i < cases && failures < 5; ++i) {
    if (only >= 0 && i != only) continue;
    const std::uint64_t seed = cc.seed + 500000 + static_cast<std::uint64_t>(i);
    const Instance inst = make_instance(cc.category, seed, true);
    const std::vector<OracleClause> cls = final_clauses(inst);
    const TestCost optimum = exhaustive_optimum(cls, inst.nvars);
    std::string err = check(solve_through_facade(q, inst), optimum, cls);
    if (err.empty() && optimum != no_model && i % 4 == 0) {
      for (bool by_softs : {true, false}) {
        std::size_t count = 0;
        err = enumerate_through_facade(q, inst, by_softs, optimum, cls, count);
        const std::size_t want = exhaustive_cube_count(cls, inst.nvars, optimum, by_softs);
        if (err.empty() && count != want)
          err = (by_softs ? "-sr" : "-so") + std::string(" enumeration: ") + std::to_string(count) +
                " models, exhaustive search " + std::to_string(want);
        if (!err.empty()) break;
      }
    }
    if (err.empty()) continue;
    ADD_FAILURE() << "case " << i << " (seed " << seed << "): " << err << "\n" << describe(inst);
    ++failures;
  }
}

}  // namespace

namespace {

// Records the upper bounds an engine reports, and whether any of them broke a rule: below the
// true optimum, or not below the one before.
class BoundRecorder : public EngineListener {
public:
  explicit BoundRecorder(long optimum) : optimum(optimum) {}
  void on_upper_bound(Cost cost) override {
    if (optimum >= 0 && cost < static_cast<Cost>(optimum))
      error = "upper bound " + std::to_string(cost) + " below the optimum " + std::to_string(optimum);
    if (have_upper && cost >= upper) error = "upper bound " + std::to_string(cost) + " does not improve";
    have_upper = true;
    upper = cost;
  }
  void on_lower_bound(Cost bound) override {
    if (optimum >= 0 && bound > static_cast<Cost>(optimum))
      error = "lower bound " + std::to_string(bound) + " above the optimum " + std::to_string(optimum);
  }
  std::string error;

private:
  long optimum;
  bool have_upper = false;
  Cost upper = 0;
};

// The incremental engine with its solution-improving phases forced on from the first model:
// the same optimum and a valid model, and no reported bound on the wrong side of the optimum.
TEST_P(PropertyTest, AnytimePhasesMatchExhaustiveSearch) {
  const CategoryCase& cc = GetParam();
  const long total = test_env::env_long("QUARNEL_PROPERTY_CASES", 1000);
  const long cases = std::max(1L, (total * cc.share + 999) / 1000);
  const long only = test_env::env_long("QUARNEL_PROPERTY_CASE", -1);
  QuarnelExtended& q = *QuarnelExtended::bind_instance();
  q.set_runtime_defaults();
  q.set_verbosity(0);
  q.set_oll_engine();
  q.set_anytime_mode("always");

  int failures = 0;
  for (long i = 0; i < cases && failures < 5; ++i) {
    if (only >= 0 && i != only) continue;
    const std::uint64_t seed = cc.seed + 700000 + static_cast<std::uint64_t>(i);
    const Instance inst = make_instance(cc.category, seed, true);
    const std::vector<OracleClause> cls = final_clauses(inst);
    const long optimum = exhaustive_optimum(cls, inst.nvars);
    q.set_local_search_seed(std::to_string(seed).c_str());
    BoundRecorder bounds(optimum);
    q.set_engine_listener(&bounds);
    std::string err = check(solve_through_facade(q, inst), optimum, cls);
    q.set_engine_listener(nullptr);
    if (err.empty()) err = bounds.error;
    if (err.empty()) continue;
    ADD_FAILURE() << "case " << i << " (seed " << seed << "): " << err << "\n" << describe(inst);
    ++failures;
  }
}

}  // namespace
