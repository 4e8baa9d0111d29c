#!/usr/bin/env bash
# Tries the README's three ways of installing as written, as root on a
# machine that may be changed (a fresh Debian 12, a container): the source
# tree into /usr/local, the Debian package, and pip into a virtual
# environment. After each it runs the program, the manual and the Python
# module from another folder with a clean environment, then removes what
# it installed (pip's check is scripts/check-python-package.sh). Needs the build of scripts/run.sh (build/).
#   scripts/check-install.sh
set -euo pipefail
cd "$(dirname "$0")/.."
top=$(pwd)
[ "$(id -u)" -eq 0 ] || { echo "check-install: run as root" >&2; exit 1; }
[ -x build/kurvex ] || { echo "check-install: run scripts/run.sh first" >&2; exit 1; }
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT

# What a user sees from another folder, with nothing but the standard paths.
try_installed() {
  local bin=$1 python=$2
  (cd "$scratch" && env -i HOME="$scratch" PATH=/usr/local/bin:/usr/bin:/bin sh -c "
    set -e
    $bin --version
    man -w kurvex
    $python -c 'import kurvex; print(\"kurvex\", kurvex.__version__, \"from\", kurvex.__file__)'")
}

echo "== from the source tree: cmake --install build (into /usr/local)"
cmake --install build > "$scratch/install.txt"
try_installed kurvex /usr/bin/python3
cmake --build build --target uninstall > /dev/null
if [ -e /usr/local/bin/kurvex ] || [ -e /usr/local/lib/python3.11/dist-packages/kurvex ] ||
   [ -e /usr/local/share/doc/kurvex ]; then
  echo "check-install: not removed" >&2; exit 1
fi

echo "== the Debian package: cpack -G DEB, apt-get install, apt-get remove"
(cd build && cpack -G DEB -B "$scratch/deb" > /dev/null)
deb=$(ls "$scratch"/deb/kurvex_*.deb)
echo "made $(basename "$deb")"
DEBIAN_FRONTEND=noninteractive apt-get install -y -qq "$deb" > /dev/null
try_installed /usr/bin/kurvex /usr/bin/python3
DEBIAN_FRONTEND=noninteractive apt-get remove -y -qq kurvex > /dev/null
left=$(dpkg -L kurvex 2>/dev/null | grep -c . || true)
if [ -e /usr/bin/kurvex ] || [ -e /usr/lib/python3/dist-packages/kurvex ] || [ "$left" -ne 0 ]; then echo "check-install: not removed" >&2; exit 1; fi
echo "removed"

echo "== pip into a virtual environment, and the wheel"
bash scripts/check-python-package.sh build
echo "check-install: every way installed, ran and was removed"
