// See instance_file.hh. The clause set is the reader's only output, so the copy is made from it
// in file order; then every clause whose home is this set (created by this read, or left behind
// by a set that no longer exists) is removed from the registry and freed. A clause that another
// live set holds (the facade's instance, say) is only a guest here and stays.
#include "facade/instance_file.hh"

#include <mutex>

#include "clauses/basic_clause_set.hh"
#include "clauses/id_manager.hh"
#include "input/parse_errors.hh"
#include "input/read_input.hh"

namespace {

std::mutex& registry_lock() {
  static std::mutex lock;
  return lock;
}

void release_own_clauses(BasicClauseSet& clset) {
  std::vector<BasicClause*> own;
  for (BasicClause* cl : clset)
    if (clset.is_home_of(cl)) own.push_back(cl);
  for (BasicClause* cl : own) clset.remove_clause(cl);
}

void copy_out(const BasicClauseSet& clset, InstanceLists& out) {
  for (const BasicClause* cl : clset) {
    const bool hard = clset.is_hard(cl);
    if (!hard && cl->get_weight() == 0) continue;
    std::vector<int>& lits = hard ? out.hard.emplace_back() : out.soft.emplace_back();
    lits.assign(cl->begin(), cl->end());
    if (!hard) out.weights.push_back(cl->get_weight());
  }
}

}  // namespace

InstanceLists read_instance_lists(const std::string& path) {
  std::lock_guard<std::mutex> hold(registry_lock());
  ReadErrorsThrow errors_throw;
  BasicClauseSet clset;
  IDManager ids;
  InstanceLists out;
  try {
    const char* name = path.c_str();
    if (read_input_file(name, ids, clset) == MS_SOFTCNF)
      throw ReadError("Currently unable to solve SoftCNF problems");
    copy_out(clset, out);
  } catch (...) {
    release_own_clauses(clset);
    throw;
  }
  release_own_clauses(clset);
  return out;
}
