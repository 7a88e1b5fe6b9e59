"""Set cover: choose subsets so that every element is in one of them, at least total cost.

Each element gives a hard clause over the subsets that hold it; each subset gives a soft clause
"not chosen" with its cost. The subsets are random (every element in about DENSITY of them, at
least two), as in the classic random set-covering benchmarks: the linear relaxation is far from
the optimum, so cores prove little, and a greedy cover leaves much to improve. Odd seeds give
every subset cost 1 (unicost, the harder kind for core-guided search); even seeds draw costs
from 1 to MAX_COST.
"""

import random

from wcnf_builder import WcnfBuilder

# elements, subsets, subsets per element (mean)
DEFAULT_SIZE = (400, 1600, 12)
MAX_COST = 20


def generate(seed, size=DEFAULT_SIZE):
    elements, subsets, per_element = size
    rng = random.Random("set-cover-%d" % seed)
    unicost = seed % 2 == 1
    b = WcnfBuilder("set cover, seed %d: %d elements, %d subsets (%s), about %d subsets per element"
                    % (seed, elements, subsets, "cost 1 each" if unicost else "costs 1 to %d" % MAX_COST,
                       per_element))
    chosen = b.new_vars(subsets)
    for _ in range(elements):
        count = max(2, min(subsets, int(rng.gauss(per_element, per_element / 4))))
        b.hard(chosen[j] for j in sorted(rng.sample(range(subsets), count)))
    for x in chosen:
        b.soft(1 if unicost else rng.randint(1, MAX_COST), [-x])
    return b
