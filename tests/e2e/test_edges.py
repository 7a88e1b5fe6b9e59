#!/usr/bin/env python3
"""End-to-end tests at the edges of valid input and of the machine, with both engines: costs
up to 2^64 - 2, huge variable ids, a memory limit, standard input, and the evaluation's output
conventions ("-mse"). Every printed model goes through the independent checker
(tools/check_solution.py), with the optimum from the exhaustive search of tools/brute_force.py.

usage: test_edges.py QUARNEL_BINARY [unittest options]
"""
import gzip
import lzma
import os
import random
import resource
import shutil
import subprocess
import sys
import tempfile
import unittest

HERE = os.path.dirname(os.path.abspath(__file__))
ROOT = os.path.dirname(os.path.dirname(HERE))
DATA = os.path.join(ROOT, "tests", "data", "driver")
sys.path.insert(0, os.path.join(ROOT, "tools"))
import brute_force  # noqa: E402
import check_solution as cs  # noqa: E402
import maxsat_reader  # noqa: E402

QUARNEL = None
ENGINES = [[], ["-oll"]]
MAX_TOTAL = 2 ** 64 - 2


class Run:
    def __init__(self, args, stdin=None, limit_bytes=None):
        def limit():
            if limit_bytes is not None:
                resource.setrlimit(resource.RLIMIT_AS, (limit_bytes, limit_bytes))

        proc = subprocess.Popen([QUARNEL] + args, stdin=subprocess.PIPE if stdin is not None else None,
                                stdout=subprocess.PIPE, stderr=subprocess.PIPE, preexec_fn=limit)
        # The timeout only guards against a run that never ends; no test measures time.
        out, err = proc.communicate(stdin, timeout=120)
        self.status = proc.returncode
        self.out = out.decode("latin-1")
        self.err = err.decode("latin-1")
        self.lines = self.out.splitlines()


def peak_memory_kb(args):
    """Runs the binary alone and returns its exit status and peak resident memory."""
    pid = os.fork()
    if pid == 0:
        devnull = os.open(os.devnull, os.O_WRONLY)
        os.dup2(devnull, 1)
        os.execv(QUARNEL, [QUARNEL] + args)
    _, status, usage = os.wait4(pid, 0)
    return os.waitstatus_to_exitcode(status), usage.ru_maxrss


def optimum_of(path):
    res = brute_force.solve(maxsat_reader.read_instance(path))
    return "UNSAT" if res.optimum is None else res.optimum


class EdgeTest(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.tmp = tempfile.mkdtemp(prefix="quarnel-e2e-edges-")

    @classmethod
    def tearDownClass(cls):
        shutil.rmtree(cls.tmp, ignore_errors=True)

    def write(self, name, text):
        path = os.path.join(self.tmp, name)
        with open(path, "w") as f:
            f.write(text)
        return path

    def assert_checked(self, path, run, expected):
        verdict = cs.check(path, run.out, run.err, run.status, expected)
        self.assertEqual(verdict.code, cs.OK, verdict.summary() + "\n" + run.out[-500:])

    def assert_out_of_memory(self, run):
        self.assertEqual(run.status, 3, run.out[-300:] + run.err[-300:])
        self.assertEqual(run.lines[-1], "QRN ERROR: Out of memory")
        self.assertFalse(any(l.startswith(("o ", "s ", "v ")) for l in run.lines), run.lines)


class Costs(EdgeTest):
    """Weights near 2^63 and sums up to 2^64 - 2 are solved and printed exactly; a larger sum is
    refused before any "o" line."""

    # The top weight 2^64 - 1 lies above every allowed sum of soft weights.
    HARD = str(2 ** 64 - 1)

    def random_instance(self, rng, k):
        nvars = rng.randint(2, 7)
        lines = []
        for _ in range(rng.randint(0, 4)):
            lits = rng.sample(range(1, nvars + 1), rng.randint(1, min(3, nvars)))
            lines.append(self.HARD + " " + " ".join(str(v * rng.choice([-1, 1])) for v in lits) + " 0")
        softs = rng.randint(2, 8)
        weights = [rng.randint(2 ** 62, 2 ** 63 - 1) if rng.random() < 0.5 else rng.randint(1, 9) for _ in range(softs)]
        while sum(weights) > MAX_TOTAL:
            weights[weights.index(max(weights))] //= 2
        for w in weights:
            lits = rng.sample(range(1, nvars + 1), rng.randint(1, min(2, nvars)))
            lines.append("%d " % w + " ".join(str(v * rng.choice([-1, 1])) for v in lits) + " 0")
        if k % 3 == 0 and sum(weights) < 2 ** 63 - 1:
            # A soft clause that every model falsifies takes the total to exactly 2^64 - 2.
            lines.append(self.HARD + " -1 0")
            lines.append("%d 1 0" % (MAX_TOTAL - sum(weights)))
        return "p wcnf %d %d %s\n" % (nvars, len(lines), self.HARD) + "\n".join(lines) + "\n"

    def test_optima_match_exhaustive_search(self):
        rng = random.Random(20261210)
        beyond_signed = 0
        for k in range(36):
            path = self.write("costs%d.wcnf" % k, self.random_instance(rng, k))
            expected = optimum_of(path)
            beyond_signed += isinstance(expected, int) and expected > 2 ** 63 - 1
            for engine in ENGINES:
                with self.subTest(k=k, engine=engine):
                    self.assert_checked(path, Run(engine + ["-v", "0", path]), expected)
        self.assertGreater(beyond_signed, 0, "no optimum beyond 2^63 - 1 was drawn")

    def test_the_largest_total_is_exact_and_one_more_is_refused(self):
        exact = self.write("max.wcnf", "p wcnf 2 4 %s\n%s -1 0\n%s -2 0\n%d 1 0\n%d 2 0\n"
                                       % (self.HARD, self.HARD, self.HARD, 2 ** 63, 2 ** 63 - 2))
        # The old format allows weights up to 2^64 - 1, so the sum can pass the range.
        over = self.write("over.wcnf", "p wcnf 2 4 18446744073709551615\n18446744073709551615 -1 0\n"
                                       "%d 1 0\n%d 2 0\n" % (2 ** 63, 2 ** 63 - 1))
        for engine in ENGINES:
            with self.subTest(engine=engine):
                run = Run(engine + ["-v", "0", exact])
                self.assertIn("o %d" % MAX_TOTAL, run.lines)
                self.assert_checked(exact, run, MAX_TOTAL)
                nc = Run(engine + ["-v", "0", "-NC", exact])
                self.assertEqual(nc.lines, ["Minimum cost of unsatisfied clauses: %d" % MAX_TOTAL])
                refused = Run(engine + [over])
                self.assertEqual(refused.status, 3)
                self.assertEqual(refused.lines[-1], "QRN ERROR: Cost out of range")
                self.assertFalse(any(l.startswith(("o ", "s ")) for l in refused.lines))


class Memory(EdgeTest):
    """Memory that is known before it is spent."""

    def test_huge_variable_id(self):
        path = os.path.join(DATA, "huge_variable.cnf")
        # The default engine's SAT solver sizes its tables by the largest variable: refused at once.
        self.assert_out_of_memory(Run([path]))
        status, peak_kb = peak_memory_kb([path])
        self.assertEqual(status, 3)
        self.assertLess(peak_kb, 100 * 1024)
        # The incremental engine sees two variables.
        run = Run(["-oll", path])
        self.assertEqual(run.status, 0)
        self.assertIn("v 1 -2000000000 ", run.lines)
        self.assert_checked(path, run, 0)
        status, peak_kb = peak_memory_kb(["-oll", path])
        self.assertEqual(status, 0)
        self.assertLess(peak_kb, 100 * 1024)

    def test_sparse_variable_ids_with_both_engines(self):
        text = "p wcnf 300000 4 10\n10 1 300000 0\n10 -1 -300000 0\n3 1 0\n2 300000 0\n"
        path = self.write("sparse.wcnf", text)
        for engine in ENGINES:
            with self.subTest(engine=engine):
                self.assert_checked(path, Run(engine + ["-v", "0", path]), 2)
                bits = Run(engine + ["-v", "0", "-mse", path])
                v = [l for l in bits.lines if l.startswith("v ")]
                self.assertEqual(len(v), 1)
                self.assertEqual(len(v[0]), 2 + 300000)
                self.assert_checked(path, bits, 2)

    def test_address_space_limit(self):
        # Hard clauses that each hold a positive literal and positive soft units: all true is
        # optimal and found by the first SAT call, so whatever fits in memory ends quickly.
        rng = random.Random(7)
        nvars, nclauses = 250000, 30000
        lines = ["p wcnf %d %d 2" % (nvars, nclauses + 3000)]
        for _ in range(nclauses):
            a, b, c = rng.sample(range(1, nvars + 1), 3)
            lines.append("2 %d %d %d 0" % (a, b * rng.choice([-1, 1]), c * rng.choice([-1, 1])))
        lines += ["1 %d 0" % v for v in rng.sample(range(1, nvars + 1), 3000)]
        path = self.write("large.wcnf", "\n".join(lines) + "\n")
        for engine in ENGINES:
            outcomes = []
            for limit_mb in [16, 40, None]:
                with self.subTest(engine=engine, limit_mb=limit_mb):
                    # Either the answer, checked, or "Out of memory" without a partial result.
                    run = Run(engine + ["-v", "0", path], limit_bytes=limit_mb and limit_mb << 20)
                    if run.status == 0:
                        self.assert_checked(path, run, 0)
                    else:
                        self.assert_out_of_memory(run)
                    outcomes.append(run.status)
            self.assertEqual((outcomes[0], outcomes[-1]), (3, 0), engine)
        # The reader and the BMO check fail their allocations as cleanly.
        for args in [["-bmo"], ["-oll"]]:
            with self.subTest(args=args):
                self.assert_out_of_memory(Run(args + ["-v", "0", path], limit_bytes=8 << 20))


class StandardInput(EdgeTest):
    """"-" reads standard input, plain or compressed."""

    def test_plain_gzip_and_xz_through_a_pipe(self):
        for name in ["weighted.wcnf", "partial.pmcnf", "plain.cnf", "unsat_hard.wcnf"]:
            path = os.path.join(DATA, name)
            with open(path, "rb") as f:
                text = f.read()
            expected = optimum_of(path)
            for pack in [lambda b: b, lambda b: gzip.compress(b, mtime=0), lzma.compress]:
                for engine in ENGINES:
                    with self.subTest(name=name, engine=engine):
                        run = Run(engine + ["-v", "0", "-"], stdin=pack(text))
                        self.assert_checked(path, run, expected)
        banner = Run(["-"], stdin=b"p cnf 1 1\n1 0\n")
        self.assertEqual(banner.lines[2], "c *** Instance: - ***")


class EvaluationOutput(EdgeTest):
    """"-mse": the 0/1 "v" line and the exit statuses 30, 20, 10 and 0."""

    def bit_line(self, run):
        v = [l for l in run.lines if l.startswith("v")]
        self.assertEqual(len(v), 1, run.lines)
        self.assertRegex(v[0], "^v [01]+$")
        return v[0][2:]

    def test_optimum_and_unsatisfiable(self):
        for name in ["weighted.wcnf", "pairs3.wcnf", "partial.pmcnf", "plain.cnf", "sat.cnf"]:
            path = os.path.join(DATA, name)
            nvars = maxsat_reader.read_instance(path).nvars
            for engine in ENGINES:
                with self.subTest(name=name, engine=engine):
                    run = Run(engine + ["-mse", path])
                    self.assertEqual(run.status, 30)
                    self.assertIn("s OPTIMUM FOUND", run.lines)
                    self.assertLessEqual(len(self.bit_line(run)), nvars)
                    self.assert_checked(path, run, optimum_of(path))
        for engine in ENGINES:
            run = Run(engine + ["-mse", os.path.join(DATA, "unsat_hard.wcnf")])
            self.assertEqual(run.status, 20)
            self.assertIn("s UNSATISFIABLE", run.lines)
            self.assertFalse(any(l.startswith("v") for l in run.lines))

    def test_out_of_time(self):
        # The default engine has no model before its optimum: "s UNKNOWN", status 0.
        run = Run(["-mse", "-T", "0", os.path.join(DATA, "pairs3.wcnf")])
        self.assertEqual(run.status, 0)
        self.assertEqual(run.lines[-2:], ["s UNKNOWN", "QRN WARN: CPU time exceeded"])
        # The incremental engine prints its best model: "s SATISFIABLE", status 10.
        rng = random.Random(5)
        lines = ["p cnf 70 800"] + [" ".join(str(v * rng.choice([-1, 1])) for v in rng.sample(range(1, 71), 3)) + " 0"
                                    for _ in range(800)]
        path = self.write("max3sat.cnf", "\n".join(lines) + "\n")
        run = Run(["-oll", "-mse", "-T", "1", path])
        self.assertEqual(run.lines[-1], "QRN WARN: CPU time exceeded")
        if "s SATISFIABLE" in run.lines:
            self.assertEqual(run.status, 10)
            costs = [int(l[2:]) for l in run.lines if l.startswith("o ")]
            inst = maxsat_reader.read_instance(path)
            values, problems = cs.parse_model(["".join(self.bit_line(run))], inst.nvars)
            self.assertEqual(problems, [])
            bad_hard, cost, _ = cs.evaluate(inst, values)
            self.assertEqual((bad_hard, cost), ([], costs[-1]))
        else:
            self.assertIn("s UNKNOWN", run.lines)
            self.assertEqual(run.status, 0)

    def test_without_the_option_nothing_changes(self):
        path = os.path.join(DATA, "weighted.wcnf")
        run = Run(["-v", "0", path])
        self.assertEqual(run.status, 0)
        self.assertRegex([l for l in run.lines if l.startswith("v")][0], r"^v (-?\d+ )+$")


if __name__ == "__main__":
    if len(sys.argv) < 2:
        sys.exit(__doc__)
    QUARNEL = os.path.abspath(sys.argv[1])
    unittest.main(argv=[sys.argv[0]] + sys.argv[2:])
