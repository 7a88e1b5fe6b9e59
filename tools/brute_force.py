#!/usr/bin/env python3
"""Exhaustive-search oracle for small MaxSAT instances.

Tries every assignment of the variables 1..n (n = the largest variable of the instance, at most
about 16) and reports the smallest weight of falsified soft clauses among the assignments that
satisfy every hard clause, or UNSAT when none does; optionally also how many assignments reach
that optimum. It shares nothing with the solver: the instance comes from maxsat_reader, and the
search is plain enumeration, so its answers can judge the solver's.

The hard clauses are evaluated on whole truth tables at once: bit a of a 2^n-bit integer stands
for the assignment whose bit i-1 is the value of variable i, so a clause's satisfying
assignments are the OR of its literals' columns. Costs are then summed per surviving
assignment.
"""

import argparse
import os
import sys

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import maxsat_reader  # noqa: E402

DEFAULT_MAX_VARS = 16


class Result:
    def __init__(self, optimum, count, nvars):
        self.optimum = optimum  # None: the hard clauses are unsatisfiable
        self.count = count  # optimal assignments of variables 1..nvars (0 when UNSAT)
        self.nvars = nvars


class TooLarge(Exception):
    pass


def _columns(n):
    """Truth-table column of each variable 1..n over the 2^n assignments."""
    size = 1 << n
    full = (1 << size) - 1
    cols = [0]
    for i in range(1, n + 1):
        half = 1 << (i - 1)
        period = 2 * half
        pattern = ((1 << half) - 1) << half  # values false then true within one period
        repunit = full // ((1 << period) - 1)  # one bit at the start of every period
        cols.append(pattern * repunit)
    return cols, full


def _masks(clause):
    pos = neg = 0
    for lit in clause:
        if lit > 0:
            pos |= 1 << (lit - 1)
        else:
            neg |= 1 << (-lit - 1)
    return pos, neg


def solve(inst, nvars=None, max_vars=DEFAULT_MAX_VARS):
    n = inst.nvars if nvars is None else nvars
    if n < inst.nvars:
        raise ValueError("nvars below the instance's largest variable")
    if n > max_vars:
        raise TooLarge("%d variables (limit %d)" % (n, max_vars))
    cols, full = _columns(n)

    feasible = full
    for c in inst.hard:
        if maxsat_reader.is_tautology(c):
            continue
        sat = 0
        for lit in c:
            sat |= cols[lit] if lit > 0 else full & ~cols[-lit]
        feasible &= sat
        if not feasible:
            return Result(None, 0, n)

    fixed_cost = 0
    softs = []
    for w, c in inst.soft:
        if maxsat_reader.is_tautology(c):
            continue
        if not c:
            fixed_cost += w
            continue
        pos, neg = _masks(c)
        softs.append((pos, neg, w))

    best = None
    count = 0
    mask_all = (1 << n) - 1
    bits = bin(feasible)[:1:-1]  # bit string, least significant first
    a = bits.find("1")
    while a != -1:
        na = ~a & mask_all
        cost = fixed_cost
        for pos, neg, w in softs:
            if not (a & pos or na & neg):
                cost += w
        if best is None or cost < best:
            best, count = cost, 1
        elif cost == best:
            count += 1
        a = bits.find("1", a + 1)
    return Result(best, count, n)


def main(argv=None):
    ap = argparse.ArgumentParser(description="Optimum of a small MaxSAT instance by exhaustive search.")
    ap.add_argument("instance")
    ap.add_argument("--count", action="store_true", help="also print the number of optimal assignments")
    ap.add_argument("--nvars", type=int, help="enumerate variables 1..N (default: largest variable)")
    ap.add_argument("--max-vars", type=int, default=DEFAULT_MAX_VARS)
    a = ap.parse_args(argv)
    try:
        inst = maxsat_reader.read_instance(a.instance)
        res = solve(inst, a.nvars, a.max_vars)
    except maxsat_reader.ParseError as e:
        print("PARSE ERROR! %s" % e)
        return 3
    except TooLarge as e:
        print("too large: %s" % e)
        return 2
    if res.optimum is None:
        print("s UNSATISFIABLE")
    else:
        print("o %d" % res.optimum)
        print("s OPTIMUM FOUND")
    if a.count:
        print("c optimal assignments of variables 1..%d: %d" % (res.nvars, res.count))
    return 0


if __name__ == "__main__":
    sys.exit(main())
