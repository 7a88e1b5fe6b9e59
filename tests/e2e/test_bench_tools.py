#!/usr/bin/env python3
"""Tests of the benchmark runner and the differential-test generator with stand-in solvers: a
runner that let a wrong answer pass, or a generator that never produced the awkward cases, would
make the real runs worthless."""

import os
import shutil
import stat
import subprocess
import sys
import tempfile
import unittest

ROOT = os.path.abspath(os.path.join(os.path.dirname(__file__), "..", ".."))
sys.path.insert(0, os.path.join(ROOT, "tools"))
import difftest  # noqa: E402
import maxsat_reader  # noqa: E402

MANIFEST = "file\tcategory\tsource_repo\tsource_path\tlicense\tnvars\tnclauses\ttop\tnhard\tnotes\n"
EXPECTED = "file\topt_std\tz3_seconds\tclass\n"
INSTANCES = {
    # name: (text, opt_std, class)
    "a.wcnf": ("p wcnf 3 4 10\n10 1 2 0\n10 -1 3 0\n2 -2 0\n5 -3 0\n", "2", "easy"),
    "u.wcnf": ("p wcnf 1 2 5\n5 1 0\n5 -1 0\n", "UNSAT", "easy"),
    "r.wcnf": ("p wcnf 1 1 18446744073709551616\n1 1 0\n", "RANGE", "easy"),
    "m.cnf": ("p cnf 1 2\n1 0\n-1 0\n", "1", "medium"),
}

# A stand-in solver: prints the answer stored for the file's base name in ANSWERS.
FAKE = r'''#!/usr/bin/env python3
import os, sys
ANSWERS = %r
name = os.path.basename(sys.argv[-1])
text, err, code = ANSWERS[name]
sys.stdout.write(text)
sys.stderr.write(err)
sys.stdout.flush()
if code < 0:
    os.kill(os.getpid(), -code)
sys.exit(code)
'''

RIGHT = {
    "a.wcnf": ("c Found core #1\no 2\ns OPTIMUM FOUND\nv -1 2 -3 \n", "", 0),
    "u.wcnf": ("s UNSATISFIABLE\nv \n", "", 0),
    "r.wcnf": ("", "PARSE ERROR! Number out of range: 18446744073709551616\n", 3),
    "m.cnf": ("o 1\ns OPTIMUM FOUND\nv 1 \n", "", 0),
}


class BenchRun(unittest.TestCase):
    def setUp(self):
        self.dir = tempfile.mkdtemp()
        self.corpus = os.path.join(self.dir, "bench")
        os.makedirs(self.corpus)
        man, exp = MANIFEST, EXPECTED
        for name, (text, opt, cls) in INSTANCES.items():
            with open(os.path.join(self.corpus, name), "w") as f:
                f.write(text)
            man += "%s\tx\t-\t-\t-\t1\t1\t-\t0\t-\n" % name
            exp += "%s\t%s\t0.1\t%s\n" % (name, opt, cls)
        with open(os.path.join(self.corpus, "MANIFEST.tsv"), "w") as f:
            f.write(man)
        with open(os.path.join(self.corpus, "EXPECTED.tsv"), "w") as f:
            f.write(exp)

    def tearDown(self):
        shutil.rmtree(self.dir)

    def run_bench(self, answers, *extra, corpus=None):
        fake = os.path.join(self.dir, "fake")
        with open(fake, "w") as f:
            f.write(FAKE % (answers,))
        os.chmod(fake, os.stat(fake).st_mode | stat.S_IXUSR)
        return subprocess.run([sys.executable, os.path.join(ROOT, "bench", "run"), "--bin", fake,
                               "--bench-dir", corpus or self.corpus, "--limit", "5"] + list(extra),
                              stdout=subprocess.PIPE, text=True, check=False)

    def test_right_answers_pass(self):
        res = self.run_bench(RIGHT)
        self.assertEqual(res.returncode, 0, res.stdout)
        self.assertIn("solved: 4/4", res.stdout)
        self.assertRegex(res.stdout, r"a\.wcnf +easy +OPT +2 +2 +yes +[0-9.]+ +2\n")

    def test_faults_fail_the_run(self):
        cases = [
            ("wrong cost", "a.wcnf", ("o 3\ns OPTIMUM FOUND\nv -1 2 -3 \n", "", 0), "WRONG"),
            ("hard clause falsified", "a.wcnf", ("o 0\ns OPTIMUM FOUND\nv -1 -2 -3 \n", "", 0), "WRONG"),
            ("unsat for a solvable file", "a.wcnf", ("s UNSATISFIABLE\nv \n", "", 0), "WRONG"),
            ("no range error", "r.wcnf", ("o 0\ns OPTIMUM FOUND\nv 1 \n", "", 0), "WRONG"),
            ("range error, exit 0", "r.wcnf", RIGHT["r.wcnf"][:2] + (0,), "WRONG"),
            ("crash", "m.cnf", ("", "", -11), "WRONG"),
        ]
        for name, file, answer, status in cases:
            with self.subTest(name):
                answers = dict(RIGHT)
                answers[file] = answer
                res = self.run_bench(answers)
                self.assertEqual(res.returncode, 1, res.stdout)
                self.assertRegex(res.stdout, r"%s +\w+ +%s" % (file.replace(".", r"\."), status))

    def test_cpu_budget_is_a_timeout_not_a_failure(self):
        answers = dict(RIGHT)
        answers["m.cnf"] = ("QRN WARN: CPU time exceeded\n", "", 3)
        res = self.run_bench(answers)
        self.assertEqual(res.returncode, 0, res.stdout)
        self.assertIn("timeouts: 1", res.stdout)

    def test_quick_runs_easy_only(self):
        res = self.run_bench(RIGHT, "--quick")
        self.assertEqual(res.returncode, 0, res.stdout)
        self.assertNotIn("m.cnf", res.stdout)
        self.assertIn("solved: 3/3", res.stdout)

    def test_missing_corpus_skips(self):
        res = self.run_bench(RIGHT, corpus=os.path.join(self.dir, "none"))
        self.assertEqual(res.returncode, 77)
        self.assertIn("no benchmark corpus", res.stdout)


class DifftestGenerator(unittest.TestCase):
    def test_deterministic(self):
        self.assertEqual(difftest.generate(5, 17, 10), difftest.generate(5, 17, 10))

    def test_covers_the_awkward_cases(self):
        seen = set()
        for i in range(400):
            fmt, text = difftest.generate(20240601, i, 10)
            seen.add(fmt)
            try:
                inst = maxsat_reader.parse_bytes(text.encode(), keep_occurrences=True)
            except maxsat_reader.ParseError as e:
                self.assertEqual(e.kind, "range", text)
                seen.add("out of range")
                continue
            lits = [l for _, l in inst.occurrences]
            if any(not l for l in lits):
                seen.add("empty clause")
            if any(maxsat_reader.is_tautology(l) for l in lits):
                seen.add("tautology")
            if inst.num_repeated:
                seen.add("repeated clause")
            if inst.num_zero:
                seen.add("zero weight")
            if inst.num_capped:
                seen.add("repeats summed to hard")
            if any(w >= 2 ** 62 for w, _ in inst.soft):
                seen.add("huge weight")
            if inst.hard and inst.soft:
                seen.add("partial")
        self.assertEqual(seen, {"cnf", "pmcnf", "wcnf", "out of range", "empty clause", "tautology",
                                "repeated clause", "zero weight", "repeats summed to hard",
                                "huge weight", "partial"})


if __name__ == "__main__":
    unittest.main()
