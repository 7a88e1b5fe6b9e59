#!/usr/bin/env python3
"""The bench's easy instances solved through quarnel.read and quarnel.Solver give the optimum
that the command line (quarnel -oll) prints, and a model that costs it. Exit 77 without the
corpus.

usage: bench_easy_against_cli.py QUARNEL_BINARY [--limit N]"""
import argparse
import os
import subprocess
import sys

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "../../bench"))
import bench_common  # noqa: E402
from maxsat_oracle import quarnel  # noqa: E402


def cli_output(binary, path):
    done = subprocess.run([binary, "-oll", path], capture_output=True, text=True, timeout=120)
    return done.stdout + done.stderr


def cli_optimum(binary, path):
    out = cli_output(binary, path)
    if "s UNSATISFIABLE" in out:
        return None
    costs = [int(line.split()[1]) for line in out.splitlines() if line.startswith("o ")]
    assert "s OPTIMUM FOUND" in out, out[-500:]
    return costs[-1]


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("binary")
    parser.add_argument("--limit", type=int, default=0)
    args = parser.parse_args()
    corpus = bench_common.corpus_dir(None)
    if not os.path.isdir(corpus):
        print("no corpus at " + corpus)
        return bench_common.SKIP
    entries = [e for e in bench_common.read_corpus(corpus) if e.cls == "easy"]
    if args.limit:
        entries = entries[: args.limit]
    failures = 0
    for e in entries:
        path = os.path.join(corpus, e.file)
        try:
            wcnf = quarnel.read(path)
        except ValueError as refused:
            # The command line refuses the file with the same message.
            if str(refused) not in cli_output(args.binary, path):
                failures += 1
                print("%s: read() says %r, the command line does not" % (e.file, str(refused)))
            continue
        with quarnel.Solver(wcnf) as solver:
            model = solver.compute()
            expected = cli_optimum(args.binary, path)
            got = {"optimum": solver.cost, "unsatisfiable": None}.get(solver.status, "status " + solver.status)
            values = set(model or [])
            ok = got == expected
            if model is not None:
                ok = ok and all(any(l in values for l in c) for c in wcnf.hard)
                ok = ok and sum(w for c, w in zip(wcnf.soft, wcnf.wght) if not any(l in values for l in c)) == got
            if not ok:
                failures += 1
                print("%s: Solver %s, command line %s" % (e.file, got, expected))
    print("%d easy instances, %d disagree" % (len(entries), failures))
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
