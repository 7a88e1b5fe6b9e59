// Reading one instance file (cnf, wcnf, pmcnf or scnf; plain or gzip) into a clause set and a
// variable allocator. Every error ends the process with its message (see README, "Input").
#ifndef QUARNEL_INPUT_READ_INPUT_HH
#define QUARNEL_INPUT_READ_INPUT_HH

#include "clauses/basic_clause_set.hh"
#include "clauses/id_manager.hh"
#include "config/qrn_config.hh"

// Detects the format from the problem line, reads the clauses into `clset`, raises the top id of
// `imgr` by the largest variable, and returns the problem type. With `report_progress`, a
// "Parsing... ... Done." line with the CPU time goes to standard output.
MS_Problems read_input_file(const char*& fname, IDManager& imgr, BasicClauseSet& clset,
                            bool report_progress = false);

#endif
