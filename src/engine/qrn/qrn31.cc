#include "engine/qrn/qrn31.hh"

#include "util/runtime_msgs.hh"

bool QRN31::solve_exact(Cost&) { Abort("Algorithm qrn3.1 not yet implemented"); }
