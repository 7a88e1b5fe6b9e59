#!/usr/bin/env python3
"""End-to-end tests of whole quarnel runs: banner, result lines, progress lines, verbosity,
the plain output format, unsatisfied-clause listings, enumeration of optimal model cubes, the
BMO mode, gzip input, the exit statuses, and the same with the incremental engine ("-oll").

Every printed model is checked by an oracle written here, independent of the product: the
instance file is read again in Python, a model must satisfy every hard clause and falsify soft
clauses of exactly the printed cost, and costs and cube counts are compared with an exhaustive
search over all assignments of the (small) instances.

About cube counts. Enumeration excludes each found cube with a hard clause and runs the engine
again on its relaxed formula, so "-so" (cubes over the input variables) prints exactly one cube
per optimal assignment: a model of the relaxed formula is an optimal assignment, and every
optimal assignment extends to a model of it, because each core the engine relaxed holds a soft
clause that the assignment falsifies (the core is unsatisfiable, and the assignment with the
relaxation variables chosen so far satisfies the hard part), and setting that clause's new
relaxation variable, one per core, lowers the remaining cost by exactly the core's weight. The
relaxation variables of one assignment need not be unique, though (a weighted core may leave a
choice), so "-sr" counts are compared with the sets of falsified soft clauses only on the pair
instances, whose cores are disjoint and whose relaxation variables are true exactly for the
falsified clauses; elsewhere each "-sr" cube must be a distinct, optimal model.

usage: test_driver.py QUARNEL_BINARY [unittest options]
"""
import gzip
import itertools
import os
import random
import re
import shutil
import subprocess
import sys
import tempfile
import unittest

QUARNEL = None
DATA = os.path.normpath(os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "data", "driver"))
DEFAULT_TOP = 2147483647

CPU = r"\d+(?:\.\d+)?(?:e[-+]\d+)?"
LB_LINE = re.compile(r"(?:c )?Min unsat cost LB: (\d+) \.\.\. ")
CORE_LINE = re.compile(r"(c )?Found core #(\d+)\. Iterating\.\.\. CPU Time: " + CPU)
SOLUTION_LINE = re.compile(r"(c )?Found MaxSAT solution\. Terminating\.\.\. CPU Time: " + CPU)
CPU_LINE = re.compile(r"c CPU Time: " + CPU)
CUBE_LINE = "Computed another MaxSAT model cube"


def data(name):
    return os.path.join(DATA, name)


# ----------------------------------------------------------------------------------------------
# Independent reading of instances and the brute-force oracle.

class Instance:
    """Hard clauses, soft clauses as (weight, literals), and the largest variable."""

    def __init__(self, hard, soft, nvars):
        self.hard = hard
        self.soft = soft
        self.nvars = nvars
        self.vars = {abs(l) for c in hard + [c for _, c in soft] for l in c}


def read_instance(path):
    """Reads cnf, wcnf or pmcnf. A clause that occurs more than once weighs the sum of its
    occurrences, capped at the top weight; a clause hard in any occurrence is hard."""
    opener = gzip.open if path.endswith(".gz") else open
    with opener(path, "rt") as f:
        lines = f.read().splitlines()
    fmt, top, hard_section = None, DEFAULT_TOP, False
    merged = {}  # sorted literals -> [weight sum, hard]
    order = []
    pending = []
    for line in lines:
        s = line.strip()
        if not s or s.startswith("c"):
            continue
        if s.startswith("p"):
            words = s[1:].split()
            if fmt is None:
                fmt = words[0]
                if fmt == "wcnf" and len(words) > 3:
                    top = int(words[3])
            elif fmt == "pmcnf":
                hard_section = words[0] == "hard"
            continue
        pending.extend(int(t) for t in s.split())
        while 0 in pending:
            end = pending.index(0)
            clause, pending = pending[:end], pending[end + 1:]
            if fmt == "wcnf":
                weight, lits = clause[0], clause[1:]
                hard = weight >= top
            else:
                weight, lits = 1, clause
                hard = fmt == "pmcnf" and hard_section
            key = tuple(sorted(lits, key=lambda l: (abs(l), l)))
            if key not in merged:
                merged[key] = [0, False]
                order.append(key)
            merged[key][0] += weight
            merged[key][1] |= hard
    hard, soft = [], []
    for key in order:
        weight, is_hard = merged[key]
        if is_hard or weight >= top:
            hard.append(list(key))
        else:
            soft.append((weight, list(key)))
    nvars = max((abs(l) for key in order for l in key), default=0)
    return Instance(hard, soft, nvars)


def lit_true(lit, values):
    v = values.get(abs(lit))
    return v is not None and v == (lit > 0)


def falsified_soft(inst, values):
    """Indices of the soft clauses (of positive weight) that `values` falsifies."""
    return frozenset(i for i, (w, c) in enumerate(inst.soft)
                     if w > 0 and not any(lit_true(l, values) for l in c))


def cost_of(inst, values):
    return sum(inst.soft[i][0] for i in falsified_soft(inst, values))


def hard_ok(inst, values):
    return all(any(lit_true(l, values) for l in c) for c in inst.hard)


class Oracle:
    """Exhaustive search over the variables 1..nvars."""

    def __init__(self, inst):
        self.inst = inst
        feasible = []
        for bits in itertools.product((False, True), repeat=inst.nvars):
            values = {v: bits[v - 1] for v in range(1, inst.nvars + 1)}
            if hard_ok(inst, values):
                feasible.append((cost_of(inst, values), values))
        self.optimum = min((c for c, _ in feasible), default=None)
        self.optimal = [v for c, v in feasible if c == self.optimum]
        self.falsified_sets = {falsified_soft(inst, v) for v in self.optimal}


def model_values(lits):
    return {abs(l): l > 0 for l in lits}


def literals_of(text):
    return [int(t) for t in text.split()]


# ----------------------------------------------------------------------------------------------
# Running the binary.

def run(args, cwd=None):
    # The timeout only guards against a run that never ends; no test measures time.
    return subprocess.run([QUARNEL] + args, capture_output=True, text=True, cwd=cwd, timeout=120)


def random_instances():
    """Small random instances with a fixed seed: (name, text)."""
    rng = random.Random(20240605)
    out = []
    for k in range(16):
        nvars = rng.randint(3, 7)
        weighted = k % 2 == 1

        def clause(lo, hi):
            chosen = rng.sample(range(1, nvars + 1), rng.randint(lo, min(hi, nvars)))
            return [v if rng.random() < 0.5 else -v for v in chosen]

        hard = [clause(1, 3) for _ in range(rng.randint(0, 2 + nvars))]
        soft = [clause(1, 2) for _ in range(rng.randint(4, 10))]
        if k % 5 == 4:
            # Hard clauses that contradict each other, found after some relaxation or not.
            a, b = rng.sample(range(1, nvars + 1), 2)
            hard += [[a, b], [-a, b], [a, -b], [-a, -b]]
        # Make sure every variable occurs, so that every model assigns all of them.
        soft += [[v] if rng.random() < 0.5 else [-v] for v in range(1, nvars + 1)
                 if not any(abs(l) == v for c in hard + soft for l in c)]
        body = []
        if weighted:
            body.append("p wcnf %d %d 100" % (nvars, len(hard) + len(soft)))
            body += ["100 " + " ".join(map(str, c)) + " 0" for c in hard]
            body += ["%d " % rng.randint(1, 5) + " ".join(map(str, c)) + " 0" for c in soft]
            name = "rand%02d.wcnf" % k
        else:
            body.append("p pmcnf %d %d" % (nvars, len(hard) + len(soft)))
            body += ["p hard"] + [" ".join(map(str, c)) + " 0" for c in hard]
            body += ["p soft"] + [" ".join(map(str, c)) + " 0" for c in soft]
            name = "rand%02d.pmcnf" % k
        out.append((name, "\n".join(body) + "\n"))
    return out


class DriverTest(unittest.TestCase):
    """Shared helpers; the tests are in the subclasses."""

    @classmethod
    def setUpClass(cls):
        cls.tmp = tempfile.mkdtemp(prefix="quarnel-e2e-driver-")
        cls.random_paths = []
        for name, text in random_instances():
            path = os.path.join(cls.tmp, name)
            with open(path, "w") as f:
                f.write(text)
            cls.random_paths.append(path)

    @classmethod
    def tearDownClass(cls):
        shutil.rmtree(cls.tmp, ignore_errors=True)

    def run_ok(self, args, cwd=None):
        p = run(args, cwd)
        self.assertEqual(p.returncode, 0, "%s\n%s%s" % (args, p.stdout, p.stderr))
        self.assertEqual(p.stderr, "", args)
        return p.stdout.splitlines()

    def check_model(self, inst, lits, cost, what):
        """A printed model: each variable at most once and within the instance, every
        variable of a clause assigned, hard clauses satisfied, falsified weight = cost."""
        vars_ = [abs(l) for l in lits]
        self.assertEqual(len(vars_), len(set(vars_)), what)
        self.assertTrue(all(1 <= v <= inst.nvars for v in vars_), what)
        values = model_values(lits)
        self.assertLessEqual(inst.vars, set(values), what + ": unassigned variables")
        self.assertTrue(hard_ok(inst, values), what + ": a hard clause is falsified")
        self.assertEqual(cost_of(inst, values), cost, what + ": cost differs from the model's")

    def check_v_line(self, line):
        """The "v" line: "v ", then each literal followed by one blank, in variable order."""
        self.assertTrue(line.startswith("v "), line)
        lits = literals_of(line[2:])
        self.assertEqual(line, "v " + "".join("%d " % l for l in lits))
        self.assertEqual([abs(l) for l in lits], sorted(abs(l) for l in lits), line)
        return lits

    def split_default_run(self, lines, fname):
        """Banner, progress lines and the four result lines of a default run."""
        self.check_comp_banner(lines[:4], fname)
        body = lines[4:]
        self.assertGreaterEqual(len(body), 4, lines)
        return body[:-4], body[-4:]

    def assert_cpu_line(self, line):
        self.assertIsNotNone(CPU_LINE.fullmatch(line), line)

    def check_comp_banner(self, lines, fname):
        self.assertRegex(lines[0], r"^c \*\*\* Quarnel MaxSAT solver, version \d+(\.\d+)+, built [^*]+ \*\*\*$")
        self.assertRegex(lines[1], r"^c \*\*\* Author: [^()]+ \([^()]+\) \*\*\*$")
        self.assertEqual(lines[2], "c *** Instance: %s ***" % fname)
        self.assertEqual(lines[3], "c ")

    def check_lb_lines(self, progress, cost, prefix="c "):
        bounds = []
        for line in progress:
            m = LB_LINE.fullmatch(line)
            self.assertIsNotNone(m, line)
            self.assertEqual(line.startswith("c "), prefix == "c ", line)
            bounds.append(int(m.group(1)))
        self.assertEqual(bounds, sorted(set(bounds)), "bounds must grow")
        self.assertEqual(bounds[-1] if bounds else 0, cost, progress)


# ----------------------------------------------------------------------------------------------

SOLVABLE = ["pairs3.wcnf", "pair_free.wcnf", "sat.cnf", "empty.cnf", "weighted.wcnf",
            "partial.pmcnf", "plain.cnf"]


class ResultLines(DriverTest):
    def all_paths(self):
        return [data(n) for n in SOLVABLE] + self.random_paths

    def test_default_run_order_and_model(self):
        for path in self.all_paths():
            with self.subTest(path=path):
                oracle = Oracle(read_instance(path))
                lines = self.run_ok([path])
                if oracle.optimum is None:
                    self.check_comp_banner(lines[:4], path)
                    self.assertTrue(all(LB_LINE.fullmatch(l) for l in lines[4:-3]), lines)
                    self.assertEqual(lines[-3:-1], ["s UNSATISFIABLE", "v "])
                    self.assert_cpu_line(lines[-1])
                    continue
                progress, result = self.split_default_run(lines, path)
                self.assertEqual(result[0], "o %d" % oracle.optimum)
                self.assertEqual(result[1], "s OPTIMUM FOUND")
                lits = self.check_v_line(result[2])
                self.assert_cpu_line(result[3])
                self.check_lb_lines(progress, oracle.optimum)
                self.check_model(oracle.inst, lits, oracle.optimum, path)

    def test_every_random_instance_has_an_answer_of_each_kind(self):
        # The random set covers both outcomes, so the test above checks both paths.
        kinds = {Oracle(read_instance(p)).optimum is None for p in self.random_paths}
        self.assertEqual(kinds, {True, False})

    def test_verbosity_0_prints_the_result_lines_only(self):
        for name in ["pairs3.wcnf", "unsat_hard.wcnf", "empty.cnf"]:
            with self.subTest(name=name):
                lines = self.run_ok(["-v", "0", data(name)])
                oracle = Oracle(read_instance(data(name)))
                if oracle.optimum is None:
                    self.assertEqual(lines[:2], ["s UNSATISFIABLE", "v "])
                    self.assertEqual(len(lines), 3)
                else:
                    self.assertEqual(lines[:2], ["o %d" % oracle.optimum, "s OPTIMUM FOUND"])
                    self.assertEqual(len(lines), 4)
                    self.check_model(oracle.inst, self.check_v_line(lines[2]), oracle.optimum, name)
                self.assert_cpu_line(lines[-1])

    def test_verbosity_2_reports_each_core_and_the_solution(self):
        for fmt, prefix in [([], "c "), (["-NC"], "")]:
            with self.subTest(fmt=fmt):
                lines = self.run_ok(fmt + ["-v", "2", data("pairs3.wcnf")])
                cores = [CORE_LINE.fullmatch(l) for l in lines if "Found core" in l]
                self.assertEqual(len(cores), 3, lines)
                for k, m in enumerate(cores, start=1):
                    self.assertIsNotNone(m)
                    self.assertEqual(m.group(1) or "", prefix)
                    self.assertEqual(int(m.group(2)), k)
                    # Each core is followed by its bound.
                    i = lines.index(m.group(0))
                    self.assertEqual(lines[i + 1], "%sMin unsat cost LB: %d ... " % (prefix, k))
                solved = [l for l in lines if SOLUTION_LINE.fullmatch(l)]
                self.assertEqual(len(solved), 1)
                self.assertTrue(solved[0].startswith(prefix + "Found"))

    def test_unsat_hard_clauses(self):
        lines = self.run_ok([data("unsat_hard.wcnf")])
        self.assertIsNone(Oracle(read_instance(data("unsat_hard.wcnf"))).optimum)
        self.check_comp_banner(lines[:4], data("unsat_hard.wcnf"))
        rest = [l for l in lines[4:] if not LB_LINE.fullmatch(l)]
        self.assertEqual(rest[:2], ["s UNSATISFIABLE", "v "])
        self.assertEqual(len(rest), 3)
        self.assert_cpu_line(rest[2])
        self.assertFalse(any(l.startswith("o ") for l in lines))

        lines = self.run_ok(["-NC", data("unsat_hard.wcnf")])
        self.assertEqual(lines[-1], "Minimum cost of unsatisfied clauses: -1")

    def test_empty_instance(self):
        lines = self.run_ok(["-v", "0", data("empty.cnf")])
        self.assertEqual(lines[:3], ["o 0", "s OPTIMUM FOUND", "v "])

    def test_gzip_input_reads_like_plain(self):
        def masked(lines):
            return [re.sub(CPU + "$", "T", l) for l in lines]

        for name in ["weighted.wcnf", "plain.cnf", "unsat_hard.wcnf", "partial.pmcnf"]:
            with self.subTest(name=name):
                gz = os.path.join(self.tmp, name + ".gz")
                with open(data(name), "rb") as src, gzip.open(gz, "wb") as dst:
                    dst.write(src.read())
                for opts in (["-v", "2", "-u"], ["-s", "all", "-v", "10"]):
                    plain = masked(self.run_ok(opts + [data(name)])[4:])
                    packed = masked(self.run_ok(opts + [gz])[4:])
                    self.assertEqual(plain, packed, opts)


class Banners(DriverTest):
    def test_competition_banner(self):
        lines = self.run_ok([data("sat.cnf")])
        self.check_comp_banner(lines[:4], data("sat.cnf"))

    def test_plain_banner_and_result(self):
        # "-NC": "Running instance: ", progress lines without "c ", one result line; no model
        # and no CPU time.
        path = data("pairs3.wcnf")
        lines = self.run_ok(["-NC", path])
        self.assertEqual(lines[0], "Running instance: " + path)
        self.assertEqual(lines[-1], "Minimum cost of unsatisfied clauses: 3")
        self.check_lb_lines(lines[1:-1], 3, prefix="")
        self.assertFalse(any("CPU" in l or l.startswith("v ") for l in lines))

    def test_plain_format_model_at_verbosity_10(self):
        for name in ["pairs3.wcnf", "weighted.wcnf", "partial.pmcnf", "sat.cnf"]:
            with self.subTest(name=name):
                oracle = Oracle(read_instance(data(name)))
                lines = self.run_ok(["-NC", "-w", "-v", "10", data(name)])
                self.assertEqual(lines[0], "Running instance: " + data(name))
                self.assertRegex(lines[1], r"^Parsing\.\.\. \.\.\. Done\. CPU time " + CPU + "$")
                i = lines.index("Minimum cost of unsatisfied clauses: %d" % oracle.optimum)
                self.assertEqual(len(lines), i + 2)
                prefix = CUBE_LINE + ": "
                self.assertTrue(lines[i + 1].startswith(prefix), lines)
                model = lines[i + 1][len(prefix):]
                self.assertEqual(model, "".join("%d " % l for l in literals_of(model)))
                # Only the input variables are listed.
                self.check_model(oracle.inst, literals_of(model), oracle.optimum, name)

    def test_plain_format_without_w_prints_no_model(self):
        lines = self.run_ok(["-NC", "-v", "10", data("pairs3.wcnf")])
        self.assertEqual(lines[-1], "Minimum cost of unsatisfied clauses: 3")
        self.assertFalse(any(CUBE_LINE in l for l in lines))

    def test_log_banner(self):
        cwd = os.path.join(self.tmp, "log")
        os.makedirs(cwd, exist_ok=True)
        log = os.path.join(cwd, "quarnel.log")
        with open(log, "w") as f:
            f.write("old content that must go\n" * 10)
        lines = self.run_ok(["-l", data("sat.cnf")], cwd=cwd)
        self.assertEqual(lines[0], "c *** Quarnel MaxSAT Solver ***")
        self.assertRegex(lines[1], r"^c \*\*\* Quarnel, version \d+(\.\d+)+, distrib \d{4}-\d{2}-\d{2}, built [^*]+ \*\*\*$")
        self.assertRegex(lines[2], r"^c \*\*\* [^*]+ \*\*\*$")
        self.assertEqual(lines[3], "c ")
        self.assertEqual(lines[4], "o 0")
        with open(log) as f:
            self.assertEqual(f.read().splitlines(), lines[:4])
        # The same version and contact as in the competition banner.
        comp = self.run_ok([data("sat.cnf")])
        version = re.search(r"version (\S+),", comp[0]).group(1)
        self.assertIn("version %s," % version, lines[1])
        contact = re.search(r"\(([^()]+)\) \*\*\*$", comp[1]).group(1)
        self.assertEqual(lines[2], "c *** %s ***" % contact)

    def test_no_log_file_at_verbosity_0(self):
        cwd = os.path.join(self.tmp, "nolog")
        os.makedirs(cwd, exist_ok=True)
        lines = self.run_ok(["-l", "-v", "0", data("sat.cnf")], cwd=cwd)
        self.assertEqual(lines[0], "o 0")
        self.assertFalse(os.path.exists(os.path.join(cwd, "quarnel.log")))


class UnsatClauseListing(DriverTest):
    def listed(self, lines, prefix):
        i = lines.index(prefix + "Unsat Clauses:")
        out = []
        for line in lines[i + 1:]:
            if not re.fullmatch(re.escape(prefix) + r"(-?\d+ )*0", line):
                break
            out.append(tuple(literals_of(line[len(prefix):])[:-1]))
        return i, out

    def test_listing_in_both_formats(self):
        for name in ["pairs3.wcnf", "weighted.wcnf", "partial.pmcnf", "plain.cnf", "sat.cnf"] + \
                [os.path.basename(p) for p in self.random_paths]:
            path = data(name) if os.path.exists(data(name)) else os.path.join(self.tmp, name)
            oracle = Oracle(read_instance(path))
            if oracle.optimum is None:
                continue
            soft = {tuple(c) for _, c in oracle.inst.soft}
            with self.subTest(name=name, fmt="competition"):
                lines = self.run_ok(["-u", path])
                _, result = self.split_default_run(lines[:lines.index("c Unsat Clauses:")] + lines[-1:],
                                                   path)
                self.assertEqual(result[0], "o %d" % oracle.optimum)
                lits = self.check_v_line(result[2])
                self.check_model(oracle.inst, lits, oracle.optimum, name)
                i, listed = self.listed(lines, "c ")
                # Between the "v" line and the CPU time line.
                self.assertEqual(lines[i - 1], result[2])
                self.assertEqual(i + len(listed) + 2, len(lines))
                self.assert_cpu_line(lines[-1])
                values = model_values(lits)
                falsified = {tuple(oracle.inst.soft[j][1]) for j in falsified_soft(oracle.inst, values)}
                # Every falsified soft clause is listed, and only input clauses are listed
                # (relaxation literals are cut off).
                self.assertLessEqual(falsified, set(listed), lines)
                self.assertLessEqual(set(listed), soft, lines)
                if name in ("pairs3.wcnf", "partial.pmcnf"):
                    self.assertEqual(set(listed), falsified)
            with self.subTest(name=name, fmt="plain"):
                lines = self.run_ok(["-NC", "-u", path])
                i = lines.index("Minimum cost of unsatisfied clauses: %d" % oracle.optimum)
                self.assertEqual(lines[i + 1], "Unsat Clauses:")
                _, listed = self.listed(lines, "")
                self.assertEqual(i + len(listed) + 2, len(lines))
                self.assertLessEqual(set(listed), soft, lines)
                self.assertEqual(len(listed) == 0, oracle.optimum == 0)

    def test_listing_without_a_stored_model_is_empty(self):
        # "-NC" after "-u" switches the model off again: nothing can be found unsatisfied.
        lines = self.run_ok(["-u", "-NC", data("pairs3.wcnf")])
        self.assertEqual(lines[-2:], ["Minimum cost of unsatisfied clauses: 3", "Unsat Clauses:"])

    def test_listing_after_unsat_hard_clauses_is_empty(self):
        lines = self.run_ok(["-u", data("unsat_hard.wcnf")])
        i = lines.index("s UNSATISFIABLE")
        self.assertEqual(lines[i + 1:i + 3], ["v ", "c Unsat Clauses:"])
        self.assert_cpu_line(lines[i + 3])


class Enumeration(DriverTest):
    def enumerate(self, path, opts):
        """Runs an enumeration; returns (cube lines, the cost line values, count line values,
        all lines)."""
        lines = self.run_ok(opts + [path])
        cubes = [l for l in lines if l.startswith(CUBE_LINE)]
        costs = [l for l in lines if l.startswith("Minimum number of unsatisfied clauses: ")]
        counts = [l for l in lines if l.startswith("Number of model cubes: ")]
        # Enumeration prints none of the single-run result lines.
        self.assertFalse(any(l.startswith(("o ", "s ", "v ")) or CPU_LINE.fullmatch(l) for l in lines))
        return cubes, costs, counts, lines

    def test_counts_for_0_2_all(self):
        # Cubes over relaxation variables ("-sr", the default) and over input variables
        # ("-so"); the expected numbers come from the oracle, see the module comment.
        for name in ["pairs3.wcnf", "pair_free.wcnf", "sat.cnf"]:
            oracle = Oracle(read_instance(data(name)))
            sr_cubes = len(oracle.falsified_sets) if oracle.optimum > 0 else 1
            so_cubes = len(oracle.optimal)
            for basis, total in [("-sr", sr_cubes), ("-so", so_cubes), (None, sr_cubes)]:
                opts = [basis] if basis else []
                for n in ["0", "1", "2", "5", "all"]:
                    with self.subTest(name=name, basis=basis, n=n):
                        expect = total if n == "all" else min(int(n), total)
                        cubes, costs, counts, lines = self.enumerate(data(name), opts + ["-s", n, "-v", "2"])
                        self.assertEqual(len(cubes), expect, lines)
                        self.assertTrue(all(c == CUBE_LINE for c in cubes))
                        self.assertEqual(counts, ["Number of model cubes: %d" % expect])
                        self.assertEqual(lines[-1], counts[0])
                        if expect == 0:
                            self.assertEqual(costs, [])
                        else:
                            self.assertEqual(costs, ["Minimum number of unsatisfied clauses: %d"
                                                     % oracle.optimum])
                            # Right after the first cube line.
                            self.assertEqual(lines[lines.index(cubes[0]) + 1], costs[0])

    def test_count_line_needs_verbosity_2(self):
        for n in ["0", "2", "all"]:
            with self.subTest(n=n):
                cubes, _, counts, _ = self.enumerate(data("pairs3.wcnf"), ["-s", n])
                self.assertEqual(len(cubes), {"0": 0, "2": 2, "all": 8}[n])
                self.assertEqual(counts, [])

    def test_example_optimum_3_two_cubes(self):
        cubes, costs, counts, lines = self.enumerate(data("pairs3.wcnf"), ["-s", "2"])
        self.assertEqual(cubes, [CUBE_LINE] * 2)
        self.assertEqual(costs, ["Minimum number of unsatisfied clauses: 3"])
        self.assertEqual(lines.index(costs[0]), lines.index(CUBE_LINE) + 1)
        self.assertEqual(counts, [])

    def cube_models(self, path, basis, n="all"):
        cubes, costs, counts, lines = self.enumerate(path, [basis, "-s", n, "-v", "10"])
        prefix = CUBE_LINE + ": "
        models = []
        for line in cubes:
            self.assertTrue(line.startswith(prefix), line)
            models.append(literals_of(line[len(prefix):]))
        self.assertEqual(counts, ["Number of model cubes: %d" % len(cubes)])
        return models, costs

    def test_cubes_are_the_optimal_assignments(self):
        for path in [data(n) for n in ["pairs3.wcnf", "pair_free.wcnf", "sat.cnf", "empty.cnf",
                                       "weighted.wcnf", "partial.pmcnf", "plain.cnf"]] + self.random_paths:
            inst = read_instance(path)
            oracle = Oracle(inst)
            if oracle.optimum is None:
                continue
            # Every variable occurs in a clause, so every cube gives each one a value.
            self.assertEqual(inst.vars, set(range(1, inst.nvars + 1)), path)
            for basis in ["-so", "-sr"]:
                with self.subTest(path=path, basis=basis):
                    models, costs = self.cube_models(path, basis)
                    self.assertEqual(costs, ["Minimum number of unsatisfied clauses: %d" % oracle.optimum])
                    inputs, rest = [], []
                    for m in models:
                        # At verbosity 10 a cube lists every variable, relaxation and auxiliary
                        # ones included; the input variables come first.
                        self.assertEqual([abs(l) for l in m], list(range(1, len(m) + 1)))
                        inp = [l for l in m if abs(l) <= inst.nvars]
                        self.check_model(inst, inp, oracle.optimum, "%s %s" % (path, m))
                        inputs.append(frozenset(inp))
                        rest.append(tuple(l for l in m if abs(l) > inst.nvars))
                    if basis == "-so":
                        optima = {frozenset(v if val else -v for v, val in o.items()) for o in oracle.optimal}
                        self.assertEqual(len(set(inputs)), len(inputs), "repeated cube")
                        self.assertEqual(set(inputs), optima)
                    elif oracle.optimum == 0:
                        # No relaxation variable: one cube.
                        self.assertEqual(len(models), 1)
                    else:
                        # Distinct values of the relaxation variables imply distinct tails.
                        self.assertEqual(len(set(rest)), len(rest), "repeated cube")

    def test_relaxation_cubes_on_pair_instances(self):
        # One cube per set of falsified soft clauses (see the module comment).
        for name in ["pairs3.wcnf", "pair_free.wcnf"]:
            inst = read_instance(data(name))
            oracle = Oracle(inst)
            with self.subTest(name=name):
                models, _ = self.cube_models(data(name), "-sr")
                sets = {falsified_soft(inst, model_values([l for l in m if abs(l) <= inst.nvars]))
                        for m in models}
                self.assertEqual(sets, oracle.falsified_sets)
                self.assertEqual(len(models), len(sets))

    def test_last_basis_option_wins(self):
        so = len(Oracle(read_instance(data("pair_free.wcnf"))).optimal)
        cubes, _, _, _ = self.enumerate(data("pair_free.wcnf"), ["-sr", "-so", "-s", "all"])
        self.assertEqual(len(cubes), so)
        cubes, _, _, _ = self.enumerate(data("pair_free.wcnf"), ["-so", "-sr", "-s", "all"])
        self.assertEqual(len(cubes), 2)

    def test_enumeration_plain_format_has_no_prefix(self):
        # Without the competition format no model is kept for results; enumeration keeps one
        # all the same, since excluding a cube needs it.
        for basis, total in [("-sr", 2), ("-so", 6)]:
            with self.subTest(basis=basis):
                cubes, costs, counts, lines = self.enumerate(
                    data("pair_free.wcnf"), ["-NC", basis, "-s", "all", "-v", "2"])
                self.assertEqual(len(cubes), total)
                self.assertEqual(costs, ["Minimum number of unsatisfied clauses: 1"])
                self.assertEqual(counts, ["Number of model cubes: %d" % total])
                self.assertEqual(lines[0], "Running instance: " + data("pair_free.wcnf"))
                self.assertFalse(any(l.startswith("c ") for l in lines), lines)

    def test_enumeration_lists_no_unsat_clauses(self):
        cubes, _, _, lines = self.enumerate(data("pairs3.wcnf"), ["-u", "-s", "all"])
        self.assertEqual(len(cubes), 8)
        self.assertFalse(any("Unsat Clauses:" in l for l in lines))

    def test_bmo_mode_takes_precedence(self):
        p = run(["-s", "all", "-bmo", data("pairs3.wcnf")])
        self.assertEqual(p.returncode, 1)
        self.assertNotIn(CUBE_LINE, p.stdout)
        self.assertIn("c Terminating...", p.stdout.splitlines())


BMO_CASES = [
    ("bmo_complete.wcnf", "Validated complete BMO condition"),
    ("bmo_partial.wcnf", "Validated partial BMO condition"),
    ("bmo_none.wcnf", "No BMO condition holds"),
    ("bmo_partial_maxsat.pmcnf", "No BMO condition holds"),
    ("bmo_over_2p31.wcnf", "Validated complete BMO condition"),
    ("bmo_wrap_2p32.wcnf", "No BMO condition holds"),
    ("bmo_wrap_2p64.wcnf", "No BMO condition holds"),
    ("bmo_sum_over_2p64.wcnf", "Validated partial BMO condition"),
]
BMO_WARNING = "QRN WARN: No BMO condition identified; running default Weighted MaxSAT solver"


class BmoMode(DriverTest):
    def test_verdicts_gating_and_exit_status(self):
        for name, verdict in BMO_CASES:
            for fmt, prefix in [([], "c "), (["-NC"], "")]:
                for v in ["0", "3", "4"]:
                    with self.subTest(name=name, fmt=fmt, v=v):
                        p = run(fmt + ["-bmo", "-v", v, data(name)])
                        self.assertEqual(p.returncode, 1, p.stdout)
                        self.assertEqual(p.stderr, "")
                        lines = p.stdout.splitlines()
                        start = lines.index("c Entering BMO checking & solving...")
                        banner = lines[:start]
                        if v == "0":
                            self.assertEqual(banner, [])
                        elif fmt:
                            self.assertEqual(banner[0], "Running instance: " + data(name))
                        else:
                            self.check_comp_banner(banner, data(name))
                        body = lines[start + 1:]
                        self.assert_cpu_line(body[0])
                        self.assert_cpu_line(body[-1])
                        self.assertEqual(body[-2], "c Terminating...")
                        middle = body[1:-2]
                        expect = []
                        if int(v) > 3:
                            expect.append(prefix + verdict)
                        if verdict.startswith("No"):
                            expect.append(BMO_WARNING)
                        self.assertEqual(middle, expect)


class ExitStatuses(DriverTest):
    def test_statuses(self):
        usage_first = "quarnel: maxsat solver based on unsat cores & card constraints"
        cases = [
            # (arguments, status, a line the output must contain, stream)
            ([], 1, usage_first, "out"),
            (["-h"], 1, usage_first, "out"),
            (["-v", "2", "-h"], 1, usage_first, "out"),
            (["-v", "2"], 3, " WARN: Options but no file name provided? Terminating...", "out"),
            (["-u", "-v"], 3, " WARN: Options but no file name provided? Terminating...", "out"),
            (["-r", "9.9", data("sat.cnf")], 3, " ERROR: Invalid QRN release", "out"),
            (["-a", "7", data("sat.cnf")], 3, " ERROR: Invalid QRN algorithm", "out"),
            (["-e", "z", data("sat.cnf")], 3, " ERROR: Invalid CNF encoding", "out"),
            ([data("no_such_file.cnf")], 3, "QRN ERROR: Could not open file: " + data("no_such_file.cnf"), "out"),
            ([data("no_format_line.cnf")], 1, "File without format line", "out"),
            ([data("unknown_format.cnf")], 3, "QRN ERROR: Invalid file format. Should be <cnf|wcnf|pmcnf>", "out"),
            ([data("parse_error.cnf")], 3, "PARSE ERROR! Unexpected char: x", "err"),
            ([data("softcnf_relax.scnf")], 3, "QRN ERROR: Currently unable to solve SoftCNF problems", "out"),
            (["-T", "0", data("pairs3.wcnf")], 3, "QRN WARN: CPU time exceeded", "out"),
            # More memory than the machine has: refused before the SAT solver is built.
            ([data("huge_variable.cnf")], 3, "QRN ERROR: Out of memory", "out"),
            (["-bmo", data("bmo_complete.wcnf")], 1, "c Terminating...", "out"),
        ]
        for args, status, line, stream in cases:
            with self.subTest(args=args):
                p = run(args)
                self.assertEqual(p.returncode, status, p.stdout + p.stderr)
                text = p.stdout if stream == "out" else p.stderr
                self.assertIn(line, text.splitlines())
                # A fatal end prints no result line.
                self.assertFalse(any(l.startswith(("o ", "s ")) for l in p.stdout.splitlines()))

    def test_timeout_stops_after_the_first_core(self):
        lines = run(["-T", "0", "-v", "2", data("pairs3.wcnf")]).stdout.splitlines()
        self.assertEqual(lines[-1], "QRN WARN: CPU time exceeded")
        self.assertIsNotNone(CORE_LINE.fullmatch(lines[-2]), lines)
        self.assertFalse(any(LB_LINE.fullmatch(l) for l in lines))

    def test_timeout_0_without_relaxation_is_a_normal_run(self):
        for name in ["sat.cnf", "empty.cnf"]:
            with self.subTest(name=name):
                lines = self.run_ok(["-T", "0", "-v", "0", data(name)])
                self.assertEqual(lines[:2], ["o 0", "s OPTIMUM FOUND"])

    def test_valid_locked_values_run_the_defaults(self):
        # Valid release, algorithm and encoding values are accepted and change nothing.
        default = self.run_ok(["-v", "0", data("plain.cnf")])
        locked = self.run_ok(["-r", "2.0", "-a", "3", "-e", "c", "-v", "0", data("plain.cnf")])
        self.assertEqual(default[:3], locked[:3])

    def test_options_after_the_file_name_are_ignored(self):
        lines = self.run_ok([data("sat.cnf"), "-v", "0"])
        self.check_comp_banner(lines[:4], data("sat.cnf"))



# ----------------------------------------------------------------------------------------------

LB_UB_LINE = re.compile(r"c LB: (\d+), UB: (\d+|-)")


def max3sat_text(seed, nvars, nclauses):
    """A random unweighted Max-3-SAT instance: hard for core-guided search at this size."""
    rng = random.Random(seed)
    lines = ["p cnf %d %d" % (nvars, nclauses)]
    for _ in range(nclauses):
        lines.append(" ".join(str(v if rng.random() < 0.5 else -v)
                              for v in rng.sample(range(1, nvars + 1), 3)) + " 0")
    return "\n".join(lines) + "\n"


class IncrementalEngine(DriverTest):
    """Runs with "-oll": the same result lines, "o" lines for every better model."""

    def all_paths(self):
        return [data(n) for n in SOLVABLE + ["unsat_hard.wcnf"]] + self.random_paths

    def check_oll_run(self, path, lines, oracle):
        """Banner, progress and "o" lines, then the result lines; returns the model."""
        self.check_comp_banner(lines[:4], path)
        body = lines[4:]
        status = [i for i, l in enumerate(body) if l.startswith("s ")]
        self.assertEqual(len(status), 1, lines)
        progress, result = body[:status[0]], body[status[0]:]
        costs = []
        for line in progress:
            if line.startswith("o "):
                costs.append(int(line[2:]))
            else:
                self.assertIsNotNone(LB_UB_LINE.fullmatch(line), line)
        self.assertEqual(costs, sorted(set(costs), reverse=True), "o lines must decrease")
        self.assert_cpu_line(result[-1])
        if oracle.optimum is None:
            self.assertEqual(costs, [])
            self.assertEqual(result[:2], ["s UNSATISFIABLE", "v "])
            return None
        self.assertEqual(result[0], "s OPTIMUM FOUND")
        self.assertEqual(costs[-1], oracle.optimum)
        lits = self.check_v_line(result[1])
        self.check_model(oracle.inst, lits, oracle.optimum, path)
        return lits

    def test_optimum_and_model_on_every_instance(self):
        for path in self.all_paths():
            with self.subTest(path=path):
                oracle = Oracle(read_instance(path))
                lines = self.run_ok(["-oll", path])
                self.check_oll_run(path, lines, oracle)
                # Verbosity 0 leaves out the progress comments, not the "o" lines.
                quiet = self.run_ok(["-oll", "-v", "0", path])
                self.assertFalse(any(l.startswith("c LB") for l in quiet), quiet)
                self.assertEqual([l for l in quiet if l.startswith(("o ", "s "))],
                                 [l for l in lines if l.startswith(("o ", "s "))])

    def test_plain_format(self):
        for path in self.all_paths():
            with self.subTest(path=path):
                oracle = Oracle(read_instance(path))
                lines = self.run_ok(["-oll", "-NC", "-v", "0", path])
                cost = -1 if oracle.optimum is None else oracle.optimum
                self.assertEqual(lines, ["Minimum cost of unsatisfied clauses: %d" % cost])

    def test_listed_clauses_are_exactly_the_falsified_ones(self):
        for path in self.all_paths():
            oracle = Oracle(read_instance(path))
            if oracle.optimum is None:
                continue
            with self.subTest(path=path):
                lines = self.run_ok(["-oll", "-u", path])
                i = lines.index("c Unsat Clauses:")
                lits = self.check_v_line(lines[i - 1])
                listed = [tuple(literals_of(l[2:])[:-1]) for l in lines[i + 1:-1]]
                self.assert_cpu_line(lines[-1])
                values = model_values(lits)
                falsified = [tuple(oracle.inst.soft[j][1]) for j in falsified_soft(oracle.inst, values)]
                self.assertEqual(sorted(listed), sorted(falsified))

    def test_enumeration_counts_match_exhaustive_search(self):
        # Every variable of these instances occurs in a clause, so "-so" tells the optimal
        # assignments apart and "-sr" their sets of falsified soft clauses.
        for path in [data(n) for n in ["pairs3.wcnf", "pair_free.wcnf", "sat.cnf", "weighted.wcnf",
                                       "partial.pmcnf", "plain.cnf"]] + self.random_paths:
            inst = read_instance(path)
            oracle = Oracle(inst)
            if oracle.optimum is None:
                continue
            for basis, want in [("-sr", len(oracle.falsified_sets)), ("-so", len(oracle.optimal))]:
                with self.subTest(path=path, basis=basis):
                    lines = self.run_ok(["-oll", basis, "-s", "all", "-v", "10", path])
                    self.assertFalse(any(l.startswith(("o ", "s ", "v ")) for l in lines), lines)
                    self.assertEqual(lines[-1], "Number of model cubes: %d" % want)
                    self.assertIn("Minimum number of unsatisfied clauses: %d" % oracle.optimum, lines)
                    cubes = [literals_of(l.split(":", 1)[1]) for l in lines if l.startswith(CUBE_LINE)]
                    keys = []
                    for lits in cubes:
                        self.check_model(inst, lits, oracle.optimum, "%s %s" % (path, lits))
                        values = model_values(lits)
                        keys.append(falsified_soft(inst, values) if basis == "-sr" else frozenset(lits))
                    self.assertEqual(len(set(keys)), want, "repeated cube")
                    two = self.run_ok(["-oll", basis, "-s", "2", "-v", "2", path])
                    self.assertEqual(two[-1], "Number of model cubes: %d" % min(2, want))

    def test_time_budget_prints_the_best_model_and_exits_3(self):
        path = os.path.join(self.tmp, "max3sat.cnf")
        with open(path, "w") as f:
            f.write(max3sat_text(5, 70, 800))
        inst = read_instance(path)
        proc = subprocess.Popen([QUARNEL, "-oll", "-T", "1", path], stdout=subprocess.PIPE, text=True)
        out, _ = proc.communicate(timeout=120)
        _, status, usage = os.wait4(proc.pid, 0) if proc.returncode is None else (0, 0, None)
        lines = out.splitlines()
        self.assertEqual(proc.returncode, 3, out[-300:])
        self.assertEqual(lines[-1], "QRN WARN: CPU time exceeded")
        self.assertIn(lines[-3] if lines[-3].startswith("s ") else lines[-2],
                      ["s SATISFIABLE", "s UNKNOWN"])
        if "s SATISFIABLE" in lines:
            costs = [int(l[2:]) for l in lines if l.startswith("o ")]
            self.check_model(inst, self.check_v_line(lines[-2]), costs[-1], path)

    def test_refusals(self):
        p = run(["-oll", data("softcnf_relax.scnf")])
        self.assertEqual(p.returncode, 3)
        self.assertEqual(p.stdout.splitlines()[-1], "QRN ERROR: Currently unable to solve SoftCNF problems")


if __name__ == "__main__":
    if len(sys.argv) < 2:
        sys.exit(__doc__)
    QUARNEL = os.path.abspath(sys.argv[1])
    unittest.main(argv=[sys.argv[0]] + sys.argv[2:])
