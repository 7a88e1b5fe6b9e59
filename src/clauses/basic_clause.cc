// Making, growing and destroying clauses. A clause and its literals share one allocation whose
// size is chosen so that the allocator wastes nothing: the 24-byte header plus room for a
// multiple of four literals (at least one more than the clause has), which is 8 bytes short of
// a multiple of 16, the allocator's own header filling the rest. A clause that grows past its
// room moves its literals to a separate block; the clause object itself never moves, because its
// address is its identity.
#include "clauses/basic_clause.hh"

#include <cassert>
#include <climits>
#include <new>
#include <string>

#include "util/runtime_msgs.hh"

constexpr weight_t BasicClause::unset_weight;

namespace {

std::uint32_t room_for(std::size_t n) { return static_cast<std::uint32_t>((n + 1 + 3) & ~std::size_t{3}); }

std::int32_t literal_of(long lit) {
  if (lit < INT32_MIN || lit > INT32_MAX) Abort("Literal out of range: " + std::to_string(lit));
  return static_cast<std::int32_t>(lit);
}

}  // namespace

static_assert(sizeof(BasicClause) == 24, "clause header");

BasicClause* BasicClause::create(const long* sorted, std::size_t n) {
  const std::uint32_t room = room_for(n);
  void* block = ::operator new(sizeof(BasicClause) + room * sizeof(std::int32_t));
  BasicClause* cl = new (block) BasicClause(room);
  std::int32_t* out = cl->inline_lits();
  for (std::size_t i = 0; i < n; ++i) out[i] = literal_of(sorted[i]);
  cl->num_lits = static_cast<std::uint32_t>(n);
  return cl;
}

void BasicClause::destroy(BasicClause* cl) {
  if (cl->spilled()) delete[] cl->spill_block();
  cl->~BasicClause();
  ::operator delete(cl);
}

void BasicClause::push_literal(long lit) {
  if (num_lits == capacity()) {
    const std::uint32_t grown = room_for(2 * static_cast<std::size_t>(num_lits));
    std::int32_t* block = new std::int32_t[grown];
    std::memcpy(block, lits(), num_lits * sizeof(std::int32_t));
    if (spilled()) delete[] spill_block();
    std::memcpy(inline_lits(), &block, sizeof block);
    room = grown | spill_flag;
  }
  lits()[num_lits++] = literal_of(lit);
}
