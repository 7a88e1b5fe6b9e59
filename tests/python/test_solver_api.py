"""The Python API as a PySAT user meets it: building from a WCNF-shaped object and from files,
statuses, enumeration, bad input as exceptions that leave the solver as it was, and stopping a
solve by interrupt(), by a time limit and by Ctrl-C (KeyboardInterrupt once the solver has
stopped, the best model kept)."""
import os
import random
import signal
import sys
import tempfile
import threading
import time
import types
import unittest

from maxsat_oracle import check_model, optimum, quarnel, random_instance

DEMO = os.path.join(os.path.dirname(__file__), "../../examples/demo.wcnf")


def hard_instance(seed=3, nv=150):
    """Random Max-3-SAT well past the threshold: core-guided search takes long on it."""
    rng = random.Random(seed)
    clauses = []
    for _ in range(nv * 8):
        vs = rng.sample(range(1, nv + 1), 3)
        clauses.append([v if rng.random() < 0.5 else -v for v in vs])
    return clauses


class SolverApi(unittest.TestCase):
    def test_small_weighted_instance(self):
        with quarnel.Solver() as s:
            s.add_clause([1, 2])
            s.add_clause([-1, 3])
            s.add_soft(-2, 2)
            s.add_soft([-3], 5)
            self.assertEqual(s.compute(), [-1, 2, -3])
            self.assertEqual((s.status, s.cost, s.lower_bound), ("optimum", 2, 2))
            self.assertEqual(s.solve(assumptions=[1]), "optimum")
            self.assertEqual((s.cost, s.model), (5, [1, -2, 3]))
            # Assumptions hold for one solve only.
            self.assertEqual((s.solve(), s.cost), ("optimum", 2))

    def test_wcnf_shaped_objects_and_files(self):
        duck = types.SimpleNamespace(hard=[[1, 2], [-1, 3]], soft=[[-2], [-3]], wght=[2, 5])
        read = quarnel.read(DEMO)
        for source in (duck, read):
            with quarnel.Solver(source) as s:
                model = s.compute()
                self.assertEqual(s.cost, optimum(3, duck.hard, list(zip(duck.soft, duck.wght))))
                check_model(self, model, 3, duck.hard, list(zip(duck.soft, duck.wght)), [], s.cost)

    def test_read_refuses_bad_files_with_the_readers_message(self):
        with tempfile.TemporaryDirectory() as tmp:
            bad = os.path.join(tmp, "bad.wcnf")
            with open(bad, "w") as f:
                f.write("p wcnf 2 1 10\n10 1 x 0\n")
            with self.assertRaisesRegex(ValueError, "PARSE ERROR! Unexpected char: x"):
                quarnel.read(bad)
            with self.assertRaisesRegex(OSError, "Could not open file"):
                quarnel.read(os.path.join(tmp, "missing.wcnf"))
        # The process goes on, and so does reading.
        self.assertEqual(len(quarnel.read(DEMO).soft), 2)

    def test_unsatisfiable_hard_clauses(self):
        with quarnel.Solver() as s:
            s.add_clause([1])
            s.add_clause([-1])
            s.add_soft(2, 1)
            self.assertIsNone(s.compute())
            self.assertEqual(s.status, "unsatisfiable")
            self.assertIsNone(s.cost)

    def test_enumerate_gives_every_optimal_set_of_falsified_softs(self):
        with quarnel.Solver() as s:
            for v in (1, 2, 3):
                s.add_soft(-v, 1)
            s.add_clause([1, 2, 3])
            models = list(s.enumerate())
            self.assertEqual(len(models), 3)
            self.assertEqual({tuple(m) for m in models}, {(1, -2, -3), (-1, 2, -3), (-1, -2, 3)})
            self.assertEqual((s.solve(), s.cost), ("optimum", 1))
            # After a change, enumeration starts from the new optimum.
            s.add_soft(-1, 5)
            self.assertEqual({tuple(m) for m in s.enumerate()}, {(-1, 2, -3), (-1, -2, 3)})

    def test_integers_of_other_types_are_accepted(self):
        class Index:
            def __init__(self, v):
                self.v = v

            def __index__(self):
                return self.v

        with quarnel.Solver() as s:
            s.add_clause([Index(1), Index(2)])
            s.add_soft(Index(-1), Index(3))
            self.assertEqual((s.compute(), s.cost), ([-1, 2], 0))
            with self.assertRaises(TypeError):
                s.add_clause([True])

    def test_bad_input_raises_and_changes_nothing(self):
        with quarnel.Solver() as s:
            s.add_clause([1, 2])
            s.add_soft(-1, 3)
            bad_calls = [
                (ValueError, lambda: s.add_clause([1, 0])),
                (TypeError, lambda: s.add_clause([1, "2"])),
                (TypeError, lambda: s.add_clause([1, 2.0])),
                (TypeError, lambda: s.add_clause(5)),
                (ValueError, lambda: s.add_clause([1 << 40])),
                (ValueError, lambda: s.add_clause([2], weight=0)),
                (ValueError, lambda: s.add_soft(2, -4)),
                (TypeError, lambda: s.add_soft(2, 1.5)),
                (ValueError, lambda: s.add_soft(2, 1 << 70)),
                (ValueError, lambda: s.add_soft(2, (1 << 63) - 3)),
                (ValueError, lambda: s.solve(assumptions=[0])),
                (ValueError, lambda: quarnel.Solver(types.SimpleNamespace(hard=[[1]], soft=[[2]], wght=[]))),
                (TypeError, lambda: quarnel.Solver(object())),
            ]
            for error, call in bad_calls:
                with self.assertRaises(error):
                    call()
            self.assertEqual((s.solve(), s.cost, s.model), ("optimum", 0, [-1, 2]))
        with self.assertRaisesRegex(ValueError, "closed"):
            s.solve()

    def test_interrupt_from_another_thread_keeps_the_best_model(self):
        clauses = hard_instance()
        with quarnel.Solver() as s:
            for c in clauses:
                s.add_clause(c, weight=1)
            timer = threading.Timer(0.3, s.interrupt)
            timer.start()
            status = s.solve()
            timer.join()
            self.assertIn(status, ("satisfiable", "unknown", "optimum"))
            if status != "unknown":
                check_model(self, s.model, 150, [], [(c, 1) for c in clauses], [], s.cost)
                self.assertLessEqual(s.lower_bound, s.cost)

    def test_time_limit_stops_the_solve(self):
        with quarnel.Solver() as s:
            for c in hard_instance(seed=4):
                s.add_clause(c, weight=1)
            self.assertIn(s.solve(time_limit=0.2), ("satisfiable", "unknown", "optimum"))

    def test_ctrl_c_raises_keyboard_interrupt_after_the_solver_stopped(self):
        clauses = hard_instance(seed=5)
        with quarnel.Solver() as s:
            for c in clauses:
                s.add_clause(c, weight=1)
            pid = os.getpid()
            timer = threading.Timer(0.3, lambda: os.kill(pid, signal.SIGINT))
            timer.start()
            with self.assertRaises(KeyboardInterrupt):
                s.solve()
            timer.join()
            if s.model is not None:
                check_model(self, s.model, 150, [], [(c, 1) for c in clauses], [], s.cost)
            # The solver can be used again and goes on from where it stopped.
            self.assertIn(s.solve(time_limit=0.1), ("satisfiable", "unknown", "optimum"))


if __name__ == "__main__":
    unittest.main()
