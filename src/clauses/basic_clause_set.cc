// Clause sets apply their default kind to every clause they receive and count the assignment.
// The counters record how clauses were classified while they were read (the reader types a wcnf
// instance by them), not how many distinct clauses there are: nothing ever decrements them.
// Clauses are shared through the registry, so a kind applied here overwrites the weight the
// clause had in any other set.
#include "clauses/basic_clause_set.hh"

#include <algorithm>
#include <cassert>

BasicClauseSet::BasicClauseSet() : clreg(*ClauseRegistry::clreg_instance) {}

BasicClauseSet::~BasicClauseSet() {
  for (auto& entry : grp_map) delete entry.second;
}

BasicClause* BasicClauseSet::add_clause(LitVector& lits) {
  return add_clause_tracked(lits).cl;
}

BasicClause* BasicClauseSet::add_clause(int n, const long* lits) {
  LitVector copy(lits, lits + n);
  return add_clause_tracked(copy).cl;
}

BasicClauseSet::AddOutcome BasicClauseSet::add_clause_tracked(LitVector& lits) {
  std::sort(lits.begin(), lits.end(), AbsLitLess());
  bool created = false;
  BasicClause* cl = clreg.find_or_create(lits, created);
  AddOutcome outcome{cl, !created && is_member(cl), cl->get_weight()};
  attach_clause(cl);
  return outcome;
}

void BasicClauseSet::count_weight(weight_t w) {
  ++num_cls;
  if (w == top_weight)
    ++num_hard_cls;
  else if (w == 1)
    ++num_soft_cls;
  else
    ++num_wght_cls;
}

void BasicClauseSet::attach_clause(BasicClause* cl) {
  switch (cltype) {
    case CL_HARD: set_cl_hard(cl); break;
    case CL_SOFT: set_cl_soft(cl); break;
    default: set_cl_weight(cl, def_weight); break;
  }
  cl_set.insert(cl);
}

void BasicClauseSet::set_cl_hard(BasicClause* cl) {
  cl->set_weight(top_weight);
  ++num_cls;
  ++num_hard_cls;
}

void BasicClauseSet::set_cl_soft(BasicClause* cl) {
  cl->set_weight(1);
  count_weight(1);
}

void BasicClauseSet::set_cl_weight(BasicClause* cl, weight_t w) {
  cl->set_weight(w);
  count_weight(w);
}

void BasicClauseSet::set_cl_group(BasicClause* cl, long grp) {
  cl->set_weight(static_cast<weight_t>(grp));
  auto it = grp_map.find(grp);
  if (it == grp_map.end()) it = grp_map.emplace(grp, new ClauseList()).first;
  it->second->push_back(cl);
}

void BasicClauseSet::remove_clause(BasicClause* cl) {
  cl_set.erase(cl);
  clreg.unregister_clause(cl);
  delete cl;
}

void BasicClauseSet::extend_clause(BasicClause* cl, long lit) {
  assert(lit != 0);
  clreg.unregister_clause(cl);
  cl->lits.push_back(lit);
  std::sort(cl->lits.begin(), cl->lits.end(), AbsLitLess());
  clreg.register_clause(cl);
}
