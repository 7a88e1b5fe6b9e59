// The BMO mode: examines the weights of a loaded instance for a Boolean multilevel optimisation
// structure (each level's weight outweighs all lighter clauses together), reports the verdict,
// and partitions the clauses into one clause set per level. It computes no optimum; its driver
// ends the process with exit status 1.
#ifndef QUARNEL_BMO_UBMO_HH
#define QUARNEL_BMO_UBMO_HH

#include <unordered_map>
#include <vector>

#include "clauses/basic_clause.hh"
#include "clauses/basic_clause_set.hh"
#include "clauses/id_manager.hh"

enum BMOConds { BMO_NONE = 0x100, BMO_COMPLETE = 0x200, BMO_PARTIAL = 0x400 };

// How the mode's verdict is printed.
struct BmoReporting {
  bool comp_format = false;    // the verdict line starts with "c "
  bool print_verdict = false;  // solve() prints the verdict line (high verbosity)
};

class UnsatBMOSolver {
public:
  explicit UnsatBMOSolver(IDManager& imgr, const BmoReporting& reporting = {});
  // Releases the per-weight lists and the level sets it made, never a clause.
  virtual ~UnsatBMOSolver();
  UnsatBMOSolver(const UnsatBMOSolver&) = delete;
  UnsatBMOSolver& operator=(const UnsatBMOSolver&) = delete;

  // Checks, reports, partitions and ends the process with exit status 1.
  [[noreturn]] virtual void solve(BasicClauseSet& cls);

  // Groups the clauses by weight and classifies the instance. Reads the clauses' weights, so it
  // must run before split_clause_set changes them. A second call starts afresh.
  BMOConds validate_bmo_conditions(BasicClauseSet& cls);
  // Builds one clause set per level from the groups of validate_bmo_conditions, heaviest first:
  // the hard clauses (when there are any), then the weights down to each boundary, then the
  // weights below the lowest boundary; every clause lands in exactly one level. The level sets
  // are of the hard kind, so attaching a clause gives it (shared with `cls`) their top weight.
  void split_clause_set(BasicClauseSet& cls);
  // Prints the verdict line ("c " first in the competition format); any other value is fatal.
  void prt_bmo_chk_msg(BMOConds c);

  const std::vector<Cost>& get_weights() const { return weights; }
  const std::vector<unsigned long>& get_level_bounds() const { return level_bounds; }
  const std::vector<BasicClauseSet*>& get_level_sets() const { return level_sets; }
  IDManager& get_id_manager() const { return imgr; }

private:
  void compute_has_hard(const BasicClauseSet& cls);
  // Drops the groups, levels and flags of an earlier check; never a clause.
  void release_results();

  IDManager& imgr;  // the instance's allocator; the check and the partition need no new ids
  const BmoReporting reporting;
  std::vector<BasicClauseSet*> level_sets;
  std::unordered_map<Cost, ClauseList*> wght_cls_map;  // owned lists, clauses in set order
  std::vector<Cost> weights;                            // distinct weights, decreasing
  std::vector<unsigned long> level_bounds;                  // boundary indices into weights, decreasing
  bool has_hard = false;
  bool has_hard_set = false;
  BMOConds bmo_cond = BMO_NONE;
};

#endif
