#include "engine/qrn3.hh"

#include "util/runtime_msgs.hh"

long QRN3::solve() { Abort("Algorithm qrn3.0 not yet implemented"); }
