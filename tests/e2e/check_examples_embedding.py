#!/usr/bin/env python3
"""The README's embedding examples as a user runs them: examples/ipamir_demo.c compiled with
`cc app.c -L DIR -lipamirquarnel $(cat DIR/LIBS)` (the way IPAMIR applications link a solver),
its three answers checked; and examples/quickstart.py run on examples/demo.wcnf with Debian's
python3 and the build tree's module.

usage: check_examples_embedding.py BUILD_DIR SOURCE_DIR C_COMPILER PYTHON"""
import os
import subprocess
import sys
import tempfile


def main():
    build, source, cc, python = sys.argv[1:5]
    ipamir_dir = os.path.join(build, "ipamir")
    with open(os.path.join(ipamir_dir, "LIBS")) as f:
        libs = f.read().split()
    with tempfile.TemporaryDirectory() as tmp:
        exe = os.path.join(tmp, "ipamir_demo")
        subprocess.run([cc, os.path.join(source, "examples/ipamir_demo.c"), "-I", ipamir_dir, "-o", exe,
                        "-L", ipamir_dir, "-lipamirquarnel"] + libs, check=True)
        out = subprocess.run([exe], check=True, capture_output=True, text=True).stdout.splitlines()
    # x3 is in no clause of the first solve: its value is 0.
    expected = ["answer 30, cost 2, model 1 -2 0", "answer 30, cost 3, model -1 2 -3", "answer 30, cost 6, model 1 -2 3"]
    ok = len(out) == 4 and out[0].startswith("quarnel ") and out[1:] == expected
    if not ok:
        print("ipamir_demo printed:\n" + "\n".join(out))
        return 1

    env = dict(os.environ, PYTHONPATH=os.path.join(build, "python"))
    out = subprocess.run([python, os.path.join(source, "examples/quickstart.py"), os.path.join(source, "examples/demo.wcnf")],
                         check=True, capture_output=True, text=True, env=env).stdout
    if "cost 2 status optimum" not in out or "model [-1, 2, -3]" not in out:
        print("quickstart.py printed:\n" + out)
        return 1
    return 0


if __name__ == "__main__":
    sys.exit(main())
