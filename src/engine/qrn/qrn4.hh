// QRN4: the algorithm of release 4.0, which exists only as a name: solving with it stops the
// run with a message before any SAT call.
#ifndef QUARNEL_ENGINE_QRN4_HH
#define QUARNEL_ENGINE_QRN4_HH

#include "engine/qrn/umaxsat_solver.hh"

class QRN4 : public UnsatMaxSATSolver {
public:
  QRN4(IDManager& imgr, BasicClauseSet& clset, const CoreLoopSettings& settings)
      : UnsatMaxSATSolver(imgr, clset, settings) {}
  bool solve_exact(Cost& cost) override;
};

#endif
