#!/usr/bin/env python3
"""Runs the quarnel binary on malformed instance files and checks, byte for byte, what it writes
to standard output and standard error and the exit status. With "-v 0" no banner precedes the
message, so each stream holds exactly the message or nothing. Also checks the reader's progress
lines at verbosity 2 outside the competition format.

Usage: test_reader_errors.py <quarnel binary>
"""
import gzip
import os
import re
import subprocess
import sys
import tempfile

BIN = sys.argv[1]
failures = []


def run(*args, preexec_fn=None):
    p = subprocess.run([BIN, *args], stdout=subprocess.PIPE, stderr=subprocess.PIPE, timeout=60,
                       preexec_fn=preexec_fn)
    return p.returncode, p.stdout, p.stderr


def check(name, path, status, stdout=b"", stderr=b"", preexec_fn=None):
    got = run("-v", "0", path, preexec_fn=preexec_fn)
    want = (status, stdout, stderr)
    if got != want:
        failures.append(f"{name}: got {got!r}, want {want!r}")


with tempfile.TemporaryDirectory() as tmp:
    def write(name, data, compress=False):
        path = os.path.join(tmp, name)
        with (gzip.open(path, "wb") if compress else open(path, "wb")) as f:
            f.write(data)
        return path

    missing = os.path.join(tmp, "missing.cnf")
    check("missing file", missing, 3, f"QRN ERROR: Could not open file: {missing}\n".encode())
    check("directory", tmp, 3, f"QRN ERROR: Could not open file: {tmp}\n".encode())

    invalid = b"QRN ERROR: Invalid file format. Should be <cnf|wcnf|pmcnf>\n"
    check("empty file", write("empty.cnf", b""), 3, invalid)
    check("unknown format", write("unknown.cnf", b"c x\np CNF 1 1\n1 0\n"), 3, invalid)
    check("no format line", write("noformat.cnf", b"x 1 2 0\n"), 1, b"File without format line\n")

    check("clause without final 0", write("open.cnf", b"p cnf 2 1\n1 2"), 3,
          stderr=b"PARSE ERROR! Unexpected char: \xff\n")
    check("NUL byte inside a clause", write("nul.cnf", b"p cnf 2 1\n1 \0 2 0\n"), 3,
          stderr=b"PARSE ERROR! Unexpected char: \0\n")
    # Every byte value, in order: no line starts with "p", so no format line is ever found.
    check("binary garbage", write("garbage.cnf", bytes(range(256)) * 16), 1, b"File without format line\n")
    check("gzip header, then garbage", write("fake.cnf.gz", b"\x1f\x8b\x08\x00garbage"), 3,
          f"QRN ERROR: Could not read file: {tmp}/fake.cnf.gz: unexpected end of file\n".encode())
    check("byte 0xFF where a clause begins", write("ff.cnf", b"p cnf 1 1\n\xff 1 0\n"), 3,
          stderr=b"PARSE ERROR! Unexpected char: \xff\n")
    check("top weight beyond 64 bits", write("top.wcnf", b"p wcnf 1 1 18446744073709551616\n1 1 0\n"), 3,
          stderr=b"PARSE ERROR! Number out of range: 18446744073709551616\n")
    check("negative weight", write("neg.wcnf", b"p wcnf 1 1\n-1 1 0\n", compress=True), 3,
          stderr=b"PARSE ERROR! Number out of range: -1\n")
    check("fourth field", write("four.wcnf", b"p wcnf 1 1 9 -12\r\n"), 3,
          stderr=b"PARSE ERROR! Unexpected int: -12\n")
    check("wrong word", write("word.wcnf", b"p wcnf 1 1\np scnf 1 1\n"), 3,
          stderr=b"PARSE ERROR! Unexpected int: scnf\n")
    check("unknown section", write("section.pmcnf", b"p pmcnf 1 1\np firm\n"), 3,
          stderr=b"PARSE ERROR! Unexpected format: firm\n")

    text = b"p cnf 3 30000\n" + b"1 -2 3 0\n-1 2 0\n" * 15000
    packed = gzip.compress(text)
    cut = write("cut.cnf.gz", packed[: len(packed) // 2])
    check("truncated gzip", cut, 3, f"QRN ERROR: Could not read file: {cut}: unexpected end of file\n".encode())

    # An unreadable file. Root reads any file, so as root the run drops to the user nobody.
    locked = write("locked.cnf", b"p cnf 1 1\n1 0\n")
    os.chmod(locked, 0)
    as_nobody = (lambda: os.setuid(65534)) if os.geteuid() == 0 else None
    try:
        check("unreadable file", locked, 3, f"QRN ERROR: Could not open file: {locked}\n".encode(),
              preexec_fn=as_nobody)
    except (PermissionError, subprocess.SubprocessError) as e:
        print(f"skipped unreadable file: cannot run the binary as nobody ({e})")

    # Progress lines of the reader: at verbosity 2 outside the competition format only.
    inst = write("ok.wcnf", b"p wcnf 2 2 5\n5 1 2 0\n2 -1 0\n")
    _, out, _ = run("-v", "2", "-NC", inst)
    if not re.search(rb"(^|\n)Parsing\.\.\. \.\.\. Done\. CPU time [0-9.e+-]+\n", out):
        failures.append(f"progress lines missing at -v 2 -NC: {out!r}")
    _, out, _ = run("-v", "2", inst)
    if b"Parsing" in out:
        failures.append(f"progress lines in the competition format: {out!r}")

for f in failures:
    print("FAIL:", f)
print(f"{len(failures)} failure(s)")
sys.exit(1 if failures else 0)
