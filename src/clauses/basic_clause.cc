// Making, growing and destroying clauses. A clause and its literals share one block: the
// 24-byte header plus room for a multiple of four literals (at least one more than the clause
// has). Blocks come from a pool of fixed-size blocks over huge-page chunks: a large instance
// makes millions of clauses in a row, and a general-purpose allocator spends more time on them,
// and on faulting in their pages one by one, than the reader spends on the text. A clause that
// grows past its room moves its literals to a separate block; the clause object itself never
// moves, because its address is its identity.
#include "clauses/basic_clause.hh"

#include <cassert>
#include <climits>
#include <memory_resource>
#include <new>
#include <string>

#include "clauses/huge_page_memory.hh"
#include "util/runtime_msgs.hh"

constexpr Cost BasicClause::unset_weight;

namespace {

std::uint32_t room_for(std::size_t n) { return static_cast<std::uint32_t>((n + 1 + 3) & ~std::size_t{3}); }

std::size_t block_bytes(std::uint32_t room) { return sizeof(BasicClause) + room * sizeof(std::int32_t); }

#if defined(__SANITIZE_ADDRESS__)
#define QUARNEL_ADDRESS_SANITIZER 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define QUARNEL_ADDRESS_SANITIZER 1
#endif
#endif

// Where clause blocks come from. The pool lives as long as the process, like the clauses it
// holds; its chunks double up to a million blocks (40 MB of three-literal clauses), which the
// upstream puts on huge pages: with chunks of a few megabytes, the tail of each beyond its last
// whole huge page and the early small chunks made half the page faults of reading. Blocks of
// clauses with up to 64 literals come from the pool's size classes, larger ones straight from
// the upstream. Under AddressSanitizer every clause is a heap block of its own instead, so that
// a clause used after its destruction is caught.
std::pmr::memory_resource& clause_memory() {
#ifdef QUARNEL_ADDRESS_SANITIZER
  return *std::pmr::new_delete_resource();
#else
  constexpr std::size_t largest_pooled_block = sizeof(BasicClause) + 64 * sizeof(std::int32_t);
  static auto* upstream = new HugePageResource();
  static auto* pool = new std::pmr::unsynchronized_pool_resource(
      std::pmr::pool_options{std::size_t{1} << 20, largest_pooled_block}, upstream);
  return *pool;
#endif
}

std::int32_t literal_of(long lit) {
  if (lit < INT32_MIN || lit > INT32_MAX) Abort("Literal out of range: " + std::to_string(lit));
  return static_cast<std::int32_t>(lit);
}

}  // namespace

static_assert(sizeof(BasicClause) == 24, "clause header");

BasicClause* BasicClause::create(const long* sorted, std::size_t n) {
  const std::uint32_t room = room_for(n);
  void* block = clause_memory().allocate(block_bytes(room), alignof(BasicClause));
  BasicClause* cl = new (block) BasicClause(room);
  std::int32_t* out = cl->inline_lits();
  for (std::size_t i = 0; i < n; ++i) out[i] = literal_of(sorted[i]);
  cl->num_lits = static_cast<std::uint32_t>(n);
  return cl;
}

void BasicClause::destroy(BasicClause* cl) {
  const std::uint32_t room = cl->inline_room();
  if (cl->spilled()) delete[] cl->spill_block();
  cl->~BasicClause();
  clause_memory().deallocate(cl, block_bytes(room), alignof(BasicClause));
}

std::uint32_t BasicClause::inline_room() const {
  if (!spilled()) return room;
  std::uint32_t r;
  std::memcpy(&r, inline_lits() + 2, sizeof r);
  return r;
}

void BasicClause::push_literal(long lit) {
  if (num_lits == capacity()) {
    const std::uint32_t grown = room_for(2 * static_cast<std::size_t>(num_lits));
    std::int32_t* block = new std::int32_t[grown];
    std::memcpy(block, lits(), num_lits * sizeof(std::int32_t));
    const std::uint32_t own_room = inline_room();
    if (spilled()) delete[] spill_block();
    // The inline area (room for four literals at least) keeps the block's address and its own
    // size, which destroy() needs to hand the block back.
    std::memcpy(inline_lits(), &block, sizeof block);
    std::memcpy(inline_lits() + 2, &own_room, sizeof own_room);
    room = grown | spill_flag;
  }
  lits()[num_lits++] = literal_of(lit);
}
