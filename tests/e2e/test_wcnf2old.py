#!/usr/bin/env python3
"""Tests of tools/wcnf2old: the converted file must mean the same instance (same hard clauses,
same soft clauses and weights, read back by the independent reader), keep comments and clause
order, and handle gzip and standard streams."""

import gzip
import os
import shutil
import subprocess
import sys
import tempfile
import unittest

ROOT = os.path.abspath(os.path.join(os.path.dirname(__file__), "..", ".."))
TOOL = os.path.join(ROOT, "tools", "wcnf2old")
sys.path.insert(0, os.path.join(ROOT, "tools"))
import maxsat_reader  # noqa: E402

NEW = "c made by hand\nc second line\nh 1 2 0\n3 -1 0\nc between\n4 -2 3 0\nh -1 -3 0\n5 2 0\n"
OLD = ("c made by hand\nc second line\np wcnf 3 5 13\n13 1 2 0\n3 -1 0\nc between\n4 -2 3 0\n"
       "13 -1 -3 0\n5 2 0\n")


def run(args, stdin=b""):
    return subprocess.run([TOOL] + args, input=stdin, stdout=subprocess.PIPE,
                          stderr=subprocess.PIPE, check=False)


def meaning(old_text):
    inst = maxsat_reader.parse_bytes(old_text.encode())
    return sorted(inst.hard), sorted(inst.soft)


class Wcnf2Old(unittest.TestCase):
    def setUp(self):
        self.dir = tempfile.mkdtemp()

    def tearDown(self):
        shutil.rmtree(self.dir)

    def path(self, name, data=None):
        p = os.path.join(self.dir, name)
        if data is not None:
            with open(p, "wb") as f:
                f.write(data)
        return p

    def test_converts_keeping_comments_and_order(self):
        res = run(["-"], NEW.encode())
        self.assertEqual(res.returncode, 0, res.stderr)
        self.assertEqual(res.stdout.decode(), OLD)

    def test_meaning_is_preserved(self):
        cases = [
            ("mixed", NEW, [(-3, -1), (1, 2)], [(3, (-1,)), (4, (-2, 3)), (5, (2,))]),
            ("hard only: top 1", "h 1 0\nh -1 2 0\n", [(-1, 2), (1,)], []),
            ("soft only", "2 1 0\n7 -1 0\n", [], [(2, (1,)), (7, (-1,))]),
            ("clause over lines, two per line", "h 1\n2 0 4 -2 0\n", [(1, 2)], [(4, (-2,))]),
            ("empty clauses", "h 0\n6 1 0\n", [()], [(6, (1,))]),
            ("empty soft clause", "h -1 0\n6 0\n", [(-1,)], [(6, ())]),
            ("repeated soft adds up", "3 1 0\n4 1 0\n", [], [(7, (1,))]),
            ("weight zero", "0 1 0\n2 -1 0\n", [], [(2, (-1,))]),
            ("huge weights", "9223372036854775807 1 0\n9223372036854775807 -1 0\n", [],
             [(9223372036854775807, (-1,)), (9223372036854775807, (1,))]),
            ("crlf", "h 1 2 0\r\n3 -1 0\r\n", [(1, 2)], [(3, (-1,))]),
        ]
        for name, text, hard, soft in cases:
            with self.subTest(name):
                res = run(["-"], text.encode())
                self.assertEqual(res.returncode, 0, res.stderr)
                self.assertEqual(meaning(res.stdout.decode()), (hard, soft))

    def test_gzip_by_suffix_and_flag(self):
        src = self.path("in.wcnf.gz", gzip.compress(NEW.encode()))
        out_gz = self.path("out.wcnf.gz")
        self.assertEqual(run([src, out_gz]).returncode, 0)
        with open(out_gz, "rb") as f:
            self.assertEqual(gzip.decompress(f.read()).decode(), OLD)
        res = run(["-z", "-"], NEW.encode())
        self.assertEqual(res.returncode, 0)
        self.assertEqual(gzip.decompress(res.stdout).decode(), OLD)
        out_plain = self.path("out.wcnf")
        self.assertEqual(run([src, out_plain]).returncode, 0)
        with open(out_plain) as f:
            self.assertEqual(f.read(), OLD)

    def test_rejects_bad_input(self):
        cases = [
            ("old format already", "p wcnf 1 1 2\n1 1 0\n"),
            ("missing final 0", "h 1 2\n"),
            ("not a number", "h 1 x 0\n"),
            ("negative weight", "-3 1 0\n"),
            ("literal out of range", "h 2147483648 0\n"),
            ("top beyond 64 bits", "18446744073709551615 1 0\n"),
        ]
        for name, text in cases:
            with self.subTest(name):
                res = run(["-"], text.encode())
                self.assertEqual(res.returncode, 1)
                self.assertTrue(res.stderr.startswith(b"wcnf2old: "), res.stderr)
        with self.subTest("missing file"):
            self.assertEqual(run([self.path("nope.wcnf")]).returncode, 1)


if __name__ == "__main__":
    unittest.main()
