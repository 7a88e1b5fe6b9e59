#!/usr/bin/env python3
"""Command-line behaviour of the real quarnel binary up to and including the banner: usage text
and exit status 1, invalid release/algorithm/encoding names and exit status 3, the missing file
name, the banner variants and the log file. What happens after the banner (loading and solving)
is left to other tests, so every check here looks only at the first lines of a run and at exit
statuses that are decided before the instance is read.

Usage: test_cli.py <path-to-quarnel> <path-to-an-instance-file>
"""

import os
import re
import subprocess
import sys
import tempfile
import unittest

QUARNEL = None
INSTANCE = None

USAGE = (
    "quarnel: maxsat solver based on unsat cores & card constraints\n"
    "\n"
    "usage: quarnel [ <option> ... ] <input> \n"
    "where <option> is one of the following:\n"
    "  -h       prints this help and exits\n"
    "  -v NNN   verbosity level [default: -v 1]\n"
    "  -l       create log file\n"
    "  -r REL   quarnel algorithm release. REL can be 1.0, 1.1, 1.2, 2.0, 3.0, 3.1, 4.0, etc. [default: -r 1.2]\n"
    "  -a ALG   qrn algorithm use. ALG can be 1, 2, 3, 3.1, 4, etc.\n"
    "  -m BBB   at most 1 true blocking var per clause for >= BBB blocking vars\n"
    "  -p       use added pruning power\n"
    "  -e ENC   encoding of card constraints. ENC can be one of the following:\n"
    "           a (adders), b (bdds w/ equiv), i (bdds w/ implic)\n"
    "           c (seq counters), e (exp), s (sorters), l (bitwise)\n"
    "  -w       print computed truth assignment\n"
    "  -s NNN   enumerate NNN solution/model cubes\n"
    "  -s all   enumerate *all* solution/model cubes\n"
    "  -u       list clauses unsat in computed solution\n"
    "  -so      goods based on original variables\n"
    "  -sr      goods based on relaxation variables (default)\n"
    "  -T TTT   specify timeout\n"
    "  -C       output MaxSAT evaluation/competition format [default]\n"
    "  -NC      do not use MaxSAT evaluation/competition format\n"
    "  -bmo     validate BMO condition and execute algorithm\n"
)

NO_FILE = " WARN: Options but no file name provided? Terminating...\n"

VERSION = r"[0-9]+(\.[0-9]+)+"
DATE = r"[0-9]{4}-[0-9]{2}-[0-9]{2}"
BUILT = DATE + r"[^*]*"

COMPETITION_HEAD = [
    r"c \*\*\* Quarnel MaxSAT solver, version " + VERSION + r", built " + BUILT + r" \*\*\*",
    r"c \*\*\* Author: [^()]+ \([^()]+\) \*\*\*",
    None,  # the instance line, checked literally
    r"c ",
]

LOG_HEAD = [
    r"c \*\*\* Quarnel MaxSAT Solver \*\*\*",
    r"c \*\*\* Quarnel, version " + VERSION + r", distrib " + DATE + r", built " + BUILT + r" \*\*\*",
    r"c \*\*\* [^*]+ \*\*\*",
    r"c ",
]


def run(args, cwd=None):
    # A hard limit only guards against a hung binary; no check depends on timing.
    proc = subprocess.run([QUARNEL] + args, cwd=cwd, capture_output=True, timeout=120)
    return proc.returncode, proc.stdout.decode("utf-8", "replace"), proc.stderr.decode("utf-8", "replace")


class Base(unittest.TestCase):
    def setUp(self):
        self._tmp = tempfile.TemporaryDirectory(prefix="quarnel-e2e-")
        self.cwd = self._tmp.name

    def tearDown(self):
        self._tmp.cleanup()

    def assert_not_killed(self, rc):
        # Whatever the later outcome of a run, it ends through exit, not a signal.
        self.assertGreaterEqual(rc, 0, "killed by signal %d" % -rc)

    def assert_head(self, out, patterns, instance=None):
        lines = out.split("\n")
        self.assertGreaterEqual(len(lines), len(patterns) + 1, out)
        for i, pat in enumerate(patterns):
            if pat is None:
                self.assertEqual(lines[i], "c *** Instance: %s ***" % instance)
            else:
                self.assertRegex(lines[i], "^" + pat + "$", "line %d of:\n%s" % (i + 1, out))


class UsageTests(Base):
    def check_usage(self, args):
        rc, out, err = run(args, cwd=self.cwd)
        self.assertEqual(rc, 1, args)
        self.assertEqual(out, USAGE, args)
        self.assertEqual(err, "", args)
        self.assertEqual(os.listdir(self.cwd), [], "usage must not create files")

    def test_no_arguments(self):
        self.check_usage([])

    def test_h(self):
        self.check_usage(["-h"])

    def test_h_after_verbosity(self):
        self.check_usage(["-v", "2", "-h"])

    def test_h_after_flags(self):
        self.check_usage(["-l", "-NC", "-s", "all", "-h", INSTANCE])


class InvalidNameTests(Base):
    CASES = [
        (["-r", "9.9"], " ERROR: Invalid QRN release\n"),
        (["-r", "1.2.0"], " ERROR: Invalid QRN release\n"),
        (["-a", "3.0"], " ERROR: Invalid QRN algorithm\n"),
        (["-a", "5"], " ERROR: Invalid QRN algorithm\n"),
        (["-e", "x"], " ERROR: Invalid CNF encoding\n"),
        (["-e", "L"], " ERROR: Invalid CNF encoding\n"),
    ]

    def test_exact_line_and_exit_3(self):
        for opt, line in self.CASES:
            for tail in ([INSTANCE], ["-h"], []):
                with self.subTest(args=opt + tail):
                    rc, out, err = run(opt + tail, cwd=self.cwd)
                    self.assertEqual(rc, 3)
                    self.assertEqual(out, line)
                    self.assertEqual(err, "")

    def test_valid_names_are_accepted(self):
        # Valid values only pass validation; the run reaches the banner as usual.
        args = ["-r", "3.0", "-a", "3.1", "-e", "s", INSTANCE]
        rc, out, _ = run(args, cwd=self.cwd)
        self.assert_not_killed(rc)
        self.assert_head(out, COMPETITION_HEAD, INSTANCE)


class NoFileNameTests(Base):
    def test_warning_and_exit_3(self):
        for args in (["-v"], ["-v", "2"], ["-l"], ["-s"], ["-r"], ["-v", "2", "-e"], ["-NC", "-C"]):
            with self.subTest(args=args):
                rc, out, err = run(args, cwd=self.cwd)
                self.assertEqual(rc, 3)
                self.assertEqual(out, NO_FILE)
                self.assertEqual(err, "")
                self.assertEqual(os.listdir(self.cwd), [])


class BannerTests(Base):
    def test_competition_variant(self):
        rc, out, _ = run([INSTANCE], cwd=self.cwd)
        self.assert_not_killed(rc)
        self.assert_head(out, COMPETITION_HEAD, INSTANCE)
        self.assertFalse(os.path.exists(os.path.join(self.cwd, "quarnel.log")))

    def test_options_after_file_name_are_ignored(self):
        rc, out, _ = run([INSTANCE, "-v", "0", "-NC", "-r", "9.9"], cwd=self.cwd)
        self.assert_not_killed(rc)
        self.assert_head(out, COMPETITION_HEAD, INSTANCE)

    def test_option_lookalike_is_the_file_name(self):
        for word in ("-sx", "-v5"):
            with self.subTest(word=word):
                rc, out, _ = run([word], cwd=self.cwd)
                self.assert_not_killed(rc)
                self.assert_head(out, COMPETITION_HEAD, word)

    def test_verbosity_0_prints_no_banner(self):
        for args in (["-v", "0", INSTANCE], ["-v", "0", "-l", INSTANCE], ["-v", "0", "-NC", INSTANCE]):
            with self.subTest(args=args):
                rc, out, _ = run(args, cwd=self.cwd)
                self.assert_not_killed(rc)
                self.assertNotIn("c ***", out)
                self.assertNotIn("Running instance", out)
                self.assertFalse(os.path.exists(os.path.join(self.cwd, "quarnel.log")))

    def test_plain_variant(self):
        rc, out, _ = run(["-NC", INSTANCE], cwd=self.cwd)
        self.assert_not_killed(rc)
        self.assertTrue(out.startswith("Running instance: %s\n" % INSTANCE), out)
        self.assertNotIn("c ***", out)

    def test_c_after_nc_restores_competition_banner(self):
        rc, out, _ = run(["-NC", "-C", INSTANCE], cwd=self.cwd)
        self.assert_not_killed(rc)
        self.assert_head(out, COMPETITION_HEAD, INSTANCE)


class LogFileTests(Base):
    def log_path(self):
        return os.path.join(self.cwd, "quarnel.log")

    def read_log(self):
        with open(self.log_path(), encoding="utf-8") as f:
            return f.read()

    def check_log_run(self, args):
        rc, out, _ = run(args, cwd=self.cwd)
        self.assert_not_killed(rc)
        self.assert_head(out, LOG_HEAD)
        head = "".join(line + "\n" for line in out.split("\n")[:4])
        self.assertNotIn(INSTANCE, head)
        return head

    def test_log_holds_the_four_banner_lines(self):
        head = self.check_log_run(["-l", INSTANCE])
        self.assertEqual(self.read_log(), head)

    def test_log_variant_also_in_plain_format(self):
        head = self.check_log_run(["-NC", "-l", INSTANCE])
        self.assertEqual(self.read_log(), head)

    def test_existing_log_is_emptied(self):
        with open(self.log_path(), "w", encoding="utf-8") as f:
            f.write("x" * 10000 + "\nold run\n")
        head = self.check_log_run(["-l", INSTANCE])
        self.assertEqual(self.read_log(), head)

    def test_uncreatable_log_leaves_the_run_going(self):
        os.mkdir(self.log_path())
        self.check_log_run(["-l", INSTANCE])
        self.assertTrue(os.path.isdir(self.log_path()))
        self.assertEqual(os.listdir(self.log_path()), [])


def main():
    global QUARNEL, INSTANCE
    if len(sys.argv) < 3:
        sys.exit(__doc__)
    QUARNEL = os.path.abspath(sys.argv[1])
    INSTANCE = os.path.abspath(sys.argv[2])
    unittest.main(argv=[sys.argv[0]] + sys.argv[3:], verbosity=2)


if __name__ == "__main__":
    main()
