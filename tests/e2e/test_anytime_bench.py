#!/usr/bin/env python3
"""Tests of bench/anytime with stand-in solvers that print "o" lines and sleep, and of the
instance generators' cardinality encodings against exhaustive search.

The stand-ins decide what to do from their own name and the instance's: answer on SIGTERM,
ignore SIGTERM until SIGKILL ends them, or print a model that does not cost what they claim.
The benchmark must then stop each run at the deadline, score the last "o" line, count "o"
lines without a model as no answer, and fail loudly on a wrong model.
"""

import itertools
import os
import shutil
import signal
import stat
import subprocess
import sys
import tempfile
import time
import unittest

ROOT = os.path.abspath(os.path.join(os.path.dirname(__file__), "..", ".."))
sys.path.insert(0, os.path.join(ROOT, "tools"))
sys.path.insert(0, os.path.join(ROOT, "bench", "gen"))
import brute_force  # noqa: E402
import families  # noqa: E402
import maxsat_reader  # noqa: E402
from wcnf_builder import WcnfBuilder  # noqa: E402

# Optimum 2 (x2 true, x1 and x3 false); a second file with the same clauses.
INSTANCE = "p wcnf 3 4 10\n10 1 2 0\n10 -1 3 0\n2 -2 0\n5 -3 0\n"

STUB = r'''#!/usr/bin/env python3
import os, signal, sys, time
me = os.path.basename(sys.argv[0])
inst = os.path.basename(sys.argv[-1])
def say(text):
    sys.stdout.write(text)
    sys.stdout.flush()
def answer_and_exit(text, code):
    def handler(signum, frame):
        say(text)
        os._exit(code)
    return handler
if me == "quarnel":
    say("c stand-in\no 4\n")
    if "a.wcnf" in inst:    # keeps its answer when stopped
        signal.signal(signal.SIGTERM, answer_and_exit("o 2\ns SATISFIABLE\nv -1 2 -3 \n", 3))
    elif "b.wcnf" in inst:  # "o" lines only, and deaf to SIGTERM
        signal.signal(signal.SIGTERM, signal.SIG_IGN)
    elif "d.wcnf" in inst:  # tells where it runs, to see that it is stopped
        with open(sys.argv[-1] + ".pid", "w") as f:
            f.write(str(os.getpid()))
    else:                   # a model that does not cost what the "o" line says
        signal.signal(signal.SIGTERM, answer_and_exit("o 1\ns SATISFIABLE\nv -1 2 -3 \n", 3))
else:
    say("o 7\no 5\n")
    if "a.wcnf" in inst:
        signal.signal(signal.SIGTERM, signal.SIG_IGN)
    else:
        say("o 2\ns OPTIMUM FOUND\n")
        sys.exit(30)
while True:
    time.sleep(0.05)
'''


class AnytimeRun(unittest.TestCase):
    def setUp(self):
        self.dir = tempfile.mkdtemp()
        self.peers = os.path.join(self.dir, "peers")
        os.makedirs(self.peers)
        self.quarnel = os.path.join(self.dir, "quarnel")
        for path in (self.quarnel, os.path.join(self.peers, "open-wbo")):
            with open(path, "w") as f:
                f.write(STUB)
            os.chmod(path, os.stat(path).st_mode | stat.S_IXUSR)
        self.files = {}
        for name in ("a.wcnf", "b.wcnf", "c.wcnf", "d.wcnf"):
            self.files[name] = os.path.join(self.dir, name)
            with open(self.files[name], "w") as f:
                f.write(INSTANCE)

    def tearDown(self):
        shutil.rmtree(self.dir)

    def command(self, names, *extra):
        return [sys.executable, os.path.join(ROOT, "bench", "anytime"), "--bin", self.quarnel,
                "--peers-dir", self.peers, "--peers", "open-wbo", "--deadline", "2", "--grace", "1",
                "--work-dir", os.path.join(self.dir, "work"), "--bench-dir", os.path.join(self.dir, "none"),
                "--instances"] + [self.files[n] for n in names] + list(extra)

    def run_anytime(self, names, *extra):
        return subprocess.run(self.command(names, *extra), stdout=subprocess.PIPE, stderr=subprocess.STDOUT,
                              text=True, check=False)

    def test_stops_scores_and_counts_lost_answers(self):
        tsv = os.path.join(self.dir, "rows.tsv")
        res = self.run_anytime(["a.wcnf", "b.wcnf"], "--tsv", tsv)
        self.assertEqual(res.returncode, 0, res.stdout)
        self.assertRegex(res.stdout, r"a\.wcnf +- +2 +5\n")
        self.assertRegex(res.stdout, r"b\.wcnf +- +lost:4 +2\*\n")
        # a: best 2, quarnel 1.0, peer 3/6; b: quarnel lost (0), peer 1.0.
        self.assertRegex(res.stdout, r"quarnel -oll score 0\.500; answers 1/2, proven optimum 0, lost 1, "
                                     r"wrong 0; stopped by SIGTERM 1, needed SIGKILL 1")
        self.assertRegex(res.stdout, r"open-wbo +score 0\.750; answers 2/2, proven optimum 1, lost 0, "
                                     r"wrong 0; stopped by SIGTERM 0, needed SIGKILL 1")
        with open(tsv) as f:
            rows = [line.rstrip("\n").split("\t") for line in f][1:]
        signals = {(r[0], r[2]): r[7] for r in rows}
        self.assertEqual(signals, {("a.wcnf", "quarnel -oll"): "TERM", ("a.wcnf", "open-wbo"): "TERM,KILL",
                                   ("b.wcnf", "quarnel -oll"): "TERM,KILL", ("b.wcnf", "open-wbo"): "-"})
        # The peers read a normalised copy, made once and reused.
        copies = os.listdir(os.path.join(self.dir, "work", "normalised"))
        self.assertEqual(len(copies), 2, copies)

    def test_wrong_model_fails_the_run(self):
        res = self.run_anytime(["c.wcnf"], "--peers", "")
        self.assertEqual(res.returncode, 1, res.stdout)
        self.assertIn("WRONG ANSWER of quarnel -oll", res.stdout)
        self.assertIn("\"o 1\" but the falsified soft clauses weigh 2", res.stdout)

    def test_stopping_the_benchmark_stops_its_solver(self):
        bench = subprocess.Popen(self.command(["d.wcnf"], "--deadline", "60"), stdout=subprocess.DEVNULL,
                                 stderr=subprocess.DEVNULL)
        pid_file = self.files["d.wcnf"] + ".pid"
        for _ in range(200):
            if os.path.exists(pid_file) and os.path.getsize(pid_file):
                break
            time.sleep(0.05)
        with open(pid_file) as f:
            solver = int(f.read())
        bench.terminate()
        bench.wait(timeout=10)
        for _ in range(100):
            if not os.path.exists("/proc/%d" % solver) or self.is_zombie(solver):
                break
            time.sleep(0.05)
        stopped = not os.path.exists("/proc/%d" % solver) or self.is_zombie(solver)
        if not stopped:
            os.kill(solver, signal.SIGKILL)
        self.assertTrue(stopped, "the stand-in solver outlived the benchmark")

    @staticmethod
    def is_zombie(pid):
        try:
            with open("/proc/%d/stat" % pid) as f:
                return f.read().rsplit(")", 1)[1].split()[0] == "Z"
        except OSError:
            return True


class CardinalityEncodings(unittest.TestCase):
    """at_most(k) over n inputs, with a soft clause "x_i" each: the optimum is n - k, and every
    choice of at most k true inputs extends to a model of the hard clauses."""

    def test_at_most_k_against_exhaustive_search(self):
        for n, k in [(3, 1), (5, 1), (5, 2), (4, 3), (5, 4), (7, 1)]:
            with self.subTest(n=n, k=k):
                b = WcnfBuilder()
                xs = b.new_vars(n)
                if k == 1:
                    b.at_most_one(xs)
                else:
                    b.at_most(xs, k)
                for x in xs:
                    b.soft(1, [x])
                self.assertEqual(self.optimum(b), n - k)
                for true in itertools.chain.from_iterable(itertools.combinations(xs, m) for m in range(k + 1)):
                    fixed = WcnfBuilder()
                    fixed.nvars, fixed.hard_clauses = b.nvars, list(b.hard_clauses)
                    for x in xs:
                        fixed.hard([x if x in true else -x])
                    self.assertEqual(self.optimum(fixed), 0, true)

    @staticmethod
    def optimum(builder):
        return brute_force.solve(maxsat_reader.parse_bytes(builder.text().encode())).optimum


class Generators(unittest.TestCase):
    def test_same_seed_same_instance_other_seed_other_instance(self):
        small = {"seating": (12, 3), "sumcol": (12, 30), "timetabling": (2, 2, 4), "randwpms": (20, 20, 30),
                 "setcover": (15, 12, 3)}
        for name, module in families.FAMILIES.items():
            with self.subTest(name):
                first = module.generate(3, small[name]).text()
                self.assertEqual(first, module.generate(3, small[name]).text())
                self.assertNotEqual(first, module.generate(4, small[name]).text())
                maxsat_reader.parse_bytes(first.encode())

    def test_seed_sets_are_disjoint(self):
        dev = families.SEED_SETS["dev"]
        self.assertGreater(families.SEED_SETS["holdout"], dev + 100)


if __name__ == "__main__":
    unittest.main()
