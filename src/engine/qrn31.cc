#include "engine/qrn31.hh"

#include "util/runtime_msgs.hh"

long QRN31::solve() { Abort("Algorithm qrn3.1 not yet implemented"); }
