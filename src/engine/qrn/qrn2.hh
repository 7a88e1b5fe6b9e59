// QRN2: the algorithm of release 2.0, which exists only as a name: solving with it stops the
// run with a message before any SAT call.
#ifndef QUARNEL_ENGINE_QRN2_HH
#define QUARNEL_ENGINE_QRN2_HH

#include "engine/qrn/umaxsat_solver.hh"

class QRN2 : public UnsatMaxSATSolver {
public:
  QRN2(IDManager& imgr, BasicClauseSet& clset, const CoreLoopSettings& settings)
      : UnsatMaxSATSolver(imgr, clset, settings) {}
  bool solve_exact(Cost& cost) override;
};

#endif
