// Reading an instance file into plain lists that the caller owns, for programs that embed the
// solver object (the Python module) rather than the facade. The reader fills a clause set whose
// clauses live in the process-wide clause registry, which is neither thread-safe nor ever emptied
// by itself; so reads take one process-wide lock, and the clauses the read created leave the
// registry once they are copied out. Errors throw ReadError (input/parse_errors.hh) with the
// message the command line prints; the process goes on.
#ifndef QUARNEL_FACADE_INSTANCE_FILE_HH
#define QUARNEL_FACADE_INSTANCE_FILE_HH

#include <string>
#include <vector>

#include "clauses/instance_snapshot.hh"

struct InstanceLists {
  std::vector<std::vector<int>> hard;
  std::vector<std::vector<int>> soft;
  std::vector<Cost> weights;  // of the soft clauses, in their order; repeated clauses summed
};

// Every format and compression the command line reads; soft-CNF files are refused. Soft
// clauses of weight 0 are left out, as the engine leaves them out.
InstanceLists read_instance_lists(const std::string& path);

#endif
