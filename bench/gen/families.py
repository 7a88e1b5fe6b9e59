"""The instance families of the anytime benchmark and where their instances are written.

An instance is named FAMILY-SEED.wcnf and depends only on the family, its size and the seed,
so that the same set can be made again on any machine; instances are written to a work folder
outside the repository and never committed.
"""

import os

import random_wpms
import seating
import set_cover
import sum_colouring
import timetabling

FAMILIES = {
    "seating": seating,
    "sumcol": sum_colouring,
    "timetabling": timetabling,
    "randwpms": random_wpms,
    "setcover": set_cover,
}

# Two disjoint ranges of seeds: develop on the first, publish figures from the second.
SEED_SETS = {"dev": 1, "holdout": 1001}


def instance_name(family, seed):
    return "%s-%d.wcnf" % (family, seed)


def make_instance(family, seed, folder):
    """Writes the instance (unless it exists) and returns its path."""
    path = os.path.join(folder, instance_name(family, seed))
    if not os.path.exists(path):
        os.makedirs(folder, exist_ok=True)
        tmp = path + ".tmp"
        FAMILIES[family].generate(seed).write(tmp)
        os.replace(tmp, path)
    return path


def make_set(set_name, per_family, folder, families=None):
    first = SEED_SETS[set_name]
    return [make_instance(f, seed, folder)
            for seed in range(first, first + per_family)
            for f in (families or FAMILIES)]
