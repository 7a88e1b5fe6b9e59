#!/usr/bin/env python3
"""Converts a MaxSAT instance in the 2022+ WCNF format to the older "p wcnf" format that
quarnel reads.

The newer format has no problem line: "h <lits> 0" is a hard clause, "<weight> <lits> 0" a soft
one, "c ..." a comment. The old format needs "p wcnf <nvars> <nclauses> <top>" and writes hard
clauses with the top weight; top is the sum of the soft weights plus 1, so that no set of
falsified soft clauses can ever weigh as much as one hard clause. Comments and the order of the
clauses are kept; the problem line goes after the comments that open the file.

Input and output may be plain or gzip: gzip input is recognised by its magic bytes, gzip output
is written when the output name ends in .gz or with --gzip. "-" stands for standard input or
output.
"""

import argparse
import gzip
import sys

MAX_WEIGHT = 2 ** 64 - 1
MAX_LIT = 2147483647


class ConversionError(Exception):
    pass


def _int(token, line_no):
    try:
        return int(token)
    except ValueError:
        raise ConversionError("line %d: not a number: %r" % (line_no, token)) from None


def convert_text(text):
    """Returns the old-format text for one 2022+ format instance."""
    lead_comments = []  # comments before the first clause go before the problem line
    body = []  # ('c', text) or (weight or None for hard, literal list)
    soft_sum = 0
    nvars = 0
    nclauses = 0
    pending = None  # clause being read: [weight or None, literals]
    for line_no, raw in enumerate(text.splitlines(), 1):
        line = raw.strip()
        if pending is None:
            if not line:
                continue
            if line[0] == "c":
                (body if nclauses else lead_comments).append(("c", raw.rstrip()))
                continue
            if line[0] == "p":
                raise ConversionError("line %d: a problem line: the file is not in the 2022+ format"
                                      % line_no)
        tokens = line.split()
        for tok in tokens:
            if pending is None:
                if tok == "h":
                    pending = [None, []]
                    continue
                w = _int(tok, line_no)
                if w < 0 or w > MAX_WEIGHT:
                    raise ConversionError("line %d: weight out of range: %s" % (line_no, tok))
                pending = [w, []]
                continue
            lit = _int(tok, line_no)
            if lit == 0:
                weight, lits = pending
                body.append((weight, lits))
                nclauses += 1
                if weight is not None:
                    soft_sum += weight
                pending = None
                continue
            if abs(lit) > MAX_LIT:
                raise ConversionError("line %d: literal out of range: %s" % (line_no, tok))
            nvars = max(nvars, abs(lit))
            pending[1].append(lit)
    if pending is not None:
        raise ConversionError("the last clause has no terminating 0")
    top = soft_sum + 1
    if top > MAX_WEIGHT:
        raise ConversionError("the soft weights add up to %d: top weight beyond 2^64-1" % soft_sum)
    out = [c for _, c in lead_comments]
    out.append("p wcnf %d %d %d" % (nvars, nclauses, top))
    for weight, lits in body:
        if weight == "c":
            out.append(lits)
            continue
        out.append("%d %s0" % (top if weight is None else weight, "".join("%d " % l for l in lits)))
    return "\n".join(out) + "\n"


def read_input(path):
    if path == "-":
        data = sys.stdin.buffer.read()
    else:
        with open(path, "rb") as f:
            data = f.read()
    if data[:2] == b"\x1f\x8b":
        data = gzip.decompress(data)
    return data.decode("latin-1")


def write_output(path, text, compress):
    data = text.encode("latin-1")
    if compress:
        data = gzip.compress(data, mtime=0)
    if path == "-":
        sys.stdout.buffer.write(data)
        sys.stdout.buffer.flush()
    else:
        with open(path, "wb") as f:
            f.write(data)


def main(argv=None):
    ap = argparse.ArgumentParser(
        prog="wcnf2old", description="Convert a 2022+ format WCNF file to the old 'p wcnf' format.")
    ap.add_argument("input", help="2022+ format file, plain or gzip (- = standard input)")
    ap.add_argument("output", nargs="?", default="-", help="old-format file (default: standard output)")
    ap.add_argument("-z", "--gzip", action="store_true", help="compress the output (default for *.gz)")
    a = ap.parse_args(argv)
    try:
        text = convert_text(read_input(a.input))
    except (ConversionError, OSError, EOFError) as e:
        print("wcnf2old: %s" % e, file=sys.stderr)
        return 1
    write_output(a.output, text, a.gzip or a.output.endswith(".gz"))
    return 0


if __name__ == "__main__":
    sys.exit(main())
