// The process-wide index that makes clauses unique: it maps a sorted literal sequence to the one
// BasicClause that carries it. Keys are the addresses of the clauses' own literal vectors, so the
// registry stores no copy of any literal. Only BasicClauseSet uses it (add, extend, remove).
#ifndef QUARNEL_CLAUSES_CL_REGISTRY_HH
#define QUARNEL_CLAUSES_CL_REGISTRY_HH

#include <cstdint>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "clauses/basic_clause.hh"

// Hash of a literal sequence: h = (h << 3) ^ |l| over the literals, in unsigned 32-bit
// arithmetic. 1 -2 3 hashes to 83.
struct LitVectHash {
  std::size_t operator()(const LitVector* v) const { return hash_of(*v); }
  static std::uint32_t hash_of(const LitVector& v) {
    std::uint32_t h = 0;
    for (long l : v) h = (h << 3) ^ static_cast<std::uint32_t>(l < 0 ? -static_cast<unsigned long>(l) : l);
    return h;
  }
};

struct LitVectEqual {
  bool operator()(const LitVector* a, const LitVector* b) const { return *a == *b; }
};

class ClauseRegistry {
public:
  // The one registry, created during static initialisation and never destroyed.
  static ClauseRegistry* clreg_instance;

  ClauseRegistry() = default;
  // Releases the table only; the clauses are not destroyed.
  virtual ~ClauseRegistry() = default;

  // The registered clause with exactly these (sorted) literals, or null.
  BasicClause* find_clause(const LitVector& lits) const;
  // Enters `cl` under its own literals; an equal sequence already registered stays, and `cl` is
  // then kept aside, unindexed but still owned.
  void register_clause(BasicClause* cl);
  // Removes the entry of the current literals of `cl`, if there is one (or `cl` from the
  // clauses kept aside).
  void unregister_clause(BasicClause* cl);

  // The clause with these sorted literals: the registered one, or a new one (weight unset)
  // that is registered at once. One hash lookup either way; `created` tells which.
  BasicClause* find_or_create(const LitVector& sorted_lits, bool& created);

  std::size_t size() const { return lit_map.size(); }

private:
  std::unordered_map<const LitVector*, BasicClause*, LitVectHash, LitVectEqual> lit_map;
  // Clauses whose literals became equal to a registered clause's through extend_clause (an
  // embedding program that solves one instance after another meets the clauses of earlier
  // instances here). Lookups never see them, but the registry owns them like every other.
  std::unordered_set<BasicClause*, ClPtrHash, ClPtrEqual> displaced;
};

#endif
