#!/usr/bin/env bash
# Generates large random instances (2 million 3-literal clauses over 100000 variables, fixed
# seed) as cnf, as wcnf with weights, and gzip-compressed copies of both, then times the reader
# on each with read_bench. Usage: bench/gen_and_read.sh [build dir] [work dir]
set -euo pipefail
here="$(cd "$(dirname "$0")" && pwd)"
build="${1:-$here/../build}"
work="${2:-${TMPDIR:-/tmp}/quarnel-read-bench}"
clauses="${CLAUSES:-2000000}"
mkdir -p "$work"

if [ ! -f "$work/gen-$clauses.done" ]; then
  python3 - "$work" "$clauses" <<'PY'
import random, sys
work, n = sys.argv[1], int(sys.argv[2])
nvars = 100000
rng = random.Random(20240601)
with open(f"{work}/big.cnf", "w") as cnf, open(f"{work}/big.wcnf", "w") as wcnf:
    cnf.write(f"c random 3-cnf for reader benchmarks\np cnf {nvars} {n}\n")
    wcnf.write(f"c random 3-cnf with weights for reader benchmarks\np wcnf {nvars} {n} 1000000000\n")
    for i in range(n):
        lits = " ".join(str(v if rng.random() < 0.5 else -v) for v in rng.sample(range(1, nvars + 1), 3))
        cnf.write(f"{lits} 0\n")
        w = 1000000000 if i % 10 == 0 else rng.randint(1, 1000)
        wcnf.write(f"{w} {lits} 0\n")
PY
  gzip -kf -6 "$work/big.cnf"
  gzip -kf -6 "$work/big.wcnf"
  touch "$work/gen-$clauses.done"
fi

for f in big.cnf big.wcnf big.cnf.gz big.wcnf.gz; do
  "$build/bench/read_bench" "$work/$f"
done
# The token functions alone, on the plain files: the share of the reader proper.
for f in big.cnf big.wcnf; do
  "$build/bench/read_bench" --tokens "$work/$f"
done
