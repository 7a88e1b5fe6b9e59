"""Minimum-sum colouring of a random graph: colour the vertices so that adjacent ones differ,
paying colour c for a vertex of colour c, and minimise the total.

As in the corpus's msc-* instances: x[v][c] for vertex v and colour c, a hard clause per vertex
(some colour), a hard clause per edge and colour (not both ends), and a soft unit clause
"not x[v][c]" of weight c. The number of colours is one more than a greedy colouring needs, so
the hard clauses are satisfiable and the optimum may use a colour the greedy one does not.
"""

import random

from wcnf_builder import WcnfBuilder

# vertices, edge probability in percent
DEFAULT_SIZE = (110, 12)


def greedy_colour_count(n, adjacent):
    colour = {}
    for v in sorted(range(n), key=lambda v: -len(adjacent[v])):
        used = {colour[u] for u in adjacent[v] if u in colour}
        colour[v] = next(c for c in range(n + 1) if c not in used)
    return max(colour.values()) + 1 if colour else 0


def generate(seed, size=DEFAULT_SIZE):
    n, percent = size
    rng = random.Random("sum-colouring-%d" % seed)
    edges = [(u, v) for u in range(n) for v in range(u + 1, n) if rng.random() * 100 < percent]
    adjacent = [[] for _ in range(n)]
    for u, v in edges:
        adjacent[u].append(v)
        adjacent[v].append(u)
    colours = greedy_colour_count(n, adjacent) + 1
    b = WcnfBuilder("minimum-sum colouring, seed %d: %d vertices, %d edges, %d colours"
                    % (seed, n, len(edges), colours))
    x = [b.new_vars(colours) for _ in range(n)]
    for v in range(n):
        b.hard(x[v])
    for u, v in edges:
        for c in range(colours):
            b.hard([-x[u][c], -x[v][c]])
    for v in range(n):
        for c in range(colours):
            b.soft(c + 1, [-x[v][c]])
    return b
