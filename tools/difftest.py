#!/usr/bin/env python3
"""Differential test: quarnel against exhaustive search on random small instances.

Each instance is drawn from its own random generator seeded with (seed, index), so instance k
of a run can be regenerated alone. Instances are plain cnf, partial pmcnf, or wcnf (unit,
small, zero, or huge weights up to 2^63 with sums up to 2^64 - 2, top above or below the soft
sum, or no top), with
repeated clauses (literals shuffled, other weight or hardness), empty clauses, tautologies,
repeated literals, and now and then a number out of range. quarnel runs on each file with a
random choice of options (with --oll, once with each engine); its answer goes through the independent checker with the optimum
found by brute_force as the expected answer.

Outcomes: agreement; disagreement (another optimum, or UNSAT against a model or the other way
round); invalid model (hard clause falsified, or "o" unlike the weight of the falsified soft
clauses); error (crash, unexpected exit status, time-out). Costs are exact up to 2^64 - 2, so an
optimum beyond 2^63 - 1 must be printed like any other. Every instance that is not an agreement
is saved, with the command line and the output, to --save-dir; the exit status is then 1.
"""

import argparse
import os
import random
import subprocess
import sys
import tempfile

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import brute_force  # noqa: E402
import check_solution as cs  # noqa: E402
import maxsat_reader  # noqa: E402

MAX_U64 = 2 ** 64 - 1
OPTION_CHOICES = [[], ["-p"], ["-m", "1"], ["-m", "2"], ["-m", "3"], ["-p", "-m", "1"],
                  ["-p", "-m", "2"], ["-e", "c"], ["-v", "0"]]


def _clause(rng, nvars):
    r = rng.random()
    if r < 0.03 or nvars == 0:
        return []
    length = rng.choice([1, 1, 2, 2, 2, 3, 3, 4])
    lits = [rng.choice([-1, 1]) * rng.randint(1, nvars) for _ in range(length)]
    r = rng.random()
    if r < 0.05:
        lits.append(-lits[0])  # tautology
    elif r < 0.10:
        lits.append(lits[0])  # repeated literal
    return lits


def _weights(rng, n, mode):
    if mode == "unit":
        return [1] * n
    if mode == "small":
        return [rng.randint(1, 10) for _ in range(n)]
    if mode == "zero":
        return [rng.choice([0, 0, 1, 2, 3]) for _ in range(n)]
    # huge: a few weights near 2^63, the rest small; the total may reach 2^64 - 2, no further
    ws = [rng.randint(2 ** 62, 2 ** 63) if rng.random() < 0.3 else rng.randint(1, 1000) for _ in range(n)]
    while sum(ws) > MAX_U64 - 1:
        i = max(range(n), key=lambda k: ws[k])
        ws[i] //= 2
    return ws


def generate(seed, index, max_vars):
    """(file name suffix, text) of instance `index` of a run with `seed`."""
    rng = random.Random("%d/%d" % (seed, index))
    fmt = rng.choice(["cnf", "pmcnf", "wcnf", "wcnf", "wcnf"])
    nvars = rng.randint(0, max_vars) if rng.random() < 0.05 else rng.randint(1, max_vars)
    nclauses = rng.randint(1, 3 * max(nvars, 1) + 4)
    clauses = []  # (hard?, lits)
    for _ in range(nclauses):
        if clauses and rng.random() < 0.12:
            hard, lits = rng.choice(clauses)
            lits = lits[:]
            rng.shuffle(lits)
            if rng.random() < 0.3:
                hard = not hard
            clauses.append((hard, lits))
            continue
        clauses.append((rng.random() < 0.35, _clause(rng, nvars)))
    if fmt == "cnf":
        clauses = [(False, l) for _, l in clauses]

    out_of_range = rng.random() < 0.02
    lines = ["c random instance seed %d index %d" % (seed, index)]
    decl = nvars if rng.random() < 0.9 else rng.randint(0, 2 * max_vars)
    if fmt == "cnf":
        lines.append("p cnf %d %d" % (decl, len(clauses)))
        lines += [" ".join(map(str, l + [0])) for _, l in clauses]
    elif fmt == "pmcnf":
        lines.append("p pmcnf %d %d" % (decl, len(clauses)))
        section = None
        for hard, l in clauses:
            if hard != section and (section is not None or hard or rng.random() < 0.5):
                lines.append("p hard" if hard else "p soft")
                section = hard
            lines.append(" ".join(map(str, l + [0])))
    else:
        mode = rng.choice(["unit", "small", "small", "zero", "huge"])
        soft_ws = _weights(rng, len(clauses), mode)
        soft_sum = sum(w for (hard, _), w in zip(clauses, soft_ws) if not hard)
        top_mode = rng.choice(["above", "above", "below", "none"])
        if top_mode == "above":
            top = soft_sum + 1
        elif top_mode == "below":
            top = rng.randint(0, max(soft_sum, 1))
        else:
            top = maxsat_reader.DEFAULT_TOP
        if top_mode == "none":
            lines.append("p wcnf %d %d" % (decl, len(clauses)))
        else:
            lines.append("p wcnf %d %d %d" % (decl, len(clauses), top))
        for (hard, l), w in zip(clauses, soft_ws):
            if hard:
                w = top if rng.random() < 0.8 else rng.randint(top, MAX_U64)
            lines.append(" ".join(map(str, [w] + l + [0])))
    if out_of_range:
        clause_lines = [k for k, l in enumerate(lines) if l[0] not in "cp"]
        big_lit = "%d 0" % (rng.choice([-1, 1]) * (maxsat_reader.MAX_LIT + 1))
        if fmt == "wcnf" and rng.random() < 0.5:
            where = rng.choice(clause_lines + [1])
            if where == 1:
                lines[1] = "p wcnf %d %d %d" % (decl, len(clauses), MAX_U64 + 1)
            else:
                lines[where] = "%d 1 0" % (MAX_U64 + 1)
        elif clause_lines:
            k = rng.choice(clause_lines)
            lines[k] = ("1 " if fmt == "wcnf" else "") + big_lit
    return fmt, "\n".join(lines) + "\n"




def classify(inst, expected, verdict, out, returncode):
    """'agree', 'disagree', 'invalid' or 'error'."""
    if verdict.code == cs.OK:
        return "agree"
    if returncode not in (0, 3) or (returncode == 3 and not out.parse_errors):
        return "error"
    if isinstance(expected, str):  # a range error was expected
        return "disagree"
    if len(out.status) != 1:
        return "error"
    got_unsat = out.status[0] == "UNSATISFIABLE"
    if got_unsat != (expected is None):
        return "disagree"
    if got_unsat:
        return "invalid"  # e.g. an "o" line after "s UNSATISFIABLE"
    try:
        cost = int(out.costs[-1]) if out.costs else None
    except ValueError:
        cost = None
    if cost is not None and cost != expected:
        values, problems = cs.parse_model(out.v_lines, inst.nvars)
        bad_hard, real_cost, _ = cs.evaluate(inst, values)
        if not problems and not bad_hard and real_cost == cost:
            return "disagree"  # a valid model, but not an optimal one
    return "invalid"


def run_instance(args, index, workdir):
    fmt, text = generate(args.seed, index, args.max_vars)
    path = os.path.join(workdir, "r%d-%d.%s" % (args.seed, index, fmt))
    with open(path, "w") as f:
        f.write(text)
    try:
        inst = maxsat_reader.read_instance(path)
        res = brute_force.solve(inst, max_vars=args.max_vars)
        expected = "UNSAT" if res.optimum is None else res.optimum
        exp_value = res.optimum
    except maxsat_reader.ParseError as e:
        if e.kind != "range":
            raise
        inst, expected, exp_value = None, "RANGE", "RANGE"
    opts = random.Random("opts %d/%d" % (args.seed, index)).choice(OPTION_CHOICES)
    results = []
    engines = [[]]
    if args.oll:
        engines.append(["-oll"])
    if args.anytime_always:
        # The incremental engine with its solution-improving phases from the first model on,
        # under a seed of the instance's own.
        engines.append(["-oll", "-anytime", "always", "-seed", str(index)])
    for engine in engines:
        results.append(run_engine(args, engine + opts, path, text, inst, expected, exp_value))
    return results


def run_engine(args, opts, path, text, inst, expected, exp_value):
    cmd = [args.bin] + opts + [path]
    try:
        p = subprocess.run(cmd, stdout=subprocess.PIPE, stderr=subprocess.PIPE, text=True,
                           timeout=args.timeout, check=False)
        stdout, stderr, rc = p.stdout, p.stderr, p.returncode
    except subprocess.TimeoutExpired:
        stdout, stderr, rc = "", "", None
    verdict = cs.check(path, stdout, stderr, rc, expected, inst=inst)
    outcome = "error" if rc is None else classify(inst, exp_value, verdict, cs.parse_output(stdout + stderr), rc)
    if outcome != "agree":
        report = "%s: %s %s\n%s" % (outcome, " ".join(cmd), verdict.summary(),
                                    "expected: %s\n" % expected)
        if args.save_dir:
            os.makedirs(args.save_dir, exist_ok=True)
            base = os.path.join(args.save_dir, os.path.basename(path))
            with open(base, "w") as f:
                f.write(text)
            with open(base + ".out", "a") as f:
                f.write(report + "--- stdout (exit %s)\n%s--- stderr\n%s" % (rc, stdout, stderr))
        return outcome, report
    return outcome, None


def main(argv=None):
    ap = argparse.ArgumentParser(description="Compare quarnel with exhaustive search on random instances.")
    ap.add_argument("--bin", required=True, help="quarnel binary")
    ap.add_argument("--count", type=int, default=200)
    ap.add_argument("--seed", type=int, default=1)
    ap.add_argument("--first", type=int, default=0, help="index of the first instance")
    ap.add_argument("--max-vars", type=int, default=10)
    ap.add_argument("--timeout", type=float, default=20, help="wall seconds per run")
    ap.add_argument("--save-dir", help="where instances that are not agreements are saved")
    ap.add_argument("--jobs", type=int, default=1)
    ap.add_argument("--oll", action="store_true", help="run quarnel with the incremental engine (\"-oll\")")
    ap.add_argument("--anytime-always", action="store_true",
                    help="also run the incremental engine with its anytime phases forced on from the start")
    ap.add_argument("-v", "--verbose", action="store_true", help="print every outcome")
    args = ap.parse_args(argv)
    if not os.access(args.bin, os.X_OK):
        print("difftest: solver binary not found: %s" % args.bin)
        return 2
    counts = {"agree": 0, "disagree": 0, "invalid": 0, "error": 0}
    with tempfile.TemporaryDirectory() as workdir:
        indices = range(args.first, args.first + args.count)
        if args.jobs > 1:
            import concurrent.futures
            with concurrent.futures.ThreadPoolExecutor(args.jobs) as pool:
                results = list(pool.map(lambda i: run_instance(args, i, workdir), indices))
        else:
            results = (run_instance(args, i, workdir) for i in indices)
        runs = 0
        for i, per_engine in zip(indices, results):
            for outcome, report in per_engine:
                runs += 1
                counts[outcome] += 1
                if report:
                    print("instance %d %s" % (i, report.rstrip()))
                elif args.verbose:
                    print("instance %d %s" % (i, outcome))
    print("difftest seed %d, %d instances, %d runs: %d agreements, %d disagreements, %d invalid models, "
          "%d errors" % (args.seed, args.count, runs, counts["agree"], counts["disagree"], counts["invalid"],
                         counts["error"]))
    return 0 if counts["agree"] == runs else 1


if __name__ == "__main__":
    sys.exit(main())
