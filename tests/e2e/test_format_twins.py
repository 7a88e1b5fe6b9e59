#!/usr/bin/env python3
"""Every input format and compression must give the same instance: each instance is written as a
2022+ WCNF file, and that file converted back by tools/wcnf2old (the old format with top = soft
sum + 1), and each of the two plain, gzip, xz and bzip2; quarnel must print the same "o" line,
the same "s" line and the same falsified clauses ("-u") for all eight, and the optimum must be
the one of the original file.

The instances: the wcnf files of tests/data/driver; with --bench, the easy instances of the
benchmark corpus (../shared/bench beside the repository, or $QUARNEL_BENCH_DIR) instead, which
takes a minute or more (exit status 77 when the corpus is not there).

Usage: test_format_twins.py <quarnel binary> [--bench]
"""
import bz2
import gzip
import lzma
import os
import subprocess
import sys
import tempfile

HERE = os.path.dirname(os.path.abspath(__file__))
ROOT = os.path.dirname(os.path.dirname(HERE))
BIN = sys.argv[1]
WITH_BENCH = "--bench" in sys.argv[2:]
sys.path.insert(0, os.path.join(ROOT, "tools"))
import wcnf2old  # noqa: E402

PACK = {"": lambda b: b, ".gz": lambda b: gzip.compress(b, mtime=0), ".xz": lzma.compress, ".bz2": bz2.compress}
UNPACK = {b"\x1f\x8b": gzip.decompress, b"\xfd7zXZ": lzma.decompress, b"BZh": bz2.decompress}


def unpacked(path):
    with open(path, "rb") as f:
        data = f.read()
    for magic, fn in UNPACK.items():
        if data.startswith(magic):
            return fn(data)
    return data


def to_new_format(text):
    """The 2022+ twin of an old-format wcnf or cnf text: hard clauses as "h", the weights kept."""
    out, top, kind, pending = [], None, None, []
    for line in text.splitlines():
        s = line.strip()
        if not s or s.startswith("c"):
            continue
        if s.startswith("p"):
            f = s.split()
            kind = f[1]
            top = int(f[4]) if kind == "wcnf" and len(f) > 4 else 2147483647
            continue
        pending += s.split()
        while "0" in pending[1 if kind == "wcnf" else 0:]:
            start = 1 if kind == "wcnf" else 0
            end = pending.index("0", start)
            w = int(pending[0]) if kind == "wcnf" else 1
            lits = " ".join(pending[start:end])
            out.append(("h" if w >= top else str(w)) + (" " + lits if lits else "") + " 0")
            pending = pending[end + 1:]
    return "\n".join(out) + "\n"


def answer(path):
    """Exit status, "o" and "s" lines, falsified clauses; None when the run takes too long."""
    try:
        p = subprocess.run([BIN, "-v", "0", "-u", "-T", "5", path], stdout=subprocess.PIPE, stderr=subprocess.PIPE,
                           timeout=30)
    except subprocess.TimeoutExpired:
        return None
    lines = p.stdout.decode("latin-1").splitlines()
    o = [l for l in lines if l.startswith(("o ", "s "))]
    falsified = sorted(l for l in lines if l.startswith("c ") and l.endswith(" 0") and "CPU Time" not in l)
    return p.returncode, o, falsified


def instances():
    if not WITH_BENCH:
        data = os.path.join(ROOT, "tests", "data", "driver")
        for name in sorted(os.listdir(data)):
            if name.endswith(".wcnf") and not name.startswith("bmo"):
                yield os.path.join(data, name)
        return
    bench = os.environ.get("QUARNEL_BENCH_DIR", os.path.join(ROOT, "..", "shared", "bench"))
    expected = os.path.join(bench, "EXPECTED.tsv")
    if not os.path.exists(expected):
        print("no benchmark corpus at %s" % bench)
        sys.exit(77)
    with open(expected) as f:
        for row in f.read().splitlines()[1:]:
            name, _, _, cls = row.split("\t")[:4]
            if cls == "easy":
                yield os.path.join(bench, name)


failures = []
count = 0
with tempfile.TemporaryDirectory() as tmp:
    for src in instances():
        text = unpacked(src).decode("latin-1")
        try:
            new = to_new_format(text)
            if not new.strip():
                print(f"skipped {src}: without clauses it has no 2022+ twin (an empty file has no format)")
                continue
            old = wcnf2old.convert_text(new)
        except (wcnf2old.ConversionError, ValueError) as e:
            print(f"skipped {src}: {e}")
            continue
        original = answer(src)
        if original is None or original[0] != 0:
            print(f"skipped {src}: no answer from the original within the limit")
            continue
        count += 1
        base = os.path.join(tmp, os.path.basename(src).split(".")[0])
        first = None
        for fmt, body in (("new", new), ("old", old)):
            for ext, pack in PACK.items():
                path = f"{base}.{fmt}.wcnf{ext}"
                with open(path, "wb") as f:
                    f.write(pack(body.encode("latin-1")))
                got = answer(path)
                if first is None:
                    first = got
                    if got is None:
                        print(f"skipped {src}: no answer from the 2022+ twin within the limit")
                        break
                    if got[1][:1] != original[1][:1] or got[0] != 0:
                        failures.append(f"{src}: {fmt}{ext} answers {got[:2]}, the original {original[:2]}")
                elif got != first:
                    failures.append(f"{src}: {fmt}{ext} answers {got}, new-format plain {first}")
                os.remove(path)
            if first is None:
                break

for f in failures:
    print("FAIL:", f)
print(f"{count} instances, {len(failures)} failure(s)")
sys.exit(1 if failures or count == 0 else 0)
