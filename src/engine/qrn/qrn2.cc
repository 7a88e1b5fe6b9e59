#include "engine/qrn/qrn2.hh"

#include "util/runtime_msgs.hh"

bool QRN2::solve_exact(Cost&) { Abort("Algorithm qrn2.0 not yet implemented"); }
