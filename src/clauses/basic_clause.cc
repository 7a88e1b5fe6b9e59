// BasicClause is header-only apart from its constant; this unit anchors its vtable.
#include "clauses/basic_clause.hh"

constexpr weight_t BasicClause::unset_weight;
