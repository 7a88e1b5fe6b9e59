#!/usr/bin/env bash
# Makes sure a PicoSAT library with trace generation (clausal cores) is available.
#
# Debian's `picosat` package ships libpicosat-trace, but in Debian 12 that library is built
# without trace support: picosat_enable_trace_generation() returns 0 and picosat_coreclause()
# aborts. When the installed library lacks it, this script fetches the source of the same Debian
# package (apt-get source, through a private source list, so the system's apt configuration is
# untouched), builds its static library with trace generation enabled, and installs header and
# library under .deps/picosat-trace/ in the repository, where the CMake build looks first.
# Nothing happens when the installed library already supports traces, or the local build exists.
set -euo pipefail

top=$(cd "$(dirname "$0")/.." && pwd)
prefix="$top/.deps/picosat-trace"

probe_dir=$(mktemp -d)
trap 'rm -rf "$probe_dir"' EXIT

# Prints "yes" when the library in $1 (a .a or .so path, with headers under $2) supports traces.
has_trace_support() {
  local lib=$1 inc=$2
  cat > "$probe_dir/probe.c" <<'PROBE'
#include <picosat/picosat.h>
int main(void) {
  PicoSAT *ps = picosat_init();
  int ok = picosat_enable_trace_generation(ps);
  picosat_reset(ps);
  return ok ? 0 : 1;
}
PROBE
  cc -I"$inc" "$probe_dir/probe.c" "$lib" -o "$probe_dir/probe" >/dev/null 2>&1 && "$probe_dir/probe" && echo yes
}

if [ -f "$prefix/lib/libpicosat-trace.a" ] &&
   [ "$(has_trace_support "$prefix/lib/libpicosat-trace.a" "$prefix/include")" = yes ]; then
  exit 0
fi
system_lib=/usr/lib/$(gcc -print-multiarch 2>/dev/null || echo x86_64-linux-gnu)/libpicosat-trace.a
if [ -f "$system_lib" ] && [ "$(has_trace_support "$system_lib" /usr/include)" = yes ]; then
  exit 0
fi

echo "The installed libpicosat-trace lacks trace support; building it from Debian's picosat source."
work="$probe_dir/src"
mkdir -p "$work/lists/partial"
. /etc/os-release
codename=${VERSION_CODENAME:-bookworm}
echo "deb-src http://deb.debian.org/debian $codename main" > "$work/sources.list"
apt_opts=(-o Dir::Etc::SourceList="$work/sources.list" -o Dir::Etc::SourceParts=/dev/null
          -o Dir::State::Lists="$work/lists" -o APT::Sandbox::User=root)
apt-get "${apt_opts[@]}" update -qq
(cd "$work" && apt-get "${apt_opts[@]}" source --download-only -qq picosat)
tarball=$(ls "$work"/picosat_*.orig.tar.gz | head -n 1)
tar xzf "$tarball" -C "$work"
srcdir=$(find "$work" -maxdepth 1 -type d -name 'picosat-*' | head -n 1)
(cd "$srcdir" && ./configure.sh --trace >/dev/null && make -s libpicosat.a >/dev/null)

mkdir -p "$prefix/include/picosat" "$prefix/lib"
cp "$srcdir/picosat.h" "$prefix/include/picosat/picosat.h"
cp "$srcdir/libpicosat.a" "$prefix/lib/libpicosat-trace.a"
if [ "$(has_trace_support "$prefix/lib/libpicosat-trace.a" "$prefix/include")" != yes ]; then
  echo "error: the PicoSAT built from source still lacks trace support" >&2
  exit 1
fi
echo "PicoSAT with trace support installed in $prefix"
