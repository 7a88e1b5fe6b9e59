// A program that embeds the solver: it builds a small weighted MaxSAT instance clause by
// clause through the facade, solves it, and prints the minimum cost and an optimal model.
//
// The instance: five tasks (variables 1 to 5, true = the task is scheduled). Some pairs of tasks
// exclude each other (hard clauses); each task, and one combination, is worth something when
// scheduled (soft clauses with weights). The optimum is the least total worth left unscheduled.
//
// Each clause is echoed as it is added ("hard" or "soft w=N", then its literals and 0), so the
// output alone says what was solved. With the argument "-oll" the incremental engine solves it.
// Build it with the project (target embed_demo), or against
// an installed package with find_package(quarnel) and target quarnel::quarnel.
#include <cstdio>
#include <cstring>
#include <vector>

#include "facade/qrnapp.hh"

namespace {

struct DemoClause {
  long weight;  // 0 marks a hard clause
  std::vector<long> lits;
};

const DemoClause demo_instance[] = {
    {0, {-1, -2}},        // tasks 1 and 2 exclude each other
    {0, {-2, -3}},        // so do 2 and 3
    {0, {-3, -4, -5}},    // 3, 4 and 5 cannot all run
    {0, {1, 3, 5}},       // at least one of 1, 3, 5 runs
    {5, {1}},             // worth of each task
    {3, {2}},
    {4, {3}},
    {2, {4}},
    {6, {5}},
    {1, {-1, 2, 4, -5}},  // a bonus unless 1 runs with 5 and without 2 and 4
};

QRNCl* add_demo_clause(Quarnel& q, std::vector<long> lits) {
  // The facade offers shortcuts for short clauses; any length goes through add_clause.
  switch (lits.size()) {
    case 1: return q.add_unit_clause(lits[0]);
    case 2: return q.add_binary_clause(lits[0], lits[1]);
    case 3: return q.add_ternary_clause(lits[0], lits[1], lits[2]);
    default: return q.add_clause(lits);
  }
}

}  // namespace

int main(int argc, char** argv) {
  Quarnel& q = Quarnel::instance();
  q.set_runtime_defaults();
  q.set_verbosity(0);  // no progress lines from the engine
  if (argc > 1 && std::strcmp(argv[1], "-oll") == 0) q.set_oll_engine();
  q.init();
  q.set_prob_weighted_maxsat();

  std::printf("quarnel embedding demo: %zu clauses\n", sizeof demo_instance / sizeof demo_instance[0]);
  for (const DemoClause& dc : demo_instance) {
    // A new clause is hard until a kind setter says otherwise; saying it anyway is harmless.
    QRNCl* cl = add_demo_clause(q, dc.lits);
    if (dc.weight == 0) {
      q.set_clause_hard(cl);
      std::printf("hard      ");
    } else {
      q.set_clause_weight(cl, dc.weight);
      std::printf("soft w=%ld ", dc.weight);
    }
    for (long lit : dc.lits) std::printf(" %ld", lit);
    std::printf(" 0\n");
  }
  std::fflush(stdout);

  q.solve();
  long cost = q.get_min_unsat_cost();
  if (cost < 0) {
    std::printf("hard clauses unsatisfiable\n");
    q.reset();
    return 0;
  }
  std::printf("minimum cost: %ld\n", cost);

  // The model covers the solver's own auxiliary variables too; only the instance's are shown.
  std::vector<int> model;
  q.get_model(model);
  long nvars = q.get_num_init_vars();
  std::printf("model:");
  for (long v = 1; v <= nvars && v <= static_cast<long>(model.size()); ++v)
    if (model[v - 1] != 0) std::printf(" %ld", model[v - 1] > 0 ? v : -v);
  std::printf("\n");

  q.reset();
  return 0;
}
