// Forced into every file of the fuzzing build: the process-ending calls of the reader become a
// C++ exception, so that one fuzzing process can read input after input. glibc declares exit()
// as non-throwing, so a plain interposition could not unwind through its callers; a function of
// our own, declared without noexcept, can. Clean-up on the way out runs as it would for an
// embedding program that catches.
#ifndef QUARNEL_TESTS_FUZZ_EXIT_HH
#define QUARNEL_TESTS_FUZZ_EXIT_HH

#include <cstdlib>

struct FuzzExit {
  int status;
};

[[noreturn]] void quarnel_fuzz_exit(int status);

namespace std {
using ::quarnel_fuzz_exit;
}

#define exit quarnel_fuzz_exit

#endif
