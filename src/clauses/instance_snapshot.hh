// A copy of a loaded instance in the shape an engine wants it: hard clauses and soft clauses
// with their weights, literals stored flat. The clause set has already summed the weights of
// repeated clauses; the snapshot drops soft clauses of weight 0, which cannot add to any cost.
// Engines read the snapshot and never the clause set, so nothing they do changes the instance.
// An owner that solves a changing instance (see facade/incremental_solver.hh) appends clauses
// and changes soft weights between two solves, and tells its engine what changed; clauses are
// never removed, so an index names the same clause for the snapshot's whole life.
#ifndef QUARNEL_CLAUSES_INSTANCE_SNAPSHOT_HH
#define QUARNEL_CLAUSES_INSTANCE_SNAPSHOT_HH

#include <cstddef>
#include <cstdint>
#include <vector>

class BasicClauseSet;

// Costs and weights of the snapshot, unsigned 64-bit like the clause weights.
using Cost = std::uint64_t;

// Adds without wrapping: a sum beyond the range stays at the largest value.
inline Cost saturating_add(Cost a, Cost b) { return a + b < a ? ~Cost(0) : a + b; }

// A clause of the snapshot: a view of its literals.
struct ClauseView {
  const int* first;
  const int* last;
  const int* begin() const { return first; }
  const int* end() const { return last; }
  std::size_t size() const { return static_cast<std::size_t>(last - first); }
};

class InstanceSnapshot {
public:
  // Copies the clauses of `clset`. The variables are 1 up to the largest one of any clause,
  // soft clauses of weight 0 included: a model gives each of them a value.
  explicit InstanceSnapshot(const BasicClauseSet& clset);
  // An empty instance, to be filled by the append functions.
  InstanceSnapshot() = default;

  // Appending: the literals are taken as they are (non-zero, within +-(2^31 - 1)). A soft clause
  // keeps its place even at weight 0, so that its index stays valid for set_soft_weight.
  void add_hard(const int* begin, const int* end);
  void add_soft(const int* begin, const int* end, Cost weight);
  void set_soft_weight(std::size_t i, Cost weight) { soft_weights[i] = weight; }

  int num_vars() const { return nvars; }
  std::size_t num_hard() const { return hard_starts.size() - 1; }
  std::size_t num_soft() const { return soft_starts.size() - 1; }
  ClauseView hard(std::size_t i) const { return view(hard_lits, hard_starts, i); }
  ClauseView soft(std::size_t i) const { return view(soft_lits, soft_starts, i); }
  Cost soft_weight(std::size_t i) const { return soft_weights[i]; }

  // The weight of the soft clauses that `model` falsifies (saturating). `model[v]` is the value
  // of variable v; index 0 is unused.
  Cost cost_of(const std::vector<bool>& model) const;
  // Whether `model` satisfies every hard clause.
  bool satisfies_hard(const std::vector<bool>& model) const;
  static bool satisfied(ClauseView cl, const std::vector<bool>& model);

private:
  void note_vars(const int* begin, const int* end);
  static ClauseView view(const std::vector<int>& lits, const std::vector<std::size_t>& starts, std::size_t i) {
    return ClauseView{lits.data() + starts[i], lits.data() + starts[i + 1]};
  }

  int nvars = 0;
  std::vector<int> hard_lits;
  std::vector<std::size_t> hard_starts{0};
  std::vector<int> soft_lits;
  std::vector<std::size_t> soft_starts{0};
  std::vector<Cost> soft_weights;
};

#endif
