#!/usr/bin/env bash
# Reading a large weighted instance, side by side with Open-WBO's parser, in one run.
#
# Generates (once, fixed seed) the instance of the reading targets: 400,000 variables,
# 2,000,000 clauses of 3 random literals, alternately hard (weight 1000000 = top) and soft
# (weight 1), header "p wcnf 400000 2000000 1000000"; and an xz copy of it. Then, ROUNDS times
# (default 3), in one process each:
#   - Open-WBO's "c |  Parse time:" (the run is cut after its parse, at 20 s of CPU);
#   - quarnel's reading time ("... Done. CPU time" of "-NC -v 2", cut the same way), for each
#     binary given (the first is the one under test, a second one is "before");
#   - read_bench's peak resident memory per clause (reading plus holding the instance);
# and, with FULL_RUN=SECONDS, once per binary, the default run under that CPU limit (CPU seconds,
# peak memory and the number of cores found, through /usr/bin/time). Prints every figure and
# the ratios quarnel / Open-WBO of the medians.
#
# Usage: bench/read_vs_peer.sh [build dir] [before binary] [work dir]
#   PEERS=dir (default ../shared/peers beside the repository), ROUNDS=n, LIMIT=s, FULL_RUN=s.
set -euo pipefail
here="$(cd "$(dirname "$0")" && pwd)"
build="$(cd "${1:-$here/../build}" && pwd)"
before="${2:-}"
work="${3:-${TMPDIR:-/tmp}/quarnel-read-vs-peer}"
peers="${PEERS:-$here/../../shared/peers}"
rounds="${ROUNDS:-3}"
mkdir -p "$work"
inst="$work/big2m.wcnf"

if [ ! -f "$inst.done" ]; then
  python3 - "$inst" <<'PY'
import random, sys
out, n, nvars, top = sys.argv[1], 2000000, 400000, 1000000
rng = random.Random(14)
with open(out, "w") as f:
    f.write(f"c random 3-literal clauses, alternately hard and soft\np wcnf {nvars} {n} {top}\n")
    chunk = []
    for i in range(n):
        a, b, c = rng.sample(range(1, nvars + 1), 3)
        s = rng.getrandbits(3)
        chunk.append(f"{top if i % 2 == 0 else 1} {a if s & 1 else -a} {b if s & 2 else -b} {c if s & 4 else -c} 0\n")
        if len(chunk) == 100000:
            f.write("".join(chunk))
            chunk = []
    f.write("".join(chunk))
PY
  xz -k -f -T1 -6 "$inst"
  touch "$inst.done"
fi

bins=("$build/quarnel")
[ -n "$before" ] && bins+=("$before")

# CPU seconds of a reading: the run is stopped by a CPU limit (LIMIT, default 5 s) once the
# figure is printed; the first SAT call on this instance takes minutes.
limit="${LIMIT:-5}"
owbo_parse() { { "$peers/open-wbo" -cpu-lim="$limit" "$1" || true; } 2>/dev/null | sed -n 's/^c |  Parse time: *\([0-9.]*\) s.*/\1/p'; }
qrn_parse() { { (ulimit -t "$limit"; exec "$1" -NC -v 2 "$2") || true; } 2>/dev/null | sed -n 's/.*\.\.\. Done\. CPU time \([0-9.e+-]*\).*/\1/p'; }
median() { tr ' ' '\n' | { grep . || true; } | sort -g | awk '{a[NR]=$1} END {print NR ? a[int((NR+1)/2)] : "-"}'; }

declare -A parse
for r in $(seq "$rounds"); do
  parse[owbo]+="$(owbo_parse "$inst") "
  for i in "${!bins[@]}"; do
    parse[q$i]+="$(qrn_parse "${bins[$i]}" "$inst") "
    parse[x$i]+="$(qrn_parse "${bins[$i]}" "$inst.xz") "
  done
done

ow=$(echo "${parse[owbo]}" | median)
echo "file: $inst ($(du -m "$inst" | cut -f1) MB, xz $(du -m "$inst.xz" | cut -f1) MB), $rounds rounds, medians"
echo "open-wbo parse: ${parse[owbo]}-> $ow s"
for i in "${!bins[@]}"; do
  q=$(echo "${parse[q$i]}" | median)
  x=$(echo "${parse[x$i]}" | median)
  echo "${bins[$i]}: reading ${parse[q$i]}-> $q s, ratio to open-wbo $(awk -v a="$q" -v b="$ow" 'BEGIN{printf "%.2f", a/b}')"
  echo "${bins[$i]}: reading the .xz copy ${parse[x$i]}-> $x s"
done

rb="$build/bench/read_bench"
[ -x "$rb" ] && "$rb" "$inst" | sed -n 's/^  peak RSS/read_bench peak RSS/p'

if [ -n "${FULL_RUN:-}" ]; then
  for b in "${bins[@]}"; do
    out="$work/full-run.out"
    { (ulimit -t "$FULL_RUN"; exec /usr/bin/time -o "$work/full-run.time" -f "%U s user + %S s system, peak %M KB" "$b" "$inst") || true; } >"$out" 2>/dev/null
    echo "$b default run, CPU limit $FULL_RUN s: $(tail -1 "$work/full-run.time"), $(grep -c 'Min unsat cost LB' "$out") cores, $(grep -c '^s ' "$out") result lines"
  done
fi
