#!/usr/bin/env bash
# Installs the Debian packages the build and the tests need (skipping those
# already present), then configures and builds one build tree.
#   scripts/setup.sh BUILD_DIR [extra cmake arguments...]
# KURVEX_TARGET, when set, names the targets to build, separated by blanks
# (default: all).
set -euo pipefail
cd "$(dirname "$0")/.."

PACKAGES=(
  g++ cmake ninja-build pkg-config
  libgtest-dev libgmock-dev libbenchmark-dev
  libpng-dev zlib1g-dev libfreetype-dev fonts-dejavu-core libcairo2-dev
  fonts-dejavu-extra fonts-liberation2
  libgtk-3-dev xvfb xdotool x11-utils
  man-db groff-base desktop-file-utils libglib2.0-bin jq
  clang libclang-rt-14-dev
  pybind11-dev python3-dev python3-numpy python3-pytest
  python3-setuptools python3-wheel python3-venv python3-pip python3-build
  dpkg-dev file parallel poppler-utils
)

missing=()
for p in "${PACKAGES[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
    missing+=("$p")
  fi
done
if [ ${#missing[@]} -gt 0 ]; then
  if [ "$(id -u)" -ne 0 ]; then
    echo "setup: missing Debian packages: ${missing[*]} (run as root to install them)" >&2
    exit 1
  fi
  echo "setup: installing ${missing[*]}"
  apt-get update -qq
  DEBIAN_FRONTEND=noninteractive apt-get install -y -qq "${missing[@]}" >/dev/null
fi

build=${1:-build}
shift || true
cmake -S . -B "$build" -G Ninja "$@" >/dev/null
read -r -a targets <<< "${KURVEX_TARGET:-}"
cmake --build "$build" -j "$(nproc)" ${targets[@]:+--target "${targets[@]}"}
