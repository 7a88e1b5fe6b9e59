#!/usr/bin/env python3
"""End-to-end tests of runs stopped from outside: SIGTERM or SIGINT while the solver works ends
the run with its best answer, printed by the normal path, and a second SIGINT ends it at once.

The instances are random weighted partial Max-3-SAT formulas generated here with a fixed seed:
one of 300 variables for the incremental engine (far beyond what it proves optimal in the time
these tests give it, and above the size at which it hands over to branch and bound), and one of
50 variables for the default engine, whose first SAT calls are quick but which needs hundreds of
cores. Every printed model goes through the independent checker (tools/check_solution.py).

usage: test_signals.py QUARNEL_BINARY [unittest options]
"""
import os
import random
import signal
import subprocess
import sys
import tempfile
import unittest

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, os.path.join(HERE, "..", "..", "tools"))
import check_solution  # noqa: E402

QUARNEL = None
# Generous: a run that does not end this long after the signal hangs.
HANG_SECONDS = 60


def write_hard_instance(path, seed=7, nvars=300, nsoft=3000, nhard=150):
    rng = random.Random(seed)
    top = 1000 * nsoft + 1

    def clause():
        vs = rng.sample(range(1, nvars + 1), 3)
        return " ".join(str(v if rng.random() < 0.5 else -v) for v in vs)

    with open(path, "w") as f:
        f.write("p wcnf %d %d %d\n" % (nvars, nsoft + nhard, top))
        for _ in range(nhard):
            f.write("%d %s 0\n" % (top, clause()))
        for _ in range(nsoft):
            f.write("%d %s 0\n" % (rng.randint(1, 1000), clause()))


class StoppedRuns(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.tmp = tempfile.TemporaryDirectory()
        cls.instance = os.path.join(cls.tmp.name, "hard.wcnf")
        write_hard_instance(cls.instance)
        cls.many_cores = os.path.join(cls.tmp.name, "many-cores.wcnf")
        write_hard_instance(cls.many_cores, nvars=50, nsoft=500, nhard=10)

    @classmethod
    def tearDownClass(cls):
        cls.tmp.cleanup()

    def run_until(self, args, marker, signals, instance=None):
        """Starts quarnel, waits for the first output line that starts with `marker`, sends
        `signals` one after the other and returns (exit status, whole standard output)."""
        proc = subprocess.Popen([QUARNEL] + args + [instance or self.instance], stdout=subprocess.PIPE,
                                stderr=subprocess.PIPE, text=True)
        lines = []
        for line in proc.stdout:
            lines.append(line)
            if line.startswith(marker):
                break
        self.assertTrue(lines and lines[-1].startswith(marker),
                        "the run ended before printing %r:\n%s" % (marker, "".join(lines)))
        for sig in signals:
            proc.send_signal(sig)
        try:
            rest, _ = proc.communicate(timeout=HANG_SECONDS)
        except subprocess.TimeoutExpired:
            proc.kill()
            proc.communicate()
            self.fail("the run did not end after %s" % signals)
        return proc.returncode, "".join(lines) + rest

    def assert_stopped_with_model(self, status, out):
        self.assertEqual(status, 3, out[-2000:])
        self.assertIn("s SATISFIABLE\n", out)
        self.assertTrue(out.rstrip().endswith("QRN WARN: CPU time exceeded"), out[-500:])
        verdict = check_solution.check(self.instance, out)
        self.assertEqual(verdict.code, check_solution.OK, verdict.summary())

    def test_sigterm_after_first_upper_bound_prints_the_best_model(self):
        status, out = self.run_until(["-oll"], "o ", [signal.SIGTERM])
        self.assert_stopped_with_model(status, out)

    def test_sigint_and_sigxcpu_stop_like_sigterm(self):
        for sig in (signal.SIGINT, signal.SIGXCPU):
            with self.subTest(signal=sig):
                status, out = self.run_until(["-oll", "-v", "0"], "o ", [sig])
                self.assert_stopped_with_model(status, out)

    def test_default_engine_ends_with_unknown(self):
        status, out = self.run_until([], "c Min unsat cost LB", [signal.SIGTERM], self.many_cores)
        self.assertEqual(status, 3, out[-2000:])
        self.assertIn("\ns UNKNOWN\n", out)
        self.assertNotIn("\no ", out)
        self.assertTrue(out.rstrip().endswith("QRN WARN: CPU time exceeded"), out[-500:])

    def test_second_sigint_ends_the_process_at_once(self):
        # Either the first request was already answered when the second came, or the second
        # killed the process by its default action: never a hang, never a wrong model.
        status, out = self.run_until(["-oll"], "o ", [signal.SIGINT, signal.SIGINT])
        self.assertIn(status, (3, -signal.SIGINT), out[-2000:])
        if status == 3:
            self.assert_stopped_with_model(status, out)


if __name__ == "__main__":
    QUARNEL = sys.argv.pop(1)
    unittest.main()
