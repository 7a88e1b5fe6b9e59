#!/usr/bin/env bash
# Fuzzes the instance reader with libFuzzer under AddressSanitizer and UndefinedBehaviorSanitizer.
# Builds the target with clang in build-fuzz/ (or $FUZZ_BUILD), then runs it for the given number
# of seconds (default 30) from the seeds in tests/fuzz/seeds. Exits non-zero when libFuzzer
# finds a crash, a hang or a sanitizer report; the failing input is written to the current
# directory as crash-*, timeout-* or leak-*.
# Usage: scripts/fuzz-reader.sh [seconds] [libFuzzer options or more seed directories...]
# New inputs go to $FUZZ_CORPUS (default build-fuzz/fuzz-corpus).
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
seconds="${1:-30}"
shift || true
build="${FUZZ_BUILD:-$root/build-fuzz}"
corpus="${FUZZ_CORPUS:-$build/fuzz-corpus}"

cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_C_COMPILER=clang \
  -DCMAKE_CXX_COMPILER=clang++ -DQUARNEL_FUZZ=ON -DQUARNEL_BENCH=OFF >/dev/null
cmake --build "$build" -j2 --target fuzz_reader >/dev/null
mkdir -p "$corpus"

# A smaller quarantine keeps the memory of a long run flat; use-after-free is still caught.
export ASAN_OPTIONS="${ASAN_OPTIONS:-quarantine_size_mb=64:detect_leaks=1}"
export UBSAN_OPTIONS="${UBSAN_OPTIONS:-halt_on_error=1:print_stacktrace=1}"
exec "$build/tests/fuzz/fuzz_reader" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 \
  -max_len=8192 -close_fd_mask=3 -print_final_stats=1 -dict="$root/tests/fuzz/reader.dict" \
  "$corpus" "$root/tests/fuzz/seeds" "$@"
