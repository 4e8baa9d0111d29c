#!/usr/bin/env bash
# Runs the Python module's tests with the module just built.
#   run.sh PYTHON MODULE_DIR KURVEX_BINARY SOURCE_DIR SANITIZE CXX
# Exits 77 (a skipped test) with the reason on standard output when the
# interpreter cannot run them: pytest or numpy missing, or, in the sanitizer
# build, an interpreter that cannot load the sanitizer runtime the module
# needs.
set -uo pipefail
python=$1 module=$2 binary=$3 source=$4 sanitize=$5 cxx=$6

if ! "$python" -c 'import numpy, pytest' 2>/dev/null; then
  echo "skipped: $python has no numpy or pytest (scripts/setup.sh installs them)"
  exit 77
fi
if [ "$sanitize" = ON ]; then
  # The module carries AddressSanitizer, which must be the first library
  # loaded; the C++ runtime comes with it, since the sanitizer's hook on
  # throwing an exception finds the real one only if it is loaded already.
  runtime=$("$cxx" -print-file-name=libasan.so)
  export LD_PRELOAD="$runtime $("$cxx" -print-file-name=libstdc++.so)"
  export ASAN_OPTIONS=${ASAN_OPTIONS:-}${ASAN_OPTIONS:+:}detect_leaks=0
  if ! PYTHONPATH=$module "$python" -c 'import kurvex' >/dev/null 2>&1; then
    echo "skipped: $python cannot load the sanitizer runtime ($runtime) that this build's module needs"
    exit 77
  fi
fi
export PYTHONDONTWRITEBYTECODE=1 PYTHONPATH=$module KURVEX_BINARY=$binary KURVEX_SOURCE=$source MPLBACKEND=Agg
exec "$python" -m pytest -q -p no:cacheprovider "$source/python/tests"
