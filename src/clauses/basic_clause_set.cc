// Clause sets apply their default kind to every clause they receive and count the assignment.
// The counters record how clauses were classified while they were read (the reader types a wcnf
// instance by them), not how many distinct clauses there are: nothing ever decrements them.
// Clauses are shared through the registry, so a kind applied here overwrites the weight the
// clause had in any other set.
//
// Membership: a clause joins the first live set it is added to as a home member (its header
// holds the set's id and its position in the set's order); in every other set it is a guest,
// listed in that set's guest table. Set ids are handed out from a process-wide table of live
// sets, so that removing a clause through any set also takes it out of its home set, and a set
// that ends frees its home members for the next set. The process has one thread.
#include "clauses/basic_clause_set.hh"

#include <algorithm>
#include <cassert>

namespace {

// Live sets by id; entry 0 stands for "no home". Ids of ended sets are handed out again.
std::vector<BasicClauseSet*>& sets_by_id() {
  static std::vector<BasicClauseSet*> sets(1, nullptr);
  return sets;
}
std::vector<std::uint32_t>& free_ids() {
  static std::vector<std::uint32_t> ids;
  return ids;
}

std::uint32_t take_id(BasicClauseSet* set) {
  std::vector<BasicClauseSet*>& sets = sets_by_id();
  if (free_ids().empty()) {
    sets.push_back(set);
    return static_cast<std::uint32_t>(sets.size() - 1);
  }
  std::uint32_t id = free_ids().back();
  free_ids().pop_back();
  sets[id] = set;
  return id;
}

}  // namespace

BasicClauseSet::BasicClauseSet() : clreg(*ClauseRegistry::clreg_instance), set_id(take_id(this)) {}

BasicClauseSet::~BasicClauseSet() {
  for (auto& entry : grp_map) delete entry.second;
  // Home members go free. Guests are not touched: one may have been destroyed through another
  // set, and only its address is known here.
  for (BasicClause* cl : order)
    if (cl != nullptr && (guests.empty() || guests.count(cl) == 0)) cl->home_set = 0;
  sets_by_id()[set_id] = nullptr;
  free_ids().push_back(set_id);
}

void BasicClauseSet::reserve_more(std::size_t more) {
  order.reserve(order.size() + more);
  clreg.reserve_more(more);
}

void BasicClauseSet::insert_member(BasicClause* cl) {
  if (is_member(cl)) return;
  if (order.size() >= 64 && order.size() >= 2 * live) close_holes();
  const auto pos = static_cast<std::uint32_t>(order.size());
  order.push_back(cl);
  ++live;
  if (cl->home_set == 0) {
    cl->home_set = set_id;
    cl->home_pos = pos;
  } else {
    guests.emplace(cl, pos);
  }
}

void BasicClauseSet::erase_member(BasicClause* cl) {
  std::uint32_t pos;
  if (cl->home_set == set_id) {
    pos = cl->home_pos;
    cl->home_set = 0;
  } else {
    auto it = guests.find(cl);
    if (it == guests.end()) return;
    pos = it->second;
    guests.erase(it);
  }
  assert(order[pos] == cl);
  order[pos] = nullptr;
  --live;
}

// Moves the members together, keeping their order. Runs only when a member is added, so that
// removing clauses while iterating over the set is safe.
void BasicClauseSet::close_holes() {
  std::size_t to = 0;
  for (BasicClause* cl : order) {
    if (cl == nullptr) continue;
    const auto pos = static_cast<std::uint32_t>(to);
    auto it = guests.empty() ? guests.end() : guests.find(cl);
    if (it != guests.end())
      it->second = pos;
    else
      cl->home_pos = pos;
    order[to++] = cl;
  }
  order.resize(to);
}

BasicClause* BasicClauseSet::add_clause(LitVector& lits) {
  return add_clause_tracked(lits).cl;
}

BasicClause* BasicClauseSet::add_clause(int n, const long* lits) {
  LitVector copy(lits, lits + n);
  return add_clause_tracked(copy).cl;
}

BasicClauseSet::AddOutcome BasicClauseSet::add_clause_tracked(LitVector& lits) {
  sort_literals(lits.data(), lits.data() + lits.size());
  bool created = false;
  BasicClause* cl = clreg.find_or_create(lits, created);
  AddOutcome outcome{cl, !created && is_member(cl), cl->get_weight()};
  attach_clause(cl);
  return outcome;
}

void BasicClauseSet::count_weight(Cost w) {
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
  insert_member(cl);
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

void BasicClauseSet::set_cl_weight(BasicClause* cl, Cost w) {
  cl->set_weight(w);
  count_weight(w);
}

void BasicClauseSet::set_cl_group(BasicClause* cl, long grp) {
  cl->set_weight(static_cast<Cost>(grp));
  auto it = grp_map.find(grp);
  if (it == grp_map.end()) it = grp_map.emplace(grp, new ClauseList()).first;
  it->second->push_back(cl);
}

void BasicClauseSet::remove_clause(BasicClause* cl) {
  erase_member(cl);
  if (cl->home_set != 0) sets_by_id()[cl->home_set]->erase_member(cl);
  clreg.unregister_clause(cl);
  BasicClause::destroy(cl);
}

void BasicClauseSet::extend_clause(BasicClause* cl, long lit) {
  assert(lit != 0);
  clreg.unregister_clause(cl);
  cl->push_literal(lit);
  std::int32_t* lits = cl->lits();
  sort_literals(lits, lits + cl->num_lits);
  clreg.register_clause(cl);
}
