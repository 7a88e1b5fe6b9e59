#!/usr/bin/env python3
"""Installs the build tree into a scratch prefix, builds the consumer project against the
installed package (find_package(quarnel), target quarnel::quarnel), and runs the program it
builds through the embedding demo's checker.

usage: check_install.py BUILD_DIR CONSUMER_SOURCE_DIR SCRATCH_DIR CXX_COMPILER BUILD_TYPE [LINKER_FLAGS]
"""
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
