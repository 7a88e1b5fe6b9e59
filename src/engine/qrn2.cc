#include "engine/qrn2.hh"

#include "util/runtime_msgs.hh"

long QRN2::solve() { Abort("Algorithm qrn2.0 not yet implemented"); }
