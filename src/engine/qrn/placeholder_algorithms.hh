// QRN2, QRN3, QRN31 and QRN4: the algorithms of releases 2.0, 3.0, 3.1 and 4.0, which exist only
// as names. Solving with one of them stops the run with "Algorithm qrn<release> not yet
// implemented" (exit status 3) before any SAT call. They differ in nothing but that release
// name, so one class template makes all four.
#ifndef QUARNEL_ENGINE_QRN_PLACEHOLDER_ALGORITHMS_HH
#define QUARNEL_ENGINE_QRN_PLACEHOLDER_ALGORITHMS_HH

#include <string>

#include "engine/qrn/umaxsat_solver.hh"
#include "util/runtime_msgs.hh"

template <char Major, char Minor> class PlaceholderAlgorithm : public UnsatMaxSATSolver {
public:
  using UnsatMaxSATSolver::UnsatMaxSATSolver;
  bool solve_exact(Cost&) override {
    const char release[] = {Major, '.', Minor, '\0'};
    Abort(std::string("Algorithm qrn") + release + " not yet implemented");
  }
};

using QRN2 = PlaceholderAlgorithm<'2', '0'>;
using QRN3 = PlaceholderAlgorithm<'3', '0'>;
using QRN31 = PlaceholderAlgorithm<'3', '1'>;
using QRN4 = PlaceholderAlgorithm<'4', '0'>;

#endif
