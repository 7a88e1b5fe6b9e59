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

class UnsatBMOSolver {
public:
  explicit UnsatBMOSolver(IDManager& imgr);
  virtual ~UnsatBMOSolver();

  // Checks, reports, partitions and ends the process with exit status 1.
  [[noreturn]] virtual void solve(BasicClauseSet& cls);

  // Groups the clauses by weight and classifies the instance.
  BMOConds validate_bmo_conditions(BasicClauseSet& cls);
  // Builds one clause set per level; runs after validate_bmo_conditions.
  void split_clause_set(BasicClauseSet& cls);
  void prt_bmo_chk_msg(BMOConds c);

  const std::vector<weight_t>& get_weights() const { return weights; }
  const std::vector<unsigned long>& get_level_bounds() const { return level_bounds; }
  const std::vector<BasicClauseSet*>& get_level_sets() const { return level_sets; }

private:
  IDManager& imgr;
  std::vector<BasicClauseSet*> level_sets;
  std::unordered_map<weight_t, ClauseList*> wght_cls_map;
  std::vector<weight_t> weights;
  std::vector<unsigned long> level_bounds;
  bool has_hard = false;
  bool has_hard_set = false;
  BMOConds bmo_cond = BMO_NONE;
};

#endif
