// QRN1 hands the whole working formula to a fresh SAT solver again and again. While it is
// unsatisfiable, the core's soft clauses are relaxed: each gets one fresh relaxation variable
// (placed among its literals), and one exactly-one constraint over the new variables joins the
// formula as hard clauses. In a weighted core, clauses heavier than the core's lightest soft
// clause are split first: the clause keeps its literals with the remaining weight, and a relaxed
// copy carries the core's minimum weight. Each core raises the lower bound by 1 or by that
// minimum; the first satisfiable call ends the search with the bound as the optimum.
//
// Costs and weights are unsigned 64-bit; a bound that would pass the range is an error rather
// than a wrapped cost (the facade refuses such instances before they are solved).
#include "engine/qrn/qrn1.hh"

#include <iostream>

#include "util/cpu_time.hh"
#include "util/runtime_msgs.hh"
#include "engine/qrn/card_encodings.hh"
#include "sat/picosat_bridge.hh"

namespace {

// A stop request from outside ends the run as a spent budget does, but with a verdict line, so
// that a harness reading the output sees a finished answer rather than a cut-off one.
[[noreturn]] void stop_unknown(const CoreLoopSettings& settings) {
  if (settings.on_out_of_time != nullptr) settings.on_out_of_time();
  if (settings.comp_format) std::cout << "s UNKNOWN" << std::endl;
  Warn("CPU time exceeded");
  std::exit(3);
}

}  // namespace

bool QRN1::solve_exact(Cost& result) {
  const char* progress_prefix = settings.comp_format ? "c " : "";
  model.clear();
  Cost cost = 0;
  unsigned long cores = 0;
  std::vector<long> rvars;
  PicosatWrapper sat(*clset, core_cls, settings.problem_type == MS_SOFTCNF);
  sat.set_interrupt(settings.stop_requested);

  for (;;) {
    int outcome = sat.run_sat_solver();
    if (outcome == PicosatWrapper::INTERRUPTED) stop_unknown(settings);
    if (outcome == PicosatWrapper::SAT) {
      if (settings.report_sat_calls)
        std::cout << progress_prefix << "Found MaxSAT solution. Terminating... CPU Time: "
                  << cpu_time() << std::endl;
      if (settings.keep_model) sat.get_model(model);
      sat.reset();
      result = cost;
      return true;
    }

    ++cores;
    if (settings.report_sat_calls)
      std::cout << progress_prefix << "Found core #" << cores
                << ". Iterating... CPU Time: " << cpu_time() << std::endl;

    rvars.clear();
    Cost step;
    switch (settings.problem_type) {
      case MS_PLAIN:
      case MS_PARTIAL: step = mxsat_relax_core_clauses(rvars); break;
      case MS_WEIGHTED: step = weighted_relax_core_clauses(rvars); break;
      case MS_SOFTCNF: step = softcnf_relax_core_clauses(rvars); break;
      default: Abort("Invalid MaxSAT solver problem type");
    }
    if (step == 0) return false;

    add_card_constraint(rvars);
    rvars.clear();
    sat.reset();

    if (cpu_time_reached(cpu_budget_seconds(settings.timeout))) {
      if (settings.on_out_of_time != nullptr) settings.on_out_of_time();
      Warn("CPU time exceeded");
      std::exit(3);
    }
    if (settings.stop_requested()) stop_unknown(settings);

    if (!checked_add(cost, step)) Abort("Cost out of range");
    if (settings.report_bounds)
      std::cout << progress_prefix << "Min unsat cost LB: " << cost << " ... \n";
  }
}

void QRN1::relax_in_place(BasicClause* cl, std::vector<long>& rvars) {
  long rv = imgr.new_id();
  clset->extend_clause(cl, rv);
  register_relaxation_var(cl, rv);
  rvars.push_back(rv);
}

void QRN1::constrain_pending_clauses() {
  for (BasicClause* cl : pending_cls) constrain_clause_extra_vars(cl);
  pending_cls.clear();
  core_cls.clear();
}

Cost QRN1::mxsat_relax_core_clauses(std::vector<long>& rvars) {
  for (BasicClause* cl : core_cls)
    if (!clset->is_hard(cl)) relax_in_place(cl, rvars);
  constrain_pending_clauses();
  return rvars.empty() ? 0 : 1;
}

Cost QRN1::weighted_relax_core_clauses(std::vector<long>& rvars) {
  const Cost top = clset->get_top_weight();
  Cost minw = top - 1;
  for (BasicClause* cl : core_cls)
    if (!clset->is_hard(cl) && cl->get_weight() < minw) minw = cl->get_weight();

  // Iterate over a copy: splitting adds clauses, and relaxing in place re-registers clauses.
  const std::vector<BasicClause*> core = core_cls;
  for (BasicClause* cl : core) {
    if (clset->is_hard(cl)) continue;
    const Cost w = cl->get_weight();
    if (w == minw) {
      relax_in_place(cl, rvars);
      continue;
    }
    cl->set_weight(w - minw);
    long rv = imgr.new_id();
    LitVector copy_lits = cl->get_lits();
    copy_lits.push_back(rv);
    clset->set_cltype(CL_WEIGHTED);
    clset->set_def_weight(0);
    BasicClause* copy = clset->add_clause(copy_lits);
    copy->set_weight(minw);
    clset->set_cltype(CL_HARD);
    register_relaxation_var(copy, rv);
    rvars.push_back(rv);
  }
  constrain_pending_clauses();
  return rvars.empty() ? 0 : minw;
}

Cost QRN1::softcnf_relax_core_clauses(std::vector<long>&) {
  Abort("Currently unable to solve SoftCNF problems");
}

void QRN1::add_card_constraint(std::vector<long>& rvars) {
  clset->set_cltype(CL_HARD);
  if (!has_amo_encoder(settings.encoding))
    Abort("Selected encoding not yet available. Please contact author.");
  LitVector at_least_one = rvars;
  clset->add_clause(at_least_one);
  encode_at_most_one(settings.encoding, rvars, imgr, *clset, nullptr);
}
