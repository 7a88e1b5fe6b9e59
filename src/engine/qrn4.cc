#include "engine/qrn4.hh"

#include "util/runtime_msgs.hh"

long QRN4::solve() { Abort("Algorithm qrn4.0 not yet implemented"); }
