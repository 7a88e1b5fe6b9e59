#!/usr/bin/env bash
# Runs one of the libFuzzer targets under AddressSanitizer and UndefinedBehaviorSanitizer:
#   reader  the instance reader (tests/fuzz/fuzz_reader.cc), from the seeds in tests/fuzz/seeds
#   solve   a whole solve through the facade, checked against exhaustive search
#           (tests/fuzz/fuzz_solve.cc), from an empty corpus
# Builds the targets with clang in build-fuzz/ (or $FUZZ_BUILD), then runs the chosen one for the
# given number of seconds (default 30). Exits non-zero when libFuzzer finds a crash, a hang, a
# wrong answer or a sanitizer report; the failing input is written to the current directory as
# crash-*, timeout-* or leak-*.
# Usage: scripts/fuzz.sh reader|solve [seconds] [libFuzzer options or more seed directories...]
# New inputs go to $FUZZ_CORPUS (default build-fuzz/fuzz-corpus-TARGET).
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
target="${1:?usage: scripts/fuzz.sh reader|solve [seconds] [options...]}"
seconds="${2:-30}"
shift $(($# < 2 ? $# : 2))
build="${FUZZ_BUILD:-$root/build-fuzz}"
corpus="${FUZZ_CORPUS:-$build/fuzz-corpus-$target}"

# A unit that runs past the timeout is reported as a hang. A whole solve may take long on an
# unlucky core sequence; the target stops each solve at a CPU budget of its own (20 s) and
# counts that as inconclusive, so the solve target's timeout leaves room above the budget.
case "$target" in
  reader) extra=(-timeout=10 -max_len=8192 -dict="$root/tests/fuzz/reader.dict" "$root/tests/fuzz/seeds") ;;
  solve) extra=(-timeout=40 -max_len=256) ;;  # at most 24 clauses of 4 literals each are decoded
  *) echo "unknown fuzz target: $target (reader or solve)" >&2; exit 2 ;;
esac

cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_C_COMPILER=clang \
  -DCMAKE_CXX_COMPILER=clang++ -DQUARNEL_FUZZ=ON -DQUARNEL_BENCH=OFF -DQUARNEL_STATIC_BINARY=OFF >/dev/null
cmake --build "$build" -j2 --target "fuzz_$target" >/dev/null
mkdir -p "$corpus"

# A smaller quarantine keeps the memory of a long run flat; use-after-free is still caught.
export ASAN_OPTIONS="${ASAN_OPTIONS:-quarantine_size_mb=64:detect_leaks=1}"
export UBSAN_OPTIONS="${UBSAN_OPTIONS:-halt_on_error=1:print_stacktrace=1}"
exec "$build/tests/fuzz/fuzz_$target" -max_total_time="$seconds" -rss_limit_mb=2048 \
  -close_fd_mask=3 -print_final_stats=1 "$corpus" "${extra[@]}" "$@"
