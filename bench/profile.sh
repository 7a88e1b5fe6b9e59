#!/usr/bin/env bash
# Where time goes: runs the profiling build of the solver (quarnel_satprof, see
# bench/sat_call_timer.cc) on every instance of the benchmark corpus, one after the other, and
# prints for each instance that used at least MIN_CPU seconds of CPU time how that time splits
# into loading the SAT solver, the search (picosat_sat), reading back core or model, and the
# rest, with the share spent outside picosat_sat; then the totals over those instances.
#
# Each run is limited to CPU_LIMIT seconds of CPU time (a soft limit; the profiling build
# reports the split up to that moment). CPU time, not wall time, is measured, so other load on
# the machine changes the figures little.
#
# Usage: bench/profile.sh [build dir] [corpus dir]
#   defaults: build dir ./build, corpus dir ../shared/bench (its EXPECTED.tsv lists the files)
#   CPU_LIMIT (default 20) and MIN_CPU (default 1) are read from the environment.
#
# Instruction counts instead of time, for one instance under callgrind (the solver's own time
# budget "-T" ends the run, so callgrind writes its profile):
#   bench/profile.sh --callgrind INSTANCE [build dir] [-T seconds, default 60]
# prints the inclusive instruction share of the SAT library calls, and the share of the
# solver's own code.
set -euo pipefail
here="$(cd "$(dirname "$0")" && pwd)"

if [ "${1:-}" = "--callgrind" ]; then
  instance="$2"
  build="${3:-$here/../build}"
  budget="${4:-60}"
  cg=$(mktemp)
  trap 'rm -f "$cg"' EXIT
  valgrind --tool=callgrind --callgrind-out-file="$cg" "$build/bench/quarnel_satprof" -T "$budget" \
    "$instance" 2>&1 >/dev/null | grep '^satprof:' || true
  echo "inclusive instruction counts:"
  callgrind_annotate --threshold=100 --inclusive=yes "$cg" 2>/dev/null |
    grep -E 'PROGRAM TOTALS|:(picosat_(sat|add|reset|coreclause)|PicosatWrapper::run_sat_solver\(\)) ' |
    grep -v -e '__wrap' -e '=>' | sed -E 's/ \[[^]]*\]$//'
  # Functions with source information are the solver's own (with the library code it inlines);
  # the SAT library comes without, as ???:name, and the C library in its own object.
  callgrind_annotate --threshold=100 "$cg" 2>/dev/null | grep -E '^ *[0-9,]+ \(' | awk '
    /PROGRAM TOTALS/ { gsub(",", "", $1); total = $1; next }
    /quarnel_satprof\]$/ && !/\?\?\?:/ { gsub(",", "", $1); own += $1 }
    END { if (total > 0) printf "own code (self, outside both libraries): %.2f%% of the instructions\n", 100 * own / total }'
  exit 0
fi
build="${1:-$here/../build}"
corpus="${2:-$here/../../shared/bench}"
limit="${CPU_LIMIT:-20}"
min_cpu="${MIN_CPU:-1}"
bin="$build/bench/quarnel_satprof"
[ -x "$bin" ] || { echo "missing $bin (build the target quarnel_satprof)" >&2; exit 1; }
[ -f "$corpus/EXPECTED.tsv" ] || { echo "missing $corpus/EXPECTED.tsv" >&2; exit 1; }

out=$(mktemp)
trap 'rm -f "$out"' EXIT

printf '%-42s %8s %6s %8s %9s %8s %8s %8s  %s\n' instance cpu calls load sat after rest outside note
tail -n +2 "$corpus/EXPECTED.tsv" | cut -f1 | while read -r f; do
  line=$( (ulimit -S -t "$limit"; "$bin" "$corpus/$f" 2>&1 >/dev/null) | grep '^satprof:' || true)
  [ -n "$line" ] || { echo "$f: no report" >&2; continue; }
  # satprof: cpu C s, sat calls N, load L s, sat S s, after A s, rest R s, outside picosat_sat P%
  read -r cpu calls load sat after rest share < <(echo "$line" |
    sed -E 's/.*cpu ([0-9.]+) s, sat calls ([0-9]+), load ([0-9.]+) s, sat ([0-9.]+) s, after ([0-9.]+) s, rest ([0-9.]+) s, outside picosat_sat ([0-9.]+)%.*/\1 \2 \3 \4 \5 \6 \7/')
  awk -v c="$cpu" -v m="$min_cpu" 'BEGIN { exit !(c >= m) }' || continue
  note=""
  case "$line" in *"CPU limit"*) note="cut at ${limit}s" ;; esac
  printf '%-42s %8s %6s %8s %9s %8s %8s %7s%%  %s\n' "$f" "$cpu" "$calls" "$load" "$sat" "$after" "$rest" "$share" "$note"
  echo "$cpu $load $sat $after $rest $share" >> "$out"
done

awk '{ cpu += $1; load += $2; sat += $3; after += $4; rest += $5; n += 1
       if ($6 > worst) worst = $6 }
     END { if (n == 0) { print "no instance used enough CPU time"; exit }
           printf "\n%d instances, cpu %.2f s: load %.2f s, sat %.2f s, after %.2f s, rest %.2f s\n", n, cpu, load, sat, after, rest
           printf "outside picosat_sat: %.2f%% of the total; worst instance %.2f%%\n", 100 * (cpu - sat) / cpu, worst }' "$out"
