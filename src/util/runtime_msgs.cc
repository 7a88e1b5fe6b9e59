// Storage of the tool names. Both start empty, so messages given before the facade's init
// (those of the command-line parsing) begin with the blank of their keyword.
#include "util/runtime_msgs.hh"

std::string RT::tname;
std::string RT::stname;
