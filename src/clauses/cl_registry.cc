// The registry is the reason a clause read twice, produced twice by an encoding, or shared by the
// instance and a BMO level is one object. Entries are keyed by the address of the clause's own
// literal vector and compared by contents, so a lookup with a caller's vector finds the clause
// without the registry ever copying literals. The table is created before main() and lives
// until the process ends.
#include "clauses/cl_registry.hh"

#include <cassert>

ClauseRegistry* ClauseRegistry::clreg_instance = new ClauseRegistry();

BasicClause* ClauseRegistry::find_clause(const LitVector& lits) const {
  auto it = lit_map.find(LitVectKey{&lits});
  return it == lit_map.end() ? nullptr : it->second;
}

void ClauseRegistry::register_clause(BasicClause* cl) {
  lit_map.emplace(LitVectKey{&cl->lits}, cl);
}

void ClauseRegistry::unregister_clause(BasicClause* cl) {
  // Only the entry that points at `cl` itself: another clause object with equal literals (which
  // register_clause never enters) must not lose its entry.
  auto it = lit_map.find(LitVectKey{&cl->lits});
  if (it != lit_map.end() && it->second == cl) lit_map.erase(it);
}

BasicClause* ClauseRegistry::find_or_create(const LitVector& sorted_lits, bool& created) {
  // Insert under the caller's vector first, so that a new clause costs one lookup; the key is
  // then repointed at the clause's own copy, which has the same contents and so the same hash.
  auto [it, inserted] = lit_map.try_emplace(LitVectKey{&sorted_lits}, nullptr);
  created = inserted;
  if (!inserted) return it->second;
  BasicClause* cl = new BasicClause(sorted_lits);
  it->first.lits = &cl->lits;
  it->second = cl;
  assert(*it->first.lits == sorted_lits);
  return cl;
}
