// The at-most-one encoders over a list of variables: pairwise ("e"), sequential counter ("c") and
// bitwise ("l"). One implementation serves both the per-core exactly-one constraint and the
// per-clause at-most-one constraint, so both produce the same clauses in the same order with the
// same allocation of auxiliary variables. Every clause is added hard to the given set.
#ifndef QUARNEL_ENGINE_QRN_CARD_ENCODINGS_HH
#define QUARNEL_ENGINE_QRN_CARD_ENCODINGS_HH

#include <vector>

#include "clauses/basic_clause_set.hh"
#include "clauses/id_manager.hh"

// Whether `encoding` (a QRNEncodings value) has an at-most-one encoder.
bool has_amo_encoder(int encoding);

// Adds the clauses that allow at most one of `vars` to be true, in the encoding given by its
// QRNEncodings value, taking auxiliary variables from `imgr`. Every clause handle that the set
// returns is appended to `added` when it is not null. The caller has checked the encoding
// with has_amo_encoder and set the clause set's kind to CL_HARD.
void encode_at_most_one(int encoding, const std::vector<long>& vars, IDManager& imgr,
                        BasicClauseSet& clset, ClauseList* added);

// Number of auxiliary variables of the bitwise encoding: the bits that number n values,
// ceil(log2 n), 0 for n = 1.
int bitwise_width(std::size_t n);

#endif
