#!/usr/bin/env python3
"""Tests of the answer checker and the exhaustive-search oracle on hand-written instances and
hand-written solver outputs: the oracles that judge the solver must themselves be right."""

import gzip
import os
import shutil
import subprocess
import sys
import tempfile
import unittest

ROOT = os.path.abspath(os.path.join(os.path.dirname(__file__), "..", ".."))
sys.path.insert(0, os.path.join(ROOT, "tools"))
import brute_force  # noqa: E402
import check_solution as cs  # noqa: E402
import maxsat_reader  # noqa: E402


def answer(cost, model, cpu=True):
    """A well-formed competition-format output."""
    lines = ["c banner", "o %d" % cost, "s OPTIMUM FOUND",
             "v " + "".join("%d " % l for l in model)]
    if cpu:
        lines.append("c CPU Time: 0.001")
    return "\n".join(lines) + "\n"


UNSAT_ANSWER = "c banner\ns UNSATISFIABLE\nv \nc CPU Time: 0\n"


class Files(unittest.TestCase):
    def setUp(self):
        self.dir = tempfile.mkdtemp()

    def tearDown(self):
        shutil.rmtree(self.dir)

    def write(self, text, name="i.wcnf", compress=False):
        path = os.path.join(self.dir, name)
        data = text.encode()
        with open(path, "wb") as f:
            f.write(gzip.compress(data) if compress else data)
        return path


class ReaderSemantics(Files):
    def test_merges_repeated_clauses_by_literal_multiset(self):
        inst = maxsat_reader.read_instance(self.write(
            "p wcnf 3 5 100\n3 1 2 0\n5 2 1 0\n4 1 1 2 0\n0 3 0\n0 3 0\n"))
        self.assertEqual(sorted(inst.soft), [(4, (1, 1, 2)), (8, (1, 2))])
        self.assertEqual(inst.num_zero, 1)
        self.assertEqual(inst.num_repeated, 2)

    def test_hardness(self):
        cases = [
            ("sum reaches top", "p wcnf 1 2 10\n6 1 0\n4 1 0\n", [(1,)], []),
            ("one hard occurrence", "p wcnf 1 2 10\n10 -1 0\n2 -1 0\n", [(-1,)], []),
            ("weight above top", "p wcnf 1 1 10\n99 1 0\n", [(1,)], []),
            ("top zero makes all hard", "p wcnf 1 1 0\n0 1 0\n", [(1,)], []),
            ("below top stays soft", "p wcnf 1 2 10\n4 1 0\n5 1 0\n", [], [(9, (1,))]),
            ("default top", "p wcnf 1 1\n2147483647 1 0\n2147483646 2 0\n", [(1,)], [(2147483646, (2,))]),
            ("pmcnf sections", "p pmcnf 2 3\n1 0\np hard\n2 0\np soft\n-2 0\n", [(2,)], [(1, (1,)), (1, (-2,))]),
            ("pmcnf hard wins", "p pmcnf 1 2\np hard\n1 0\np soft\n1 0\n", [(1,)], []),
            ("cnf all soft", "p cnf 2 2\n1 2 0\n2 1 0\n", [], [(2, (1, 2))]),
        ]
        for name, text, hard, soft in cases:
            with self.subTest(name):
                inst = maxsat_reader.read_instance(self.write(text))
                self.assertEqual(inst.hard, hard)
                self.assertEqual(sorted(inst.soft), sorted(soft))

    def test_lexical_rules(self):
        cases = [
            ("clause over two lines", b"c x\np cnf 3 2\n1\n2 0 3 0\n", [(1, (1, 2)), (1, (3,))]),
            ("0xFF ends input", b"p cnf 3 2\n1 0\n\xff2 0\n", [(1, (1,))]),
            ("0xFF in comment", b"p cnf 3 2\n1 0\nc \xff\n2 0\n", [(1, (1,))]),
            ("crlf", b"p wcnf 2 2 5\r\n1 1 0\r\n2 -2 0\r\n", [(1, (1,)), (2, (-2,))]),
            ("no final newline", b"p cnf 1 1\n1 0", [(1, (1,))]),
        ]
        for name, data, soft in cases:
            with self.subTest(name):
                inst = maxsat_reader.parse_bytes(data)
                self.assertEqual(sorted(inst.soft), sorted(soft))

    def test_errors(self):
        cases = [
            ("top 2^64", "p wcnf 1 1 18446744073709551616\n1 1 0\n", "range", "18446744073709551616"),
            ("negative weight", "p wcnf 1 1 10\n-1 1 0\n", "range", "-1"),
            ("weight 2^64", "p wcnf 1 1\n18446744073709551616 1 0\n", "range", "18446744073709551616"),
            ("literal too big", "p cnf 1 1\n2147483648 0\n", "range", "2147483648"),
            ("literal too small", "p cnf 1 1\n-2147483648 0\n", "range", "-2147483648"),
            ("missing final 0", "p cnf 1 1\n1 2\n", "syntax", None),
            ("no format line", "1 2 0\n", "format", None),
            ("unknown format", "p xyz 1 1\n", "format", None),
            ("four header numbers", "p wcnf 1 1 2 3\n", "syntax", None),
            ("garbage", "p cnf 1 1\n1 x 0\n", "syntax", None),
        ]
        for name, text, kind, number in cases:
            with self.subTest(name):
                with self.assertRaises(maxsat_reader.ParseError) as ctx:
                    maxsat_reader.read_instance(self.write(text))
                self.assertEqual(ctx.exception.kind, kind)
                self.assertEqual(ctx.exception.number, number)

    def test_largest_weights_are_read(self):
        inst = maxsat_reader.read_instance(self.write(
            "p wcnf 1 2 18446744073709551615\n18446744073709551614 1 0\n18446744073709551615 -1 0\n"))
        self.assertEqual(inst.soft, [(18446744073709551614, (1,))])
        self.assertEqual(inst.hard, [(-1,)])

    def test_gzip_reads_like_plain(self):
        text = "p wcnf 2 2 9\n3 1 2 0\n9 -1 0\n"
        a = maxsat_reader.read_instance(self.write(text))
        b = maxsat_reader.read_instance(self.write(text, "i.wcnf.gz", compress=True))
        self.assertEqual((a.hard, a.soft, a.top), (b.hard, b.soft, b.top))


class BruteForce(Files):
    def test_optimum_and_count(self):
        cases = [
            # hard 1|2, -1|3; soft -2 (2), -3 (5): optimum 2 with x1=0? x2 must be 1 -> cost 2
            ("demo", "p wcnf 3 4 10\n10 1 2 0\n10 -1 3 0\n2 -2 0\n5 -3 0\n", 2, 1),
            ("unsat hard", "p wcnf 1 2 5\n5 1 0\n5 -1 0\n", None, 0),
            ("empty hard", "p wcnf 1 2 5\n5 0\n1 1 0\n", None, 0),
            ("empty soft costs", "p wcnf 1 2 5\n3 0\n1 1 0\n", 3, 1),
            ("free variable doubles count", "p cnf 2 1\n1 0\n-1 2 -2 0\n", 0, 2),
            ("zero weights", "p wcnf 1 2 5\n0 1 0\n0 -1 0\n", 0, 2),
            ("duplicates add", "p wcnf 1 3 100\n3 1 0\n3 1 0\n5 -1 0\n", 5, 1),
            ("no clause", "p cnf 0 0\n", 0, 1),
        ]
        for name, text, opt, count in cases:
            with self.subTest(name):
                res = brute_force.solve(maxsat_reader.read_instance(self.write(text)))
                self.assertEqual((res.optimum, res.count), (opt, count))

    def test_refuses_large_instances(self):
        inst = maxsat_reader.read_instance(self.write("p cnf 30 1\n30 0\n"))
        with self.assertRaises(brute_force.TooLarge):
            brute_force.solve(inst)


DEMO = "p wcnf 3 4 10\n10 1 2 0\n10 -1 3 0\n2 -2 0\n5 -3 0\n"


class Checker(Files):
    def code(self, instance_text, output, **kw):
        path = self.write(instance_text, kw.pop("name", "i.wcnf"), kw.pop("compress", False))
        return cs.check(path, output, **kw).code

    def test_optimum_answers(self):
        cases = [
            ("right", DEMO, answer(2, [-1, 2, -3]), {}, cs.OK),
            ("right with expected", DEMO, answer(2, [-1, 2, -3]), {"expected": "2"}, cs.OK),
            ("right with brute force", DEMO, answer(2, [-1, 2, -3]), {"brute_limit": 16}, cs.OK),
            ("cost below weight", DEMO, answer(1, [-1, 2, -3]), {}, cs.WRONG),
            ("hard falsified", DEMO, answer(0, [-1, -2, -3]), {}, cs.WRONG),
            ("not optimal, expected", DEMO, answer(5, [1, -2, 3]), {"expected": 2}, cs.WRONG),
            ("not optimal, brute force", DEMO, answer(5, [1, -2, 3]), {"brute_limit": 16}, cs.WRONG),
            ("expected UNSAT", DEMO, answer(2, [-1, 2, -3]), {"expected": "UNSAT"}, cs.WRONG),
            ("expected range error", DEMO, answer(2, [-1, 2, -3]), {"expected": "RANGE"}, cs.WRONG),
            ("unknown expected", DEMO, answer(2, [-1, 2, -3]), {"expected": "TIMEOUT"}, cs.OK),
            ("variable beyond instance", DEMO, answer(2, [-1, 2, -3, 4]), {}, cs.WRONG),
            ("variable twice", DEMO, answer(2, [-1, 2, -3, 3]), {}, cs.WRONG),
            ("literal 0", DEMO, answer(2, [-1, 2, -3, 0]), {}, cs.WRONG),
            ("missing s line", DEMO, "o 2\nv 1 -2 3 \n", {}, cs.WRONG),
            ("missing v line", DEMO, "o 2\ns OPTIMUM FOUND\n", {}, cs.WRONG),
            ("improving o lines, the last one counts", DEMO, "o 5\n" + answer(2, [-1, 2, -3]), {}, cs.OK),
            ("o lines that do not decrease", DEMO, "o 2\n" + answer(2, [-1, 2, -3]), {}, cs.WRONG),
            ("last o line unlike the model", DEMO, "o 2\n" + answer(5, [-1, 2, -3]), {}, cs.WRONG),
            ("bad exit status", DEMO, answer(2, [-1, 2, -3]), {"exit_status": 3}, cs.WRONG),
            ("duplicates weigh their sum", "p wcnf 1 2 100\n3 1 0\n5 1 0\n", answer(8, [-1]), {}, cs.OK),
            ("duplicates not counted once", "p wcnf 1 2 100\n3 1 0\n5 1 0\n", answer(5, [-1]), {}, cs.WRONG),
            ("summed duplicate turns hard", "p wcnf 1 3 10\n6 1 0\n4 1 0\n1 -1 0\n", answer(10, [-1]), {}, cs.WRONG),
            ("zero weight costs nothing", "p wcnf 1 2 10\n0 1 0\n1 -1 0\n", answer(0, [-1]), {}, cs.OK),
            ("empty soft clause costs", "p wcnf 1 2 10\n4 0\n1 -1 0\n", answer(4, [-1]), {}, cs.OK),
            ("unassigned counts false in soft", "p cnf 2 2\n1 0\n2 0\n", answer(1, [1]), {}, cs.OK),
            ("unassigned not true in soft", "p cnf 2 2\n1 0\n2 0\n", answer(0, [1]), {}, cs.WRONG),
            ("unassigned cannot satisfy hard", "p wcnf 2 2 5\n5 1 2 0\n1 -1 0\n", answer(1, [-1]), {}, cs.WRONG),
            ("hard tautology needs no value", "p wcnf 1 1 5\n5 1 -1 0\n", answer(0, []), {}, cs.OK),
            ("empty v line, no variables", "p cnf 0 0\n", answer(0, []), {}, cs.OK),
            ("cnf", "p cnf 2 3\n1 0\n-1 0\n2 0\n", answer(1, [1, 2]), {"expected": 1}, cs.OK),
            ("pmcnf", "p pmcnf 2 3\np hard\n1 2 0\np soft\n-1 0\n-2 0\n", answer(1, [1, -2]),
             {"brute_limit": 16}, cs.OK),
            ("huge weights", "p wcnf 2 3 18446744073709551615\n9223372036854775808 1 0\n"
             "9223372036854775807 2 0\n18446744073709551615 -1 -2 0\n", answer(9223372036854775807, [1, -2]), {"brute_limit": 16}, cs.OK),
        ]
        for name, inst, out, kw, want in cases:
            with self.subTest(name):
                self.assertEqual(self.code(inst, out, **kw), want)

    def test_unassigned_variables_are_reported(self):
        v = cs.check(self.write("p cnf 3 2\n1 0\n3 0\n"), answer(1, [1]))
        self.assertEqual(v.code, cs.OK)
        self.assertTrue(any("without value: 3" in n for n in v.notes), v.notes)

    def test_unsat_answers(self):
        unsat = "p wcnf 2 3 5\n5 1 0\n5 -1 2 0\n5 -2 0\n1 1 2 0\n"
        cases = [
            ("no evidence", unsat, {}, cs.UNVERIFIABLE),
            ("expected UNSAT", unsat, {"expected": "UNSAT"}, cs.OK),
            ("brute force agrees", unsat, {"brute_limit": 16}, cs.OK),
            ("empty hard clause", "p wcnf 1 2 5\n5 0\n1 1 0\n", {}, cs.OK),
            ("brute force disagrees", DEMO, {"brute_limit": 16}, cs.WRONG),
            ("expected an optimum", DEMO, {"expected": 2}, cs.WRONG),
        ]
        for name, inst, kw, want in cases:
            with self.subTest(name):
                self.assertEqual(self.code(inst, UNSAT_ANSWER, **kw), want)
        with self.subTest("o line with UNSAT"):
            self.assertEqual(self.code(unsat, "o 0\n" + UNSAT_ANSWER, expected="UNSAT"), cs.WRONG)

    @unittest.skipUnless(shutil.which("picosat"), "picosat binary not installed")
    def test_unsat_evidence_from_sat_solver(self):
        unsat = "p wcnf 2 3 5\n5 1 0\n5 -1 2 0\n5 -2 0\n1 1 2 0\n"
        sat = "p wcnf 2 2 5\n5 1 0\n1 -1 0\n"
        picosat = shutil.which("picosat")
        self.assertEqual(self.code(unsat, UNSAT_ANSWER, sat_solver=picosat), cs.OK)
        self.assertEqual(self.code(sat, UNSAT_ANSWER, sat_solver=picosat), cs.WRONG)

    def test_range_errors(self):
        rng = "p wcnf 1 1 18446744073709551616\n1 1 0\n"
        msg = "PARSE ERROR! Number out of range: 18446744073709551616\n"
        cases = [
            ("right", rng, "c banner\n", msg, 3, cs.OK),
            ("right, exit unknown", rng, "", msg, None, cs.OK),
            ("wrong status", rng, "", msg, 0, cs.WRONG),
            ("wrong number", rng, "", "PARSE ERROR! Number out of range: 1844674407370955161\n", 3, cs.WRONG),
            ("solved anyway", rng, answer(0, [1]), "", 0, cs.WRONG),
            ("parse error on a valid file", DEMO, "", msg, 3, cs.WRONG),
        ]
        for name, inst, out, err, status, want in cases:
            with self.subTest(name):
                self.assertEqual(self.code(inst, out, stderr=err, exit_status=status, expected="RANGE"), want)

    def test_gzip_instance(self):
        self.assertEqual(self.code(DEMO, answer(2, [-1, 2, -3]), name="d.wcnf.gz", compress=True), cs.OK)

    def test_command_line_exit_statuses(self):
        inst = self.write(DEMO)
        script = os.path.join(ROOT, "tools", "check_solution.py")
        for out, extra, want in [(answer(2, [-1, 2, -3]), [], 0), (answer(1, [-1, 2, -3]), [], 1),
                                 (UNSAT_ANSWER, [], 2), (answer(2, [-1, 2, -3]), ["--expected", "3"], 1)]:
            with self.subTest(out=out, extra=extra):
                res = subprocess.run([sys.executable, script, inst, "-"] + extra, input=out,
                                     text=True, stdout=subprocess.PIPE, check=False)
                self.assertEqual(res.returncode, want, res.stdout)


if __name__ == "__main__":
    unittest.main()
