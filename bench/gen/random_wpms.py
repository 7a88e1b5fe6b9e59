"""Random weighted partial MaxSAT with a planted solution of the hard part.

Hard: random 3-clauses, each satisfied by a hidden assignment (so the hard part is satisfiable
but not trivially: a clause is drawn uniformly among those the hidden assignment satisfies).
Soft: random 2-clauses with weights from 1 to 20, independent of the hidden assignment, so the
optimum has nothing to do with it. The ratios put the hard part well below the satisfiability
threshold and the soft part well above it: many conflicts between soft clauses, a large gap
between the first model and the optimum.
"""

import random

from wcnf_builder import WcnfBuilder

# variables, hard 3-clauses per variable (tenths), soft 2-clauses per variable (tenths)
DEFAULT_SIZE = (200, 25, 45)
MAX_WEIGHT = 20


def random_clause(rng, nvars, length):
    chosen = rng.sample(range(1, nvars + 1), length)
    return [v if rng.random() < 0.5 else -v for v in chosen]


def generate(seed, size=DEFAULT_SIZE):
    nvars, hard_ratio, soft_ratio = size
    rng = random.Random("random-wpms-%d" % seed)
    nhard = nvars * hard_ratio // 10
    nsoft = nvars * soft_ratio // 10
    b = WcnfBuilder("random weighted partial MaxSAT, seed %d: %d variables, %d hard 3-clauses, "
                    "%d soft 2-clauses" % (seed, nvars, nhard, nsoft))
    b.new_vars(nvars)
    hidden = [None] + [rng.random() < 0.5 for _ in range(nvars)]
    while len(b.hard_clauses) < nhard:
        c = random_clause(rng, nvars, 3)
        if any(hidden[abs(l)] == (l > 0) for l in c):
            b.hard(c)
    for _ in range(nsoft):
        b.soft(rng.randint(1, MAX_WEIGHT), random_clause(rng, nvars, 2))
    return b
