"""Solver objects share nothing: two solving in two threads at once give the same answers
(status, cost, bound and model: the engine's budgets count oracle steps, not time) as the same
two one after the other, and 10,000 small solves in one process leave its memory
where it was."""
import random
import threading
import unittest

from maxsat_oracle import check_model, quarnel, random_instance


def resident_kib():
    with open("/proc/self/status") as status:
        for line in status:
            if line.startswith("VmRSS:"):
                return int(line.split()[1])
    raise RuntimeError("no VmRSS in /proc/self/status")


def build(hard, soft):
    solver = quarnel.Solver()
    for c in hard:
        solver.add_clause(c)
    for c, w in soft:
        solver.add_clause(c, weight=w)
    return solver


class SolversAreIndependent(unittest.TestCase):
    def test_two_threads_give_what_one_after_the_other_gives(self):
        rng = random.Random(7)
        # Weighted instances large enough that the two solves overlap in time.
        instances = [random_instance(rng, 60, 25, 300, 20) for _ in range(4)]
        instances = [([c for c in hard if len(c) == 3], soft) for hard, soft in instances]
        sequential = []
        for hard, soft in instances:
            with build(hard, soft) as solver:
                sequential.append((solver.solve(), solver.cost, solver.lower_bound, solver.model))
        parallel = [None] * len(instances)

        def solve(i):
            hard, soft = instances[i]
            with build(hard, soft) as solver:
                parallel[i] = (solver.solve(), solver.cost, solver.lower_bound, solver.model)
                check_model(self, solver.model, 60, hard, soft, [], solver.cost)

        for pair in ((0, 1), (2, 3)):
            threads = [threading.Thread(target=solve, args=(i,)) for i in pair]
            for t in threads:
                t.start()
            for t in threads:
                t.join()
        self.assertEqual(parallel, sequential)
        self.assertTrue(all(answer[0] == "optimum" for answer in sequential))

    def test_ten_thousand_solves_do_not_grow_memory(self):
        rng = random.Random(11)
        hard, soft = random_instance(rng, 6, 4, 6, 5)

        def solve_many(n):
            for _ in range(n):
                with build(hard, soft) as solver:
                    solver.compute()

        solve_many(1000)
        before = resident_kib()
        solve_many(10000)
        grown = resident_kib() - before
        # A leak of even 100 bytes per solve would show as 1 MB.
        self.assertLess(grown, 1024, "resident memory grew by %d KiB over 10,000 solves" % grown)


if __name__ == "__main__":
    unittest.main()
