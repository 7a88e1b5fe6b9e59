// Settings of the randomised tests read from the environment (numbers of cases, one case to
// rerun), shared by the tests that take them.
#ifndef QUARNEL_TESTS_TEST_ENV_HH
#define QUARNEL_TESTS_TEST_ENV_HH

#include <cstdlib>

namespace test_env {

// The number in environment variable `name`, or `fallback` when it is unset or empty.
inline long env_long(const char* name, long fallback) {
  const char* v = std::getenv(name);
  return v != nullptr && *v != '\0' ? std::atol(v) : fallback;
}

}  // namespace test_env

#endif
