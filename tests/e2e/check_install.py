#!/usr/bin/env python3
"""Installs the build tree into a scratch prefix, builds the consumer project against the
installed package (find_package(quarnel), target quarnel::quarnel), and runs the program it
builds through the embedding demo's checker. The IPAMIR archive, its header and LIBS must be
installed too, and the installed Python module must solve the demo instance in Debian's python3
(when the build has the module).

usage: check_install.py BUILD_DIR CONSUMER_SOURCE_DIR SCRATCH_DIR CXX_COMPILER BUILD_TYPE [LINKER_FLAGS]
"""
import glob
import os
import shutil
import subprocess
import sys

import check_embed_demo


def run(cmd):
    print("+", " ".join(cmd), flush=True)
    subprocess.run(cmd, check=True)


def main(build_dir, consumer_dir, scratch, cxx, build_type, linker_flags=""):
    shutil.rmtree(scratch, ignore_errors=True)
    prefix = os.path.join(scratch, "prefix")
    consumer_build = os.path.join(scratch, "consumer-build")
    run(["cmake", "--install", build_dir, "--prefix", prefix])

    # Only what the package promises may be used: the installed headers and configuration.
    for path in ("include/quarnel/facade/qrnapp.hh", "include/quarnel/app/build_info.hh",
                 "include/quarnel/clauses/basic_clause_set.hh"):
        if not os.path.isfile(os.path.join(prefix, path)):
            print("FAIL: not installed:", path)
            return False

    for path in ("include/quarnel/ipamir/ipamir.h", "lib/quarnel/ipamir/libipamirquarnel.a",
                 "lib/quarnel/ipamir/LIBS"):
        if not os.path.isfile(os.path.join(prefix, path)):
            print("FAIL: not installed:", path)
            return False
    modules = glob.glob(os.path.join(prefix, "lib*", "python3*", "dist-packages", "quarnel.*.so"))
    if os.path.isdir(os.path.join(build_dir, "python")) and os.path.exists("/usr/bin/python3"):
        if len(modules) != 1:
            print("FAIL: the Python module is not installed once:", modules)
            return False
        demo = os.path.join(os.path.dirname(consumer_dir), "demo.wcnf")
        env = dict(os.environ, PYTHONPATH=os.path.dirname(modules[0]))
        out = subprocess.run(["/usr/bin/python3", "-c", "import quarnel, sys; s = quarnel.Solver(quarnel.read(sys.argv[1]));"
                              " print(s.compute(), s.cost)", demo], env=env, capture_output=True, text=True)
        if out.stdout.strip() != "[-1, 2, -3] 2":
            print("FAIL: the installed module printed", out.stdout, out.stderr)
            return False

    configure = ["cmake", "-S", consumer_dir, "-B", consumer_build,
                 "-DCMAKE_PREFIX_PATH=" + prefix, "-DCMAKE_CXX_COMPILER=" + cxx,
                 "-DCMAKE_BUILD_TYPE=" + build_type]
    if linker_flags:
        configure.append("-DCMAKE_EXE_LINKER_FLAGS=" + linker_flags)
    run(configure)
    run(["cmake", "--build", consumer_build, "-j2"])
    ok = check_embed_demo.run_and_check(os.path.join(consumer_build, "embed_demo"))
    if ok:
        shutil.rmtree(scratch, ignore_errors=True)
    return ok


if __name__ == "__main__":
    sys.exit(0 if main(*sys.argv[1:]) else 1)
