// libFuzzer target of a whole solve through the facade, as an embedding program does it: the
// input bytes are decoded into a small instance (at most 10 variables and 24 clauses) and a
// configuration, the instance is built clause by clause, solved, and the answer is checked
// against an exhaustive search over every assignment:
//   - a satisfiable instance must come back with a model that satisfies every hard clause and
//     whose falsified soft clauses weigh exactly the reported cost, and that cost must be the
//     least over all assignments;
//   - an unsatisfiable one (hard clauses in conflict) must come back with a negative cost.
// Any difference, and any exit of the process, is a finding (std::abort), with one exception:
// each solve gets a CPU budget of its own, and a solve that ends by running out of it is
// inconclusive, not a finding. The weighted core loop can, on an unlucky order of the clauses
// in the set (which follows their addresses, so it changes from one input to the next within
// one process), split a 20-clause instance into hundreds of thousands of clauses before it
// ends; the budget is checked between cores, so a hang anywhere else is still reported as one.
//
// Input layout: byte 0 chooses the encoding (pairwise, sequential counter, bitwise), pruning
// clauses, the threshold for relating relaxation variables and the problem kind (plain,
// partial, weighted); byte 1 the number of variables and the engine: the default one, the
// incremental one ("-oll"), or the incremental one enumerating every optimal model, whose count
// must then equal the number of distinct sets of falsified soft clauses ("-sr") or of distinct
// values of the variables that occur in some clause ("-so") over the optimal assignments; then one clause after another: a header
// byte (length 0 to 4, hard or soft, weight scale), a weight byte for weighted instances, and
// one byte per literal (variable and sign). Repeated clauses are the same clause object, so
// the last kind or weight given to it is the one that counts; the oracle reads the clauses back
// before solving, which follows that rule whatever it is.
#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "util/cpu_time.hh"
#include "clauses/basic_clause.hh"
#include "clauses/basic_clause_set.hh"
#include "config/qrn_config.hh"
#include "facade/qrnapp.hh"

void quarnel_fuzz_exit(int status) { throw FuzzExit{status}; }

namespace {

constexpr int max_vars = 10;
constexpr std::size_t max_clauses = 24;
constexpr long solve_budget_seconds = 20;

struct Snapshot {
  LitVector lits;
  bool hard;
  Cost weight;
};

bool satisfied(const LitVector& lits, unsigned assignment) {
  for (long lit : lits) {
    bool value = (assignment >> (std::labs(lit) - 1)) & 1U;
    if (value == (lit > 0)) return true;
  }
  return false;
}

// Cost of an assignment, or -1 when it falsifies a hard clause.
long long cost_of(const std::vector<Snapshot>& cls, unsigned assignment) {
  long long cost = 0;
  for (const Snapshot& c : cls) {
    if (satisfied(c.lits, assignment)) continue;
    if (c.hard) return -1;
    cost += static_cast<long long>(c.weight);
  }
  return cost;
}

long long exhaustive_optimum(const std::vector<Snapshot>& cls, int nvars) {
  long long best = -1;
  for (unsigned a = 0; a < (1U << nvars); ++a) {
    long long c = cost_of(cls, a);
    if (c >= 0 && (best < 0 || c < best)) best = c;
  }
  return best;
}

// What tells two optimal models apart in an enumeration: the set of falsified soft clauses of
// positive weight, or the values of the variables that occur in some hard clause or soft clause
// of positive weight.
unsigned cube_key(const std::vector<Snapshot>& cls, unsigned assignment, bool by_softs) {
  unsigned key = 0, bit = 0;
  for (const Snapshot& c : cls) {
    if (!c.hard && c.weight == 0) continue;
    if (by_softs) {
      if (c.hard) continue;
      if (!satisfied(c.lits, assignment)) key |= 1U << bit;
      ++bit;
    } else {
      for (long lit : c.lits) key |= assignment & (1U << (std::labs(lit) - 1));
    }
  }
  return key;
}

std::size_t distinct(std::vector<unsigned> keys) {
  std::sort(keys.begin(), keys.end());
  return static_cast<std::size_t>(std::unique(keys.begin(), keys.end()) - keys.begin());
}

unsigned assignment_of(const std::vector<int>& model, int nvars) {
  unsigned assignment = 0;
  for (int v = 1; v <= nvars; ++v)
    if (static_cast<std::size_t>(v) <= model.size() && model[v - 1] > 0) assignment |= 1U << (v - 1);
  return assignment;
}

enum class Engine { fu_malik, oll, oll_anytime, oll_enumerate };

void configure(Quarnel& q, std::uint8_t byte, Engine engine, bool by_softs) {
  q.reset();
  q.set_runtime_defaults();
  q.set_verbosity(0);
  QRNConfig::optlock = false;
  static const char* const encodings[] = {"e", "c", "l", "c"};
  q.set_card_encoding(encodings[byte & 3]);
  QRNConfig::use_added_relax_cls = (byte & 4) != 0;
  q.set_relate_relax_vars(1 + (byte >> 3) % 3);
  q.set_compute_model();
  if (engine != Engine::fu_malik) q.set_oll_engine();
  // The solution-improving phases from the first model on, with a seed from the input.
  QuarnelExtended::bind_instance()->set_anytime_mode(engine == Engine::oll_anytime ? "always" : "on");
  QuarnelExtended::bind_instance()->set_local_search_seed(std::to_string(byte).c_str());
  if (engine == Engine::oll_enumerate) {
    q.set_enumerate_models();
    if (by_softs)
      q.set_enum_relax_vars();
    else
      q.set_enum_orig_vars();
  }
  // The budget is a point on the process's CPU clock, which keeps running across inputs.
  q.set_timeout(static_cast<long>(cpu_time()) + solve_budget_seconds);
  q.init();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 2) return 0;
  Quarnel& q = Quarnel::instance();
  const int kind = (data[0] >> 5) % 3;  // 0 plain, 1 partial, 2 weighted
  const int nvars = 1 + data[1] % max_vars;
  static const Engine engines[] = {Engine::fu_malik, Engine::oll, Engine::oll_anytime, Engine::oll_enumerate};
  const Engine engine = engines[(data[1] / max_vars) % 4];
  const bool by_softs = (data[1] / (4 * max_vars)) % 2 == 0;
  std::vector<unsigned> cubes;  // assignments the enumeration returned
  std::vector<Snapshot> snapshot;
  long long reported = 0;
  std::vector<int> model;
  try {
    configure(q, data[0], engine, by_softs);
    if (kind == 0) q.set_prob_plain_maxsat();
    if (kind == 1) q.set_prob_partial_maxsat();
    if (kind == 2) q.set_prob_weighted_maxsat();

    std::vector<QRNCl*> added;
    std::size_t pos = 2;
    std::vector<long> lits;
    while (pos < size && added.size() < max_clauses) {
      const std::uint8_t header = data[pos++];
      const bool hard = kind != 0 && (header & 8) != 0;
      Cost weight = 1;
      if (kind == 2 && !hard) {
        if (pos >= size) break;
        static const Cost scale[] = {1, 1000, Cost(1) << 20, 1};
        weight = data[pos++] * scale[(header >> 4) & 3];  // 0 included; below the hard weight
      }
      lits.clear();
      for (int i = 0; i < header % 5 && pos < size; ++i, ++pos)
        lits.push_back((data[pos] & 1 ? -1 : 1) * (1 + (data[pos] >> 1) % nvars));
      QRNCl* cl = q.add_clause(lits);
      if (hard) q.set_clause_hard(cl);
      else if (kind == 2) q.set_clause_weight(cl, static_cast<long>(weight));
      else q.set_clause_soft(cl);
      added.push_back(cl);
    }
    const BasicClauseSet& set = *QRNAppObjs::_clset;
    for (QRNCl* cl : set)
      snapshot.push_back({cl->get_lits(), set.is_hard(cl), cl->get_weight()});

    if (engine == Engine::oll_enumerate) {
      bool more = true;
      while (more && q.iter_solve()) {
        // The cost comes with the first model, and each model must be optimal.
        if (cubes.empty()) reported = q.get_min_unsat_cost();
        model.clear();
        q.get_model(model);
        cubes.push_back(assignment_of(model, nvars));
        more = q.get_enum_models();
      }
      const EngineResult* r = QuarnelExtended::bind_instance()->get_engine_result();
      // An enumeration cut short by the budget is inconclusive.
      if (r != nullptr && (r->status == EngineStatus::unknown || r->status == EngineStatus::satisfiable)) {
        q.reset();
        return 0;
      }
    } else {
      q.solve();
      reported = q.get_min_unsat_cost();
      q.get_model(model);
    }
    q.reset();
  } catch (const FuzzExit& e) {
    const bool out_of_budget =
        e.status == 3 && cpu_time_reached(static_cast<double>(QRNConfig::tool_timeout));
    if (!out_of_budget) std::abort();
    q.reset();
    return 0;
  }

  const long long optimum = exhaustive_optimum(snapshot, nvars);
  if (optimum < 0) {
    if (reported >= 0) std::abort();
    return 0;
  }
  if (reported != optimum) std::abort();
  if (engine == Engine::oll_enumerate) {
    // Every model optimal, no two alike, and as many as there are.
    std::vector<unsigned> found, all;
    for (unsigned a : cubes) {
      if (cost_of(snapshot, a) != optimum) std::abort();
      found.push_back(cube_key(snapshot, a, by_softs));
    }
    for (unsigned a = 0; a < (1U << nvars); ++a)
      if (cost_of(snapshot, a) == optimum) all.push_back(cube_key(snapshot, a, by_softs));
    if (distinct(found) != found.size() || found.size() != distinct(all)) std::abort();
    return 0;
  }
  if (cost_of(snapshot, assignment_of(model, nvars)) != reported) std::abort();
  return 0;
}
