// The process-wide index that makes clauses unique: it finds the one BasicClause that carries a
// sorted literal sequence. It is a flat hash set of clause pointers (Abseil's open-addressing
// table): one slot of 8 bytes and one control byte per entry, no node per clause, and the
// literals are never copied: a lookup with a caller's literals hashes them and compares them
// with the candidate clauses' own. Only BasicClauseSet uses it (add, extend, remove).
#ifndef QUARNEL_CLAUSES_CL_REGISTRY_HH
#define QUARNEL_CLAUSES_CL_REGISTRY_HH

#include <absl/container/flat_hash_set.h>

#include <cstdint>
#include <vector>

#include "clauses/basic_clause.hh"
#include "clauses/huge_page_memory.hh"

// A literal sequence seen from outside a clause: the caller's vector or array.
struct LitSpan {
  const long* data;
  std::size_t size;
};

// Hash of a literal sequence, the same for a clause and for a span with equal literals. Each
// literal is mixed in with a multiplication, so that sequences that differ in any literal, in
// order or in length spread over the whole table (the table takes its slot from the high bits
// and a filter byte from the low bits).
struct LitVectHash {
  using is_transparent = void;
  std::size_t operator()(const BasicClause* cl) const { return hash_of(cl->begin(), cl->size()); }
  std::size_t operator()(const LitSpan& s) const { return hash_of(s.data, s.size); }
  template <class Lit> static std::uint64_t hash_of(const Lit* lits, std::size_t n) {
    std::uint64_t h = 0x9E3779B97F4A7C15ull ^ n;
    for (std::size_t i = 0; i < n; ++i) {
      h ^= static_cast<std::uint32_t>(lits[i]);
      h *= 0xFF51AFD7ED558CCDull;
      h ^= h >> 29;
    }
    return h ^ (h >> 32);
  }
};

struct LitVectEqual {
  using is_transparent = void;
  bool operator()(const BasicClause* a, const BasicClause* b) const { return a == b || same(*a, b->begin(), b->size()); }
  bool operator()(const BasicClause* a, const LitSpan& s) const { return same(*a, s.data, s.size); }
  bool operator()(const LitSpan& s, const BasicClause* a) const { return same(*a, s.data, s.size); }
  template <class Lit> static bool same(const BasicClause& cl, const Lit* lits, std::size_t n) {
    if (cl.size() != n) return false;
    const std::int32_t* own = cl.begin();
    for (std::size_t i = 0; i < n; ++i)
      if (own[i] != lits[i]) return false;
    return true;
  }
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
  // Removes the entry of the current literals of `cl`, if it is the entry of `cl` itself.
  void unregister_clause(BasicClause* cl);

  // The clause with these sorted literals: the registered one, or a new one (weight unset)
  // that is registered at once. One probe of the table either way; `created` tells which.
  BasicClause* find_or_create(const LitVector& sorted_lits, bool& created);

  // Fetches the table's memory where these sorted literals belong into the cache, ahead of a
  // find_or_create with them.
  void prefetch(const LitVector& sorted_lits) const;

  // Makes room for `more` clauses beyond those registered, so that reading an instance whose
  // size is announced does not rehash the table as it grows.
  void reserve_more(std::size_t more) { lit_map.reserve(lit_map.size() + more); }

  std::size_t size() const { return lit_map.size(); }

private:
  absl::flat_hash_set<BasicClause*, LitVectHash, LitVectEqual, HugePageAllocator<BasicClause*>> lit_map;
};

#endif
