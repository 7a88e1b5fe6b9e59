// The registry is the reason a clause read twice, produced twice by an encoding, or shared by the
// instance and a BMO level is one object. A new clause costs one probe: the table finds the
// place of the caller's literals and constructs the clause only when that place is empty. The
// table is created before main() and lives until the process ends.
#include "clauses/cl_registry.hh"

#include <cassert>

ClauseRegistry* ClauseRegistry::clreg_instance = new ClauseRegistry();

namespace {
LitSpan span_of(const LitVector& v) { return LitSpan{v.data(), v.size()}; }
}  // namespace

BasicClause* ClauseRegistry::find_clause(const LitVector& lits) const {
  auto it = lit_map.find(span_of(lits));
  return it == lit_map.end() ? nullptr : *it;
}

// g++ 12 drops the table's prefetch instructions as dead code once NDEBUG is set; this
// function is compiled without that pass (clang keeps them anyway).
#if defined(__GNUC__) && !defined(__clang__)
__attribute__((optimize("no-tree-dce")))
#endif
void ClauseRegistry::prefetch(const LitVector& sorted_lits) const {
  lit_map.prefetch(span_of(sorted_lits));
}

void ClauseRegistry::register_clause(BasicClause* cl) { lit_map.insert(cl); }

void ClauseRegistry::unregister_clause(BasicClause* cl) {
  // Only the entry that is `cl` itself: another clause object with equal literals (which
  // register_clause never enters) must not lose its entry.
  auto it = lit_map.find(cl);
  if (it != lit_map.end() && *it == cl) lit_map.erase(it);
}

BasicClause* ClauseRegistry::find_or_create(const LitVector& sorted_lits, bool& created) {
  created = false;
  auto it = lit_map.lazy_emplace(span_of(sorted_lits), [&](const auto& construct) {
    created = true;
    construct(BasicClause::create(sorted_lits.data(), sorted_lits.size()));
  });
  assert(LitVectEqual::same(**it, sorted_lits.data(), sorted_lits.size()));
  return *it;
}
