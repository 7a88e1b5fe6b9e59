// Bookkeeping shared by the core-guided algorithms. A relaxation variable belongs to exactly one
// clause and sits among its literals; `cl_rvars_map` lists a clause's relaxation variables in
// order of creation. Two optional devices tighten the formula around them:
//  - pruning ("-p"): a clause's falsity variable f, with (-l v -f) for each of its own literals l
//    and (-rv v f) for each relaxation variable rv, lets rv be true only when the clause's own
//    literals are all false;
//  - the per-clause at-most-one constraint ("-m"): from the threshold on, at most one relaxation
//    variable of a clause may be true. It is rebuilt from scratch whenever the clause gains a
//    relaxation variable, after the clauses of the previous one have left the clause set.
#include "engine/qrn/umaxsat_solver.hh"

#include <cassert>
#include <limits>

#include "util/runtime_msgs.hh"
#include "engine/qrn/card_encodings.hh"

UnsatMaxSATSolver::UnsatMaxSATSolver(IDManager& im, BasicClauseSet& cs, const CoreLoopSettings& st)
    : settings(st), imgr(im), clset(&cs) {}

UnsatMaxSATSolver::~UnsatMaxSATSolver() { release_owned_lists(); }

void UnsatMaxSATSolver::init(BasicClauseSet& cls) { clset = &cls; }

long UnsatMaxSATSolver::solve() {
  Cost cost = 0;
  if (!solve_exact(cost)) return -1;
  if (cost > static_cast<Cost>(std::numeric_limits<long>::max())) Abort("Cost out of range");
  return static_cast<long>(cost);
}

void UnsatMaxSATSolver::release_owned_lists() {
  for (auto& entry : cl_rvars_map) delete entry.second;
  for (auto& entry : cl_amo_cls_map) delete entry.second;
  cl_rvars_map.clear();
  cl_amo_cls_map.clear();
}

void UnsatMaxSATSolver::reset() {
  clset = nullptr;
  core_cls.clear();
  rvar_cl_map.clear();
  fvar_set.clear();
  cl_fvar_map.clear();
  release_owned_lists();
  pending_cls.clear();
  model.clear();
}

const UnsatMaxSATSolver::VarList* UnsatMaxSATSolver::get_clause_rvars(BasicClause* cl) const {
  auto it = cl_rvars_map.find(cl);
  return it == cl_rvars_map.end() ? nullptr : it->second;
}

const ClauseList* UnsatMaxSATSolver::get_clause_amo_cls(BasicClause* cl) const {
  auto it = cl_amo_cls_map.find(cl);
  return it == cl_amo_cls_map.end() ? nullptr : it->second;
}

long UnsatMaxSATSolver::get_clause_fvar(BasicClause* cl) const {
  auto it = cl_fvar_map.find(cl);
  return it == cl_fvar_map.end() ? 0 : it->second;
}

void UnsatMaxSATSolver::register_relaxation_var(BasicClause* cl, long rv) {
  assert(rv > 0);
  assert(rvar_cl_map.count(rv) == 0);
  pending_cls.push_back(cl);
  rvar_cl_map[rv] = cl;

  if (settings.use_added_relax_cls) {
    clset->set_cltype(CL_HARD);
    auto found = cl_fvar_map.find(cl);
    long f;
    if (found != cl_fvar_map.end()) {
      f = found->second;
    } else {
      f = imgr.new_id();
      fvar_set.insert(f);
      cl_fvar_map[cl] = f;
      // Copy first: adding clauses never touches `cl`, but the literal list is the clause's own.
      const LitVector own_lits = cl->get_lits();
      LitVector scratch;
      for (long lit : own_lits) {
        if (rvar_cl_map.count(lit) != 0) continue;  // relaxation variables are positive keys
        scratch.assign({-lit, -f});
        clset->add_clause(scratch);
      }
    }
    LitVector link{-rv, f};
    clset->add_clause(link);
  }

  auto it = cl_rvars_map.find(cl);
  if (it == cl_rvars_map.end()) it = cl_rvars_map.emplace(cl, new VarList()).first;
  it->second->push_back(rv);
}

void UnsatMaxSATSolver::constrain_clause_extra_vars(BasicClause* cl) {
  auto it = cl_amo_cls_map.find(cl);
  if (it == cl_amo_cls_map.end()) it = cl_amo_cls_map.emplace(cl, new ClauseList()).first;
  ClauseList& amo = *it->second;
  for (BasicClause* old : amo) clset->remove_clause(old);
  amo.clear();

  clset->set_cltype(CL_HARD);
  if (!settings.relate_relax_vars) return;
  const VarList* rvars = get_clause_rvars(cl);
  if (rvars == nullptr) return;
  if (rvars->size() < static_cast<unsigned>(settings.relate_relax_vars_thres)) return;
  if (!has_amo_encoder(settings.encoding)) Abort("Selected encoding not available");
  encode_at_most_one(settings.encoding, *rvars, imgr, *clset, &amo);
}
