// A copy of a loaded instance in the shape an engine wants it: hard clauses and soft clauses
// with their weights, literals stored flat. The clause set has already summed the weights of
// repeated clauses; the snapshot drops soft clauses of weight 0, which cannot add to any cost.
// Engines read the snapshot and never the clause set, so nothing they do changes the instance.
//
// The snapshot numbers variables densely: the variables that occur in the instance, in
// increasing order of their input ids, become 1..num_vars(). An engine then sizes its tables by
// the number of variables, not by the largest id, so that an instance naming variable 2000000000
// among two variables costs as little as one naming variable 2. input_var() maps back; on the
// usual instance, where every variable up to the largest occurs, the numbering is the input's.
//
// An owner that solves a changing instance (see facade/incremental_solver.hh) appends clauses
// and changes soft weights between two solves, and tells its engine what changed; clauses are
// never removed, so an index names the same clause for the snapshot's whole life.
#ifndef QUARNEL_CLAUSES_INSTANCE_SNAPSHOT_HH
#define QUARNEL_CLAUSES_INSTANCE_SNAPSHOT_HH

#include <cstddef>
#include <cstdint>
#include <vector>

#include "util/cost.hh"

class BasicClauseSet;

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
  // Copies the clauses of `clset`, renumbering their variables. Variables of soft clauses of
  // weight 0 are numbered too: a model gives each of them a value.
  explicit InstanceSnapshot(const BasicClauseSet& clset);
  // An empty instance, to be filled by the append functions.
  InstanceSnapshot() = default;

  // Appending, to a snapshot made empty: the literals are taken as they are (non-zero, within
  // +-(2^25)), and the numbering stays the input's (every variable up to the largest is one of
  // the snapshot's), so that an owner and its engine speak of the same variables while clauses
  // come. A soft clause keeps its place even at weight 0, so that its index stays valid for
  // set_soft_weight.
  void add_hard(const int* begin, const int* end);
  void add_soft(const int* begin, const int* end, Cost weight);
  void set_soft_weight(std::size_t i, Cost weight) { soft_weights[i] = weight; }

  // The number of variables that occur; the snapshot's variables are 1..num_vars().
  int num_vars() const { return static_cast<int>(input_ids.size()); }
  // The input id of snapshot variable v (1 <= v <= num_vars()); increasing in v.
  long input_var(int v) const { return input_ids[static_cast<std::size_t>(v) - 1]; }
  // The snapshot variable of input variable `var`, or 0 when it occurs in no clause.
  int snapshot_var(long var) const;
  std::size_t num_hard() const { return hard_starts.size() - 1; }
  std::size_t num_soft() const { return soft_starts.size() - 1; }
  std::size_t num_literals() const { return hard_lits.size() + soft_lits.size(); }
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
  // Extends the input's own numbering up to the largest variable of these literals.
  void note_vars(const int* begin, const int* end);
  static ClauseView view(const std::vector<int>& lits, const std::vector<std::size_t>& starts, std::size_t i) {
    return ClauseView{lits.data() + starts[i], lits.data() + starts[i + 1]};
  }

  // Fills input_ids with the variables of `clset` and sets up snapshot_var().
  void number_variables(const BasicClauseSet& clset);
  int renumbered(int lit) const { return lit > 0 ? snapshot_var(lit) : -snapshot_var(-lit); }

  std::vector<long> input_ids;
  // Input id -> snapshot variable, when the ids are dense enough for a table (see the .cc);
  // empty otherwise, and snapshot_var() searches input_ids.
  std::vector<int> by_input_id;
  std::vector<int> hard_lits;
  std::vector<std::size_t> hard_starts{0};
  std::vector<int> soft_lits;
  std::vector<std::size_t> soft_starts{0};
  std::vector<Cost> soft_weights;
};

#endif
