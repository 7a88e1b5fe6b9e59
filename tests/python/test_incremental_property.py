"""Random small instances built and changed step by step through the Python API (hard and soft
clauses added, weights raised, lowered and set to 0, solves under assumptions, solves stopped
at once) agree with an exhaustive search after every step. QUARNEL_PROPERTY_CASES sets the
number of instances; a failure names its seed."""
import random
import unittest

from maxsat_oracle import check_model, optimum, quarnel, random_clause, random_instance, cases


class IncrementalAgreesWithExhaustiveSearch(unittest.TestCase):
    def run_case(self, seed):
        rng = random.Random(seed)
        nv = rng.randint(3, 7)
        hard, soft_list = random_instance(rng, nv, rng.randint(0, 6), rng.randint(1, 8), 9)
        soft = {}  # sorted clause -> weight, as the solver merges them
        solver = quarnel.Solver()
        for c in hard:
            solver.add_clause(c)
        for c, w in soft_list:
            solver.add_clause(c, weight=w)
            key = tuple(sorted(set(c)))
            soft[key] = soft.get(key, 0) + w
        for step in range(8):
            action = rng.random()
            if action < 0.2:
                c = random_clause(rng, nv)
                hard.append(c)
                solver.add_clause(c)
            elif action < 0.4:
                c = random_clause(rng, nv, 2)
                w = rng.randint(1, 9)
                solver.add_soft(c[0] if len(c) == 1 and rng.random() < 0.5 else c, w)
                key = tuple(sorted(set(c)))
                soft[key] = soft.get(key, 0) + w
            elif action < 0.6 and soft:
                key = rng.choice(sorted(soft))
                w = rng.choice([0, 1, soft[key] // 2, soft[key] + rng.randint(1, 5)])
                solver.set_weight(list(key), w)
                soft[key] = w
            assumptions = []
            if rng.random() < 0.4:
                assumptions = [v if rng.random() < 0.5 else -v for v in rng.sample(range(1, nv + 1), rng.randint(1, 2))]
            interrupted = rng.random() < 0.2
            if interrupted:
                solver.interrupt()
            status = solver.solve(assumptions=assumptions)
            soft_pairs = [(list(k), w) for k, w in soft.items()]
            best = optimum(nv, hard, soft_pairs, assumptions)
            where = "seed %d step %d" % (seed, step)
            if best is None:
                self.assertIn(status, ("unsatisfiable", "unknown") if interrupted else ("unsatisfiable",), where)
                self.assertIsNone(solver.model, where)
                continue
            if interrupted and status in ("unknown", "satisfiable"):
                if status == "satisfiable":
                    check_model(self, solver.model, nv, hard, soft_pairs, assumptions, solver.cost)
                    self.assertGreaterEqual(solver.cost, best, where)
                self.assertLessEqual(solver.lower_bound, best, where)
                continue
            self.assertEqual(status, "optimum", where)
            self.assertEqual(solver.cost, best, where)
            self.assertEqual(solver.lower_bound, best, where)
            check_model(self, solver.model, nv, hard, soft_pairs, assumptions, best)
        solver.close()

    def test_random_sequences(self):
        for seed in range(cases(300)):
            self.run_case(seed)


if __name__ == "__main__":
    unittest.main()
