// Memory for the large structures of a big instance: the registry's table, the blocks the
// clauses live in and the member lists of the sets holding them. They span tens or hundreds of
// megabytes, the table touched at random, so with 4 KiB pages nearly every access also misses
// the address translation cache and every new page costs a fault. Requests of 2 MiB and more
// are therefore aligned to 2 MiB and offered to the kernel for transparent huge pages (madvise;
// a kernel that declines keeps small pages). Smaller ones go to operator new.
#ifndef QUARNEL_CLAUSES_HUGE_PAGE_MEMORY_HH
#define QUARNEL_CLAUSES_HUGE_PAGE_MEMORY_HH

#include <cstddef>
#include <memory_resource>

void* allocate_huge_page_bytes(std::size_t bytes);
void deallocate_huge_page_bytes(void* p, std::size_t bytes);

// The same as a memory resource, for the standard pool resources to draw their chunks from.
class HugePageResource : public std::pmr::memory_resource {
private:
  void* do_allocate(std::size_t bytes, std::size_t alignment) override;
  void do_deallocate(void* p, std::size_t bytes, std::size_t alignment) override;
  bool do_is_equal(const std::pmr::memory_resource& other) const noexcept override { return this == &other; }
};

// The same as an allocator, for containers: the registry's table, a large set's member list.
template <class T> struct HugePageAllocator {
  using value_type = T;
  HugePageAllocator() = default;
  template <class U> HugePageAllocator(const HugePageAllocator<U>&) {}
  T* allocate(std::size_t n) { return static_cast<T*>(allocate_huge_page_bytes(n * sizeof(T))); }
  void deallocate(T* p, std::size_t n) { deallocate_huge_page_bytes(p, n * sizeof(T)); }
  template <class U> bool operator==(const HugePageAllocator<U>&) const { return true; }
  template <class U> bool operator!=(const HugePageAllocator<U>&) const { return false; }
};

#endif
