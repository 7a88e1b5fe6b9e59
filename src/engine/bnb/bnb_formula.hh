// The clause store of the branch-and-bound engine and its incremental state under a partial
// assignment. Clauses are kept flat with a literal-to-clause occurrence index; the only
// per-clause counter is the number of unassigned literals, updated on every assignment and
// restored on undo, so that no clause is ever copied at a node. Whether a clause is satisfied is
// read off its literals when the counter falls to one or zero, which is cheap on the short
// clauses this engine is meant for.
//
// The occurrence list of an unassigned literal holds only the clauses that the search's
// assignment has not satisfied: a clause satisfied by an assignment is swapped behind the end
// of the lists of its unassigned literals, and the undo, in reverse order, only moves the ends
// back (later removals from a list happen in front of earlier ones). Propagation, the lower
// bound and the branching scores thus never visit satisfied clauses. Free counts of a satisfied
// clause stay as they were when it was satisfied, which is right again when it is not.
//
// Literals are indices: variable v gives 2v (true) and 2v+1 (false); `negate` flips the low bit.
// Hard clauses carry the weight `hard_weight`, which no sum of soft weights is compared with:
// code asks `hard[c]` instead. Tautologies are dropped and repeated literals merged on load;
// empty clauses are counted apart (their weight is paid by every assignment).
#ifndef QUARNEL_ENGINE_BNB_BNB_FORMULA_HH
#define QUARNEL_ENGINE_BNB_BNB_FORMULA_HH

#include <cassert>
#include <cstdint>
#include <vector>

#include "clauses/instance_snapshot.hh"

namespace bnb {

inline int make_lit(int dimacs) { return dimacs > 0 ? 2 * dimacs : 2 * -dimacs + 1; }
inline int negate(int lit) { return lit ^ 1; }
inline int var_of(int lit) { return lit >> 1; }
inline bool is_positive(int lit) { return (lit & 1) == 0; }

constexpr Cost hard_weight = ~Cost(0);

class Formula {
public:
  explicit Formula(const InstanceSnapshot& instance);

  int num_vars() const { return nvars; }
  int num_lits() const { return 2 * nvars + 2; }
  int num_clauses() const { return static_cast<int>(weight.size()); }
  const int* clause_begin(int c) const { return lits.data() + starts[static_cast<std::size_t>(c)]; }
  const int* clause_end(int c) const { return lits.data() + starts[static_cast<std::size_t>(c) + 1]; }
  int clause_size(int c) const { return static_cast<int>(clause_end(c) - clause_begin(c)); }
  // The clauses of `lit` that the search's assignment has not satisfied (all of them before the
  // search), while `lit` is unassigned.
  const int* occ_begin(int lit) const { return occ.data() + occ_starts[static_cast<std::size_t>(lit)]; }
  const int* occ_end(int lit) const { return occ_begin(lit) + occ_count[static_cast<std::size_t>(lit)]; }
  // Beside each entry of occ_begin(lit)..occ_end(lit): the other literal of a binary clause, -1
  // for other sizes, so that propagation over a binary clause reads one value.
  const int* occ_other_begin(int lit) const { return occ_other.data() + occ_starts[static_cast<std::size_t>(lit)]; }

  // Weight of the empty soft clauses (saturating), and whether an empty hard clause exists.
  Cost empty_soft_weight() const { return empty_soft; }
  bool has_empty_hard() const { return empty_hard; }
  Cost total_soft_weight() const { return total_soft; }
  // Whether negating every variable maps the clauses, with their weights, onto themselves (as in
  // max-cut and other partitioning problems): then every model has a mirror model of the same
  // cost, and the search may fix the value of its first variable.
  bool symmetric_under_complement() const;

  // Raw views for the hot loops, valid for the formula's lifetime: literals of all clauses
  // (clause c spans clause_starts()[c] to clause_starts()[c + 1]) and literal values.
  const int* clause_lits() const { return lits.data(); }
  const std::size_t* clause_starts() const { return starts.data(); }
  const signed char* values() const { return val.data(); }

  // Literal values: 1 true, -1 false, 0 unassigned.
  int value(int lit) const { return val[static_cast<std::size_t>(lit)]; }
  bool assigned(int var) const { return val[static_cast<std::size_t>(2 * var)] != 0; }
  int free_count(int c) const { return nfree[static_cast<std::size_t>(c)]; }
  bool satisfied(int c) const {
    for (const int* p = clause_begin(c); p != clause_end(c); ++p)
      if (val[static_cast<std::size_t>(*p)] > 0) return true;
    return false;
  }
  // The one unassigned literal of a clause whose free count is 1.
  int free_literal(int c) const {
    for (const int* p = clause_begin(c); p != clause_end(c); ++p)
      if (val[static_cast<std::size_t>(*p)] == 0) return *p;
    assert(false);
    return -1;
  }

  // Makes `lit` true; the caller then walks occurrences of its negation to see what changed,
  // and (in the search, not in a simulation) calls satisfy(lit).
  void set_true(int lit) {
    assert(val[static_cast<std::size_t>(lit)] == 0);
    val[static_cast<std::size_t>(lit)] = 1;
    val[static_cast<std::size_t>(negate(lit))] = -1;
  }
  // Decrements the free count of clause c and returns the new count.
  int drop_free(int c) { return --nfree[static_cast<std::size_t>(c)]; }
  // Takes the clauses that the true literal `lit` satisfies out of the occurrence lists of
  // their unassigned literals.
  void satisfy(int lit);
  // Undoes set_true(lit) when no free count was dropped for it and satisfy() was not called.
  void unset(int lit) {
    val[static_cast<std::size_t>(lit)] = 0;
    val[static_cast<std::size_t>(negate(lit))] = 0;
  }
  // Undoes set_true(lit), the free counts it dropped and satisfy(lit); assignments are undone
  // in the reverse order of their making.
  void undo(int lit);

  std::vector<Cost> weight;  // per clause; hard clauses hold hard_weight
  std::vector<char> hard;

private:
  int nvars = 0;
  std::vector<int> lits;
  std::vector<std::size_t> starts{0};
  std::vector<std::size_t> occ_starts;
  std::vector<int> occ_count;
  std::vector<int> occ;
  std::vector<int> occ_other;
  std::vector<std::size_t> occ_pos;  // per literal of a clause (flat index): its place in occ
  std::vector<signed char> val;
  std::vector<int> nfree;
  Cost empty_soft = 0;
  Cost total_soft = 0;
  bool empty_hard = false;
};

}  // namespace bnb

#endif
