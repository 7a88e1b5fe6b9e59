// A working set of clause handles: the instance read from a file, or one level of it in the BMO
// mode. The set knows the weight that makes a clause hard (`top_weight`), gives every clause
// added to it a default kind (hard, soft or weighted), keeps soft groups of soft-CNF instances
// and counts kind assignments. Clauses themselves belong to the registry and are shared by all
// sets: adding the same literals twice, to one set or to two, yields the same object.
#ifndef QUARNEL_CLAUSES_BASIC_CLAUSE_SET_HH
#define QUARNEL_CLAUSES_BASIC_CLAUSE_SET_HH

#include <cstdint>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "clauses/basic_clause.hh"
#include "clauses/cl_registry.hh"

using ClauseList = std::vector<BasicClause*>;

class BasicClauseSet {
public:
  using ClauseSetImpl = std::unordered_set<BasicClause*, ClPtrHash, ClPtrEqual>;
  using const_iterator = ClauseSetImpl::const_iterator;

  static constexpr weight_t default_top_weight = 2147483647;

  BasicClauseSet();
  // Releases the membership table and the group lists, never the clauses.
  virtual ~BasicClauseSet();
  BasicClauseSet(const BasicClauseSet&) = delete;
  BasicClauseSet& operator=(const BasicClauseSet&) = delete;

  // Sorts `lits` in place, finds or creates the clause, attaches it with the default kind.
  BasicClause* add_clause(LitVector& lits);
  // The same for an array; the caller's array is left as it is.
  BasicClause* add_clause(int n, const long* lits);

  // What add_clause found before it applied the default kind: lets the reader merge repeated
  // clauses of one file (their weights add up) without a second lookup.
  struct AddOutcome {
    BasicClause* cl;
    bool was_member;       // the clause was already in this set
    weight_t prev_weight;  // its weight before the default kind overwrote it
  };
  AddOutcome add_clause_tracked(LitVector& lits);

  // Gives `cl` the default kind, counts it, and makes it a member (once).
  void attach_clause(BasicClause* cl);

  // Kind setters: set the weight and count the assignment; membership is not changed.
  void set_cl_hard(BasicClause* cl);
  void set_cl_soft(BasicClause* cl);
  void set_cl_weight(BasicClause* cl, weight_t w);
  // Stores the group id in the clause's weight and appends the clause to the group's list.
  void set_cl_group(BasicClause* cl, long grp);

  // Takes `cl` out of the set and the registry, and destroys it.
  void remove_clause(BasicClause* cl);
  // Appends a literal in place, keeping the registry's index consistent.
  void extend_clause(BasicClause* cl, long lit);

  bool is_member(const BasicClause* cl) const { return cl_set.count(const_cast<BasicClause*>(cl)) != 0; }
  bool is_hard(const BasicClause* cl) const { return cl->get_weight() >= top_weight; }
  std::size_t size() const { return cl_set.size(); }
  const_iterator begin() const { return cl_set.begin(); }
  const_iterator end() const { return cl_set.end(); }

  weight_t get_top_weight() const { return top_weight; }
  void set_top_weight(weight_t w) { top_weight = w; }
  int get_cltype() const { return cltype; }
  void set_cltype(int k) { cltype = k; }
  weight_t get_def_weight() const { return def_weight; }
  void set_def_weight(weight_t w) { def_weight = w; }

  std::uint32_t get_num_hard_cls() const { return num_hard_cls; }
  std::uint32_t get_num_soft_cls() const { return num_soft_cls; }
  std::uint32_t get_num_wght_cls() const { return num_wght_cls; }
  std::uint32_t get_num_cls() const { return num_cls; }

  // Soft groups by id (soft-CNF instances); the set owns the lists.
  const std::unordered_map<long, ClauseList*, IntHash, IntEqual>& get_grp_map() const { return grp_map; }

private:
  void count_weight(weight_t w);

  ClauseRegistry& clreg;
  ClauseSetImpl cl_set;
  std::unordered_map<long, ClauseList*, IntHash, IntEqual> grp_map;
  weight_t top_weight = default_top_weight;
  int cltype = CL_HARD;
  weight_t def_weight = default_top_weight;
  // Count kind assignments, not distinct clauses; they never go down.
  std::uint32_t num_hard_cls = 0;
  std::uint32_t num_soft_cls = 0;
  std::uint32_t num_wght_cls = 0;
  std::uint32_t num_cls = 0;
};

#endif
