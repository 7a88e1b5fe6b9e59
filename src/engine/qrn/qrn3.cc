#include "engine/qrn/qrn3.hh"

#include "util/runtime_msgs.hh"

bool QRN3::solve_exact(Cost&) { Abort("Algorithm qrn3.0 not yet implemented"); }
