#include "engine/qrn/qrn4.hh"

#include "util/runtime_msgs.hh"

bool QRN4::solve_exact(Cost&) { Abort("Algorithm qrn4.0 not yet implemented"); }
