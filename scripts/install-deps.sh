#!/usr/bin/env bash
# Installs what building and testing quarnel needs, through apt-get (with sudo when not root).
# Does nothing when everything is already present, so it is cheap to run before every build.
set -euo pipefail

need=()
have_pkg() { dpkg-query -W -f='${Status}' "$1" 2>/dev/null | grep -q 'install ok installed'; }

command -v g++ >/dev/null 2>&1 || need+=(g++)
command -v cmake >/dev/null 2>&1 || need+=(cmake)
command -v make >/dev/null 2>&1 || need+=(make)
for pkg in picosat zlib1g-dev liblzma-dev libbz2-dev libabsl-dev libcadical-dev libgtest-dev python3-dev python3-pybind11; do
  have_pkg "$pkg" || need+=("$pkg")
done
command -v python3 >/dev/null 2>&1 || need+=(python3)
command -v gzip >/dev/null 2>&1 || need+=(gzip)

if [ "${#need[@]}" -gt 0 ]; then
  echo "Installing missing packages: ${need[*]}"
  SUDO=""
  if [ "$(id -u)" -ne 0 ]; then SUDO="sudo"; fi
  export DEBIAN_FRONTEND=noninteractive
  $SUDO apt-get update -qq
  $SUDO apt-get install -y -qq "${need[@]}"
fi

# The solver needs clausal cores from PicoSAT; make sure the library can deliver them.
bash "$(dirname "$0")/build-picosat-trace.sh"
