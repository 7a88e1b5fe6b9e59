#!/usr/bin/env python3
"""Writes any instance that maxsat_reader accepts (cnf, pmcnf, wcnf; plain or gzip) as a plain
"p wcnf" file, for solvers that only read weighted MaxSAT in that format.

Every clause is written as it occurs in the input, repetitions included (solvers that read
wcnf count a repeated clause once per occurrence, which is what its summed weight means here).
cnf clauses get weight 1; pmcnf hard clauses and wcnf clauses at or above the top weight get
the new top weight, the sum of the soft weights plus 1.
"""

import os
import sys

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import maxsat_reader  # noqa: E402


def to_wcnf_text(inst):
    """`inst` must have been read with keep_occurrences=True."""
    if inst.num_capped:
        # Some repeated soft clause only turned hard through its summed weight; written once
        # per occurrence it would be soft again under the new top, so write the merged clauses.
        inst.occurrences = [(None, list(c)) for c in inst.hard] + [(w, list(c)) for w, c in inst.soft]
    soft = [w for w, _ in inst.occurrences if w is not None and w < inst.top]
    top = sum(soft) + 1
    if top > maxsat_reader.MAX_WEIGHT:
        raise ValueError("soft weights add up beyond 2^64 - 2")
    lines = ["p wcnf %d %d %d" % (inst.nvars, len(inst.occurrences), top)]
    for w, lits in inst.occurrences:
        weight = top if (w is None or w >= inst.top) else w
        lines.append("%d %s0" % (weight, "".join("%d " % l for l in lits)))
    return "\n".join(lines) + "\n"


def convert_file(src, dst):
    """Converts; tells whether the instance has a soft clause of positive weight."""
    inst = maxsat_reader.read_instance(src, keep_occurrences=True)
    with open(dst, "w") as f:
        f.write(to_wcnf_text(inst))
    return bool(inst.soft)


def main(argv):
    if len(argv) != 3:
        print("usage: to_wcnf.py INPUT OUTPUT", file=sys.stderr)
        return 2
    try:
        convert_file(argv[1], argv[2])
    except (maxsat_reader.ParseError, ValueError, OSError) as e:
        print("to_wcnf: %s" % e, file=sys.stderr)
        return 1
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
