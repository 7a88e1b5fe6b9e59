"""High-school timetabling: lectures to time slots, with clashes, rooms and weighted wishes.

Each class (a group of pupils) takes several courses, each course a few lectures a week, taught
by one teacher; teachers teach several courses across classes. Hard: every lecture gets exactly
one slot, a class and a teacher are never in two lectures at once, no more lectures at a time
than there are rooms, and a teacher is never scheduled when unavailable. Soft, with weights as
in the corpus's hstt-* instances (different costs for different kinds of wish): two lectures of
one course on the same day (3), a teacher's disliked slots (1), lectures in the last period of
the day (1). Classes fill most of the week, so the clashes leave little room.
"""

import random

from wcnf_builder import WcnfBuilder

# classes, days, periods per day
DEFAULT_SIZE = (5, 5, 6)
FREE_SLOTS_PER_CLASS = 3
LECTURES_PER_COURSE = (2, 5)
COURSES_PER_TEACHER = 3
SAME_DAY_WEIGHT = 3
DISLIKED_SLOT_WEIGHT = 1
LAST_PERIOD_WEIGHT = 1


def generate(seed, size=DEFAULT_SIZE):
    nclasses, days, periods = size
    rng = random.Random("timetabling-%d" % seed)
    slots = days * periods
    courses = []  # (class, lecture count)
    for k in range(nclasses):
        left = slots - FREE_SLOTS_PER_CLASS
        while left > 0:
            n = min(left, rng.randint(*LECTURES_PER_COURSE))
            courses.append((k, n))
            left -= n
    nteachers = max(2, -(-len(courses) // COURSES_PER_TEACHER))
    teacher_of = [rng.randrange(nteachers) for _ in courses]
    events = [(c, k) for c, (k, n) in enumerate(courses) for _ in range(n)]  # (course, class)
    rooms = -(-len(events) // slots) + 1
    b = WcnfBuilder("timetabling, seed %d: %d classes, %d courses, %d teachers, %d lectures, "
                    "%d days x %d periods, %d rooms"
                    % (seed, nclasses, len(courses), nteachers, len(events), days, periods, rooms))
    x = [b.new_vars(slots) for _ in events]  # x[e][t]: lecture e is held in slot t
    for e in range(len(events)):
        b.exactly_one(x[e])
    by_class = [[e for e, (_, k) in enumerate(events) if k == cl] for cl in range(nclasses)]
    by_teacher = [[e for e, (c, _) in enumerate(events) if teacher_of[c] == t] for t in range(nteachers)]
    for t in range(slots):
        for group in by_class + by_teacher:
            b.at_most_one(x[e][t] for e in group)
        b.at_most([x[e][t] for e in range(len(events))], rooms)

    # A teacher is unavailable for a few slots (hard) and dislikes a few more (soft).
    for teacher, group in enumerate(by_teacher):
        marked = rng.sample(range(slots), 6)
        for t in marked[:2]:
            for e in group:
                b.hard([-x[e][t]])
        for t in marked[2:]:
            for e in group:
                b.soft(DISLIKED_SLOT_WEIGHT, [-x[e][t]])

    # on_day[e][d] is implied by lecture e being held on day d; two lectures of one course on
    # one day cost SAME_DAY_WEIGHT.
    on_day = [b.new_vars(days) for _ in events]
    for e in range(len(events)):
        for t in range(slots):
            b.hard([-x[e][t], on_day[e][t // periods]])
    for c in range(len(courses)):
        lectures = [e for e, (ce, _) in enumerate(events) if ce == c]
        for i, e in enumerate(lectures):
            for f in lectures[i + 1:]:
                for d in range(days):
                    b.soft(SAME_DAY_WEIGHT, [-on_day[e][d], -on_day[f][d]])
    for e in range(len(events)):
        for d in range(days):
            b.soft(LAST_PERIOD_WEIGHT, [-x[e][d * periods + periods - 1]])
    return b
