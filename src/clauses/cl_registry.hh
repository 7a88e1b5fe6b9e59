// The process-wide index that makes clauses unique: it maps a sorted literal sequence to the one
// BasicClause that carries it. Keys are the addresses of the clauses' own literal vectors, so the
// registry stores no copy of any literal. Only BasicClauseSet uses it (add, extend, remove).
#ifndef QUARNEL_CLAUSES_CL_REGISTRY_HH
#define QUARNEL_CLAUSES_CL_REGISTRY_HH

#include <cstdint>
#include <unordered_map>
#include <vector>

#include "clauses/basic_clause.hh"

// Key of a registry entry: the address of a literal sequence, hashed and compared by contents.
// The pointer is mutable so that find_or_create can repoint a new entry from the caller's vector
// to the clause's own copy in place; the contents are equal, so the entry's hash and position
// stay right, and a new clause costs one lookup instead of two.
struct LitVectKey {
  mutable const LitVector* lits;
};

// Hash of a literal sequence: h = (h << 3) ^ |l| over the literals, in unsigned 32-bit
// arithmetic. 1 -2 3 hashes to 83.
struct LitVectHash {
  std::size_t operator()(const LitVector* v) const { return hash_of(*v); }
  std::size_t operator()(const LitVectKey& k) const { return hash_of(*k.lits); }
  static std::uint32_t hash_of(const LitVector& v) {
    std::uint32_t h = 0;
    for (long l : v) h = (h << 3) ^ static_cast<std::uint32_t>(l < 0 ? -static_cast<unsigned long>(l) : l);
    return h;
  }
};

struct LitVectEqual {
  bool operator()(const LitVector* a, const LitVector* b) const { return *a == *b; }
  bool operator()(const LitVectKey& a, const LitVectKey& b) const { return *a.lits == *b.lits; }
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
  // Enters `cl` under its own literals; an equal sequence already registered stays.
  void register_clause(BasicClause* cl);
  // Removes the entry of the current literals of `cl`, if there is one.
  void unregister_clause(BasicClause* cl);

  // The clause with these sorted literals: the registered one, or a new one (weight unset)
  // that is registered at once. One hash lookup either way; `created` tells which.
  BasicClause* find_or_create(const LitVector& sorted_lits, bool& created);

  std::size_t size() const { return lit_map.size(); }

private:
  std::unordered_map<LitVectKey, BasicClause*, LitVectHash, LitVectEqual> lit_map;
};

#endif
