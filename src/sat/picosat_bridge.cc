#include "sat/picosat_bridge.hh"
