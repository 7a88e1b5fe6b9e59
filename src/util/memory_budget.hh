// What memory the process may still take, so that a table too large for the machine is refused
// before it is allocated. Allocating first would not do: with overcommitting, a request of many
// gigabytes is granted and the process is killed by the kernel once it touches the pages, and
// under a container's memory limit it is killed outright. So a large structure's size is
// estimated up front and compared with the least of three limits: the memory the machine has
// available (with free swap), the room left under the memory limit of the process's cgroup,
// and the room left in its address space (RLIMIT_AS).
#ifndef QUARNEL_UTIL_MEMORY_BUDGET_HH
#define QUARNEL_UTIL_MEMORY_BUDGET_HH

#include <cstddef>

// Bytes the process may still allocate; the largest size_t when nothing limits it.
std::size_t available_memory_bytes();

// Ends the run with "Out of memory" (exit status 3) when `bytes` will not fit. Estimates below
// `unchecked_below` are let through without looking, so that small instances pay nothing.
void require_memory(std::size_t bytes);
constexpr std::size_t unchecked_below = std::size_t(64) << 20;

// Ends the run with "Out of memory", exit status 3: the one place that says so.
[[noreturn]] void out_of_memory();

#endif
