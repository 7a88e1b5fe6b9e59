// One clause of the process: its literals, sorted by variable, and its weight. Clauses are
// hash-consed through the ClauseRegistry, so one literal sequence is one BasicClause object in
// the whole process, and a BasicClause* is the clause's identity everywhere (the facade hands it
// out as the opaque handle QRNCl*).
#ifndef QUARNEL_CLAUSES_BASIC_CLAUSE_HH
#define QUARNEL_CLAUSES_BASIC_CLAUSE_HH

#include <cstdint>
#include <cstdlib>
#include <vector>

// Clause weights: unsigned 64-bit, so that instances whose weights or top weight exceed 32 bits
// are read and solved exactly. A clause is hard when its weight reaches its set's top weight.
using weight_t = std::uint64_t;

// Default kinds that a clause set gives to the clauses added to it.
enum ClauseKinds { CL_HARD = 0x10, CL_SOFT = 0x20, CL_WEIGHTED = 0x30 };

// Orders literals by variable. A literal and its negation compare equal; their relative order
// after sorting is not defined.
struct AbsLitLess {
  bool operator()(long a, long b) const { return std::labs(a) < std::labs(b); }
};

using LitVector = std::vector<long>;

class BasicClause {
public:
  // The weight a clause carries before its clause set gives it a kind.
  static constexpr weight_t unset_weight = ~weight_t(0);

  explicit BasicClause(const LitVector& sorted_lits) : lits(sorted_lits) {}
  virtual ~BasicClause() = default;
  BasicClause(const BasicClause&) = delete;
  BasicClause& operator=(const BasicClause&) = delete;

  LitVector::const_iterator begin() const { return lits.begin(); }
  LitVector::const_iterator end() const { return lits.end(); }
  std::size_t size() const { return lits.size(); }
  const LitVector& get_lits() const { return lits; }

  weight_t get_weight() const { return weight; }
  // A plain store: no counting, no change of membership.
  void set_weight(weight_t w) { weight = w; }

private:
  // Only the clause set may change the literals, and only while the clause is out of the
  // registry's index (see BasicClauseSet::extend_clause).
  friend class BasicClauseSet;
  friend class ClauseRegistry;

  LitVector lits;
  weight_t weight = unset_weight;
};

// Hash and equality of clause handles by address: membership tests in constant time.
struct ClPtrHash {
  std::size_t operator()(const BasicClause* p) const {
    return static_cast<std::size_t>(reinterpret_cast<std::uintptr_t>(p));
  }
};
struct ClPtrEqual {
  bool operator()(const BasicClause* a, const BasicClause* b) const { return a == b; }
};

// Hash and equality of 32-bit integer keys (soft group ids).
struct IntHash {
  std::size_t operator()(long k) const { return static_cast<std::uint32_t>(k); }
};
struct IntEqual {
  bool operator()(long a, long b) const { return a == b; }
};

#endif
