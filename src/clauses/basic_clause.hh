// One clause of the process: its literals, sorted by variable, and its weight. Clauses are
// hash-consed through the ClauseRegistry, so one literal sequence is one BasicClause object in
// the whole process, and a BasicClause* is the clause's identity everywhere (the facade hands it
// out as the opaque handle QRNCl*).
//
// A clause is one block from a pool: a 24-byte header followed by its literals as 32-bit integers
// (every literal of an instance lies within -2147483647 ... 2147483647). The block leaves room
// for at least one more literal, so that relaxing a clause in place (extend_clause) usually
// stays inside it; a clause that outgrows its block moves its literals to a block of their own,
// and its address, its identity, never changes. A 3-literal clause takes 40 bytes.
#ifndef QUARNEL_CLAUSES_BASIC_CLAUSE_HH
#define QUARNEL_CLAUSES_BASIC_CLAUSE_HH

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "util/cost.hh"

// The largest variable a literal may name: literals are stored as 32-bit integers.
constexpr long max_literal = 2147483647;

// Default kinds that a clause set gives to the clauses added to it.
enum ClauseKinds { CL_HARD = 0x10, CL_SOFT = 0x20, CL_WEIGHTED = 0x30 };

// Orders literals by variable. A literal and its negation compare equal; their relative order
// after sorting is not defined.
struct AbsLitLess {
  bool operator()(long a, long b) const { return std::labs(a) < std::labs(b); }
};

using LitVector = std::vector<long>;

// Sorts literals by variable, as std::sort with AbsLitLess does; short clauses (the usual case)
// are sorted in place by insertion, without the general algorithm's set-up, exactly as that
// algorithm itself sorts short ranges.
template <class Lit> void sort_literals(Lit* first, Lit* last) {
  if (last - first > 16) return std::sort(first, last, AbsLitLess());
  for (Lit* i = first + (first != last); i < last; ++i) {
    Lit v = *i;
    Lit* j = i;
    for (; j > first && std::labs(v) < std::labs(*(j - 1)); --j) *j = *(j - 1);
    *j = v;
  }
}

class BasicClause {
public:
  // The weight a clause carries before its clause set gives it a kind.
  static constexpr Cost unset_weight = ~Cost(0);

  BasicClause(const BasicClause&) = delete;
  BasicClause& operator=(const BasicClause&) = delete;

  const std::int32_t* begin() const { return lits(); }
  const std::int32_t* end() const { return lits() + num_lits; }
  std::size_t size() const { return num_lits; }
  // A copy of the literals, for the places that edit them into another clause.
  LitVector get_lits() const { return LitVector(begin(), end()); }

  Cost get_weight() const { return weight; }
  // A plain store: no counting, no change of membership.
  void set_weight(Cost w) { weight = w; }

private:
  // Only the clause set and the registry make, change and destroy clauses.
  friend class BasicClauseSet;
  friend class ClauseRegistry;

  // A new clause with a copy of `n` sorted literals and the unset weight. A literal outside
  // the 32-bit range ends the run.
  static BasicClause* create(const long* sorted, std::size_t n);
  static void destroy(BasicClause* cl);
  // Appends a literal; only while the clause is out of the registry's index.
  void push_literal(long lit);

  explicit BasicClause(std::uint32_t inline_room) : room(inline_room) {}

  static constexpr std::uint32_t spill_flag = 0x80000000u;
  bool spilled() const { return (room & spill_flag) != 0; }
  std::uint32_t capacity() const { return room & ~spill_flag; }
  // The room of the clause's own block, whether or not its literals moved out.
  std::uint32_t inline_room() const;
  std::int32_t* inline_lits() { return reinterpret_cast<std::int32_t*>(this + 1); }
  const std::int32_t* inline_lits() const { return reinterpret_cast<const std::int32_t*>(this + 1); }
  // The block the literals moved to, kept in the first bytes of the inline area.
  std::int32_t* spill_block() const {
    std::int32_t* p;
    std::memcpy(&p, inline_lits(), sizeof p);
    return p;
  }
  const std::int32_t* lits() const { return spilled() ? spill_block() : inline_lits(); }
  std::int32_t* lits() { return spilled() ? spill_block() : inline_lits(); }

  Cost weight = unset_weight;
  // The set that holds this clause without a table entry (see BasicClauseSet), and where.
  std::uint32_t home_set = 0;
  std::uint32_t home_pos = 0;
  std::uint32_t num_lits = 0;
  // Room for literals, with spill_flag set once they live in a block of their own.
  std::uint32_t room;
  // The literals follow the 24-byte header in the same block.
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
