// The command line and the banner: turning program arguments into the facade's configuration,
// and printing the banner at the start of a run.
#ifndef QUARNEL_APP_CMDLINE_HH
#define QUARNEL_APP_CMDLINE_HH

#include <ostream>

class Quarnel;

// Applies the runtime defaults, then every option up to the first argument that is no option,
// which is returned as the instance file name. Returns null when the arguments end first
// (including an option whose value is missing). Ends the process on "-h", on no arguments at
// all, and on an invalid "-r", "-a" or "-e" value.
const char* parse_cmdline_options(Quarnel& q, int argc, char** argv);

// Prints the banner: the log variant (also written to "quarnel.log"), the competition variant,
// or the plain one-line variant.
void print_header(Quarnel& q, const char* fname);

// Writes the usage text.
void print_usage(std::ostream& out);

#endif
