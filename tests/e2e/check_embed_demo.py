#!/usr/bin/env python3
"""Runs the embedding demo and checks what it prints against the instance it echoes.

The demo lists every clause it adds ("hard ... 0" or "soft w=N ... 0"), then the minimum cost
and a model. The check is independent of the solver: the model must give every variable of the
instance exactly one value, satisfy every hard clause, and falsify soft clauses of total weight
equal to the printed cost; and the cost must equal the optimum found by trying every
assignment.

usage: check_embed_demo.py DEMO_BINARY
"""
import itertools
import re
import subprocess
import sys


def parse(output):
    hard, soft = [], []
    cost, model = None, None
    for line in output.splitlines():
        if m := re.fullmatch(r"hard\s+((?:-?\d+\s+)*)0", line):
            hard.append([int(t) for t in m.group(1).split()])
        elif m := re.fullmatch(r"soft w=(\d+)\s+((?:-?\d+\s+)*)0", line):
            soft.append((int(m.group(1)), [int(t) for t in m.group(2).split()]))
        elif m := re.fullmatch(r"minimum cost: (\d+)", line):
            cost = int(m.group(1))
        elif m := re.fullmatch(r"model:((?: -?\d+)*)", line):
            model = [int(t) for t in m.group(1).split()]
    return hard, soft, cost, model


def satisfied(clause, true_lits):
    return any(lit in true_lits for lit in clause)


def falsified_weight(soft, true_lits):
    return sum(w for w, clause in soft if not satisfied(clause, true_lits))


def brute_force_optimum(hard, soft, nvars):
    best = None
    for values in itertools.product((False, True), repeat=nvars):
        true_lits = {v if values[v - 1] else -v for v in range(1, nvars + 1)}
        if all(satisfied(c, true_lits) for c in hard):
            w = falsified_weight(soft, true_lits)
            best = w if best is None else min(best, w)
    return best


def check_output(output):
    """Returns a list of problems; empty when the output is correct."""
    hard, soft, cost, model = parse(output)
    problems = []
    if not hard or not soft:
        return ["the demo echoed no instance"]
    nvars = max(abs(l) for c in hard + [c for _, c in soft] for l in c)
    optimum = brute_force_optimum(hard, soft, nvars)
    if optimum is None:
        return ["test instance has unsatisfiable hard clauses; the demo should say so"] \
            if "hard clauses unsatisfiable" not in output else []
    if cost is None:
        return ["no 'minimum cost:' line"]
    if model is None:
        return ["no 'model:' line"]
    if cost != optimum:
        problems.append(f"printed cost {cost}, brute-force optimum {optimum}")
    if sorted(abs(l) for l in model) != list(range(1, nvars + 1)):
        problems.append(f"model {model} does not give each of variables 1..{nvars} one value")
        return problems
    true_lits = set(model)
    for c in hard:
        if not satisfied(c, true_lits):
            problems.append(f"model falsifies hard clause {c}")
    w = falsified_weight(soft, true_lits)
    if w != cost:
        problems.append(f"model falsifies soft weight {w}, printed cost {cost}")
    return problems


def run_and_check(binary):
    """Runs the demo with each engine; both answers must pass the same checks."""
    ok = True
    for args in ([], ["-oll"]):
        proc = subprocess.run([binary] + args, capture_output=True, text=True, timeout=120)
        sys.stdout.write(proc.stdout)
        sys.stderr.write(proc.stderr)
        problems = [] if proc.returncode == 0 else [f"exit status {proc.returncode}"]
        problems += check_output(proc.stdout)
        for p in problems:
            print("FAIL (%s):" % " ".join(["embed_demo"] + args), p)
        ok = ok and not problems
    return ok


if __name__ == "__main__":
    sys.exit(0 if run_and_check(sys.argv[1]) else 1)
