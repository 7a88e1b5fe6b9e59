// A working set of clause handles: the instance read from a file, or one level of it in the BMO
// mode. The set knows the weight that makes a clause hard (`top_weight`), gives every clause
// added to it a default kind (hard, soft or weighted), keeps soft groups of soft-CNF instances
// and counts kind assignments. Clauses themselves belong to the registry and are shared by all
// sets: adding the same literals twice, to one set or to two, yields the same object.
//
// Members are kept in the order in which they joined, and iteration follows that order, so that
// the engine sees the clauses of an instance in file order on every machine and build. A clause
// records the one set that holds it "at home" (usually the instance it was read into) and its
// position there, so membership in that set needs no table at all; membership in any other set
// (a BMO level, a test's second set) goes through a small table of guests. Removed members leave
// a hole in the order, skipped by iteration and closed up when holes outnumber members.
#ifndef QUARNEL_CLAUSES_BASIC_CLAUSE_SET_HH
#define QUARNEL_CLAUSES_BASIC_CLAUSE_SET_HH

#include <absl/container/flat_hash_map.h>

#include <cstdint>
#include <iterator>
#include <unordered_map>
#include <vector>

#include "clauses/basic_clause.hh"
#include "clauses/cl_registry.hh"
#include "clauses/huge_page_memory.hh"

using ClauseList = std::vector<BasicClause*>;

class BasicClauseSet {
public:
  // Walks the members in the order in which they joined the set, skipping holes.
  class const_iterator {
  public:
    using iterator_category = std::forward_iterator_tag;
    using value_type = BasicClause*;
    using difference_type = std::ptrdiff_t;
    using pointer = BasicClause* const*;
    using reference = BasicClause* const&;

    const_iterator(pointer at, pointer end) : at(at), last(end) { skip_holes(); }
    reference operator*() const { return *at; }
    const_iterator& operator++() {
      ++at;
      skip_holes();
      return *this;
    }
    const_iterator operator++(int) {
      const_iterator old = *this;
      ++*this;
      return old;
    }
    bool operator==(const const_iterator& o) const { return at == o.at; }
    bool operator!=(const const_iterator& o) const { return at != o.at; }

  private:
    void skip_holes() {
      while (at != last && *at == nullptr) ++at;
    }
    pointer at;
    pointer last;
  };

  static constexpr Cost default_top_weight = 2147483647;

  BasicClauseSet();
  // Releases the membership tables and the group lists, never the clauses.
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
    Cost prev_weight;  // its weight before the default kind overwrote it
  };
  AddOutcome add_clause_tracked(LitVector& lits);

  // Gives `cl` the default kind, counts it, and makes it a member (once).
  void attach_clause(BasicClause* cl);

  // Kind setters: set the weight and count the assignment; membership is not changed.
  void set_cl_hard(BasicClause* cl);
  void set_cl_soft(BasicClause* cl);
  void set_cl_weight(BasicClause* cl, Cost w);
  // Stores the group id in the clause's weight and appends the clause to the group's list.
  void set_cl_group(BasicClause* cl, long grp);

  // Takes `cl` out of the set (and out of its home set, when that is another one) and out of
  // the registry, and destroys it.
  void remove_clause(BasicClause* cl);
  // Appends a literal in place, keeping the registry's index consistent.
  void extend_clause(BasicClause* cl, long lit);

  bool is_member(const BasicClause* cl) const {
    return cl->home_set == set_id || (!guests.empty() && guests.count(const_cast<BasicClause*>(cl)) != 0);
  }
  // Whether this set is the home of `cl`: no other live set held it when it joined this one.
  bool is_home_of(const BasicClause* cl) const { return cl->home_set == set_id; }
  bool is_hard(const BasicClause* cl) const { return cl->get_weight() >= top_weight; }
  std::size_t size() const { return live; }
  const_iterator begin() const { return const_iterator(order.data(), order.data() + order.size()); }
  const_iterator end() const { return const_iterator(order.data() + order.size(), order.data() + order.size()); }

  // Announces that sorted literals will be added soon (see ClauseRegistry::prefetch).
  void prefetch(const LitVector& sorted_lits) const { clreg.prefetch(sorted_lits); }

  // Makes room for `more` clauses, in the set and in the registry: a reader that knows the
  // instance's size avoids growing both tables step by step.
  void reserve_more(std::size_t more);

  Cost get_top_weight() const { return top_weight; }
  void set_top_weight(Cost w) { top_weight = w; }
  int get_cltype() const { return cltype; }
  void set_cltype(int k) { cltype = k; }
  Cost get_def_weight() const { return def_weight; }
  void set_def_weight(Cost w) { def_weight = w; }

  std::uint32_t get_num_hard_cls() const { return num_hard_cls; }
  std::uint32_t get_num_soft_cls() const { return num_soft_cls; }
  std::uint32_t get_num_wght_cls() const { return num_wght_cls; }
  std::uint32_t get_num_cls() const { return num_cls; }

  // Soft groups by id (soft-CNF instances); the set owns the lists.
  const std::unordered_map<long, ClauseList*, IntHash, IntEqual>& get_grp_map() const { return grp_map; }

private:
  void count_weight(Cost w);
  void insert_member(BasicClause* cl);
  void erase_member(BasicClause* cl);
  void close_holes();

  ClauseRegistry& clreg;
  // Identifies the set in BasicClause::home_set; never 0, never reused.
  std::uint32_t set_id;
  // Members in the order they joined; null where one was removed.
  std::vector<BasicClause*, HugePageAllocator<BasicClause*>> order;
  // Members whose home is another set, with their position in `order`.
  absl::flat_hash_map<BasicClause*, std::uint32_t> guests;
  std::size_t live = 0;
  std::unordered_map<long, ClauseList*, IntHash, IntEqual> grp_map;
  Cost top_weight = default_top_weight;
  int cltype = CL_HARD;
  Cost def_weight = default_top_weight;
  // Count kind assignments, not distinct clauses; they never go down.
  std::uint32_t num_hard_cls = 0;
  std::uint32_t num_soft_cls = 0;
  std::uint32_t num_wght_cls = 0;
  std::uint32_t num_cls = 0;
};

#endif
