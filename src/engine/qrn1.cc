#include "engine/qrn1.hh"
#include "app/runtime_msgs.hh"
long QRN1::solve() { Abort("not yet"); }
