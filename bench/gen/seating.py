"""Seating assignment: guests to tables of bounded size, with preferences between guests.

Each guest sits at exactly one table and no table holds more than its capacity (hard); pairs of
friends who end up at different tables and pairs of rivals who end up at the same table cost 1
each (soft). The tables are nearly full, so moving one guest means moving others: the search
space is the same as that of the corpus's seat-* instances, which are made from the same kind
of wedding-planning data. Friendships cluster (guests come in families and circles), which
gives good assignments something to find.
"""

import random

from wcnf_builder import WcnfBuilder

# guests, tables; a table holds ceil(guests / tables) + SLACK guests.
DEFAULT_SIZE = (60, 6)
SLACK = 0
FRIENDS_PER_GUEST = 3
RIVALS_PER_GUEST = 2
CIRCLE_SIZE = (3, 7)


def generate(seed, size=DEFAULT_SIZE):
    guests, tables = size
    rng = random.Random("seating-%d" % seed)
    capacity = -(-guests // tables) + SLACK
    b = WcnfBuilder("seating assignment, seed %d: %d guests, %d tables of %d seats"
                    % (seed, guests, tables, capacity))
    at = [b.new_vars(tables) for _ in range(guests)]  # at[g][t]: guest g sits at table t
    for g in range(guests):
        b.exactly_one(at[g])
    for t in range(tables):
        b.at_most([at[g][t] for g in range(guests)], capacity)

    # Circles of acquaintance: friends are mostly drawn from the guest's own circle.
    order = list(range(guests))
    rng.shuffle(order)
    circle_of = {}
    circles = []
    while order:
        n = rng.randint(*CIRCLE_SIZE)
        circles.append(order[:n])
        for g in order[:n]:
            circle_of[g] = len(circles) - 1
        order = order[n:]
    friends, rivals = set(), set()
    for g in range(guests):
        for _ in range(FRIENDS_PER_GUEST):
            pool = circles[circle_of[g]] if rng.random() < 0.7 else range(guests)
            h = rng.choice(list(pool))
            if h != g:
                friends.add((min(g, h), max(g, h)))
        for _ in range(RIVALS_PER_GUEST):
            h = rng.randrange(guests)
            pair = (min(g, h), max(g, h))
            if h != g and pair not in friends:
                rivals.add(pair)
    for g, h in sorted(friends):
        # g sits at exactly one table, so at most one of these clauses is falsified.
        for t in range(tables):
            b.soft(1, [-at[g][t], at[h][t]])
    for g, h in sorted(rivals):
        for t in range(tables):
            b.soft(1, [-at[g][t], -at[h][t]])
    return b
