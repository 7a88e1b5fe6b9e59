// QRN31: the algorithm of release 3.1, which exists only as a name: solving with it stops the
// run with a message before any SAT call.
#ifndef QUARNEL_ENGINE_QRN31_HH
#define QUARNEL_ENGINE_QRN31_HH

#include "engine/qrn/umaxsat_solver.hh"

class QRN31 : public UnsatMaxSATSolver {
public:
  QRN31(IDManager& imgr, BasicClauseSet& clset, const CoreLoopSettings& settings)
      : UnsatMaxSATSolver(imgr, clset, settings) {}
  bool solve_exact(Cost& cost) override;
};

#endif
