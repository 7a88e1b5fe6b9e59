"""Shared by the Python tests: the module from the build tree, random instances, and the
exhaustive search that every answer is checked against."""
import os
import random
import sys

# The build tree's module: QUARNEL_PYTHON_DIR is set by CTest.
sys.path.insert(0, os.environ.get("QUARNEL_PYTHON_DIR", os.path.join(os.path.dirname(__file__), "../../build/python")))

import quarnel  # noqa: E402


def satisfied(clause, model_set):
    return any(lit in model_set for lit in clause)


def cost_of(model, soft):
    """The weight of the soft clauses (clause, weight) that `model` (signed ints) falsifies."""
    values = set(model)
    return sum(w for clause, w in soft if not satisfied(clause, values))


def optimum(nv, hard, soft, assumptions=()):
    """The least cost over all assignments of variables 1..nv that satisfy the hard clauses and
    the assumptions, or None when there is none."""
    best = None
    for bits in range(1 << nv):
        values = {v if bits >> (v - 1) & 1 else -v for v in range(1, nv + 1)}
        if not all(lit in values for lit in assumptions):
            continue
        if not all(satisfied(c, values) for c in hard):
            continue
        cost = sum(w for c, w in soft if not satisfied(c, values))
        if best is None or cost < best:
            best = cost
    return best


def check_model(test, model, nv, hard, soft, assumptions, cost):
    """`model` satisfies every hard clause and assumption, and falsifies soft clauses of weight
    `cost`. Variables the model leaves out (no clause has them) may take any value; they are
    taken false, and an assumption over one is satisfied by choosing it."""
    values = set(model)
    covered = {abs(lit) for lit in model}
    for lit in assumptions:
        if abs(lit) in covered:
            test.assertIn(lit, values, "model contradicts an assumption")
        else:
            values.add(lit)
    for v in range(1, nv + 1):
        if v not in covered and -v not in values and v not in values:
            values.add(-v)
    for c in hard:
        test.assertTrue(satisfied(c, values), "model falsifies hard clause %s" % c)
    test.assertEqual(sum(w for c, w in soft if not satisfied(c, values)), cost)


def random_clause(rng, nv, max_len=3):
    size = rng.randint(1, max_len)
    chosen = rng.sample(range(1, nv + 1), min(size, nv))
    return [v if rng.random() < 0.5 else -v for v in chosen]


def random_instance(rng, nv, nhard, nsoft, max_weight):
    hard = [random_clause(rng, nv) for _ in range(nhard)]
    soft = [(random_clause(rng, nv, 2), rng.randint(1, max_weight)) for _ in range(nsoft)]
    return hard, soft


def cases(default):
    return int(os.environ.get("QUARNEL_PROPERTY_CASES", default))
