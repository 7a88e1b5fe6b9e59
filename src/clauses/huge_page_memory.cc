#include "clauses/huge_page_memory.hh"

#include <sys/mman.h>

#include <cstdlib>
#include <new>

namespace {
constexpr std::size_t huge_page = std::size_t{2} << 20;
}  // namespace

void* allocate_huge_page_bytes(std::size_t bytes) {
  if (bytes < huge_page) return ::operator new(bytes);
  // Only the whole huge pages inside the block are offered: rounding the block up would make
  // the kernel back its unused tail with a whole huge page too.
  void* p = nullptr;
  if (posix_memalign(&p, huge_page, bytes) != 0) throw std::bad_alloc();
  madvise(p, bytes & ~(huge_page - 1), MADV_HUGEPAGE);
  return p;
}

void deallocate_huge_page_bytes(void* p, std::size_t bytes) {
  if (bytes < huge_page)
    ::operator delete(p);
  else
    std::free(p);
}

// The pools align their chunks to more than operator new guarantees, so the resource takes any
// alignment: small requests from posix_memalign, large ones on 2 MiB boundaries anyway.
void* HugePageResource::do_allocate(std::size_t bytes, std::size_t alignment) {
  if (bytes >= huge_page && alignment <= huge_page) return allocate_huge_page_bytes(bytes);
  void* p = nullptr;
  if (posix_memalign(&p, alignment < sizeof(void*) ? sizeof(void*) : alignment, bytes) != 0)
    throw std::bad_alloc();
  return p;
}

void HugePageResource::do_deallocate(void* p, std::size_t bytes, std::size_t alignment) {
  if (bytes >= huge_page && alignment <= huge_page)
    deallocate_huge_page_bytes(p, bytes);
  else
    std::free(p);
}
