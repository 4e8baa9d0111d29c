#!/usr/bin/env bash
# Checks the Python package as a user gets it, outside the test suite (it
# compiles the engine twice more, minutes on two cores):
#  1. pip install --no-build-isolation . into a fresh virtual environment
#     that sees Debian's numpy, then imports kurvex there from another
#     folder: its version is the project's, and so is the installed
#     distribution's, which requires numpy;
#  2. the module's tests on that installed package, against the program of
#     BUILD_DIR (when it is built there): pip's build gives the program's
#     numbers to the last bit too;
#  3. python3 -m build --no-isolation makes an sdist and a wheel built from
#     that sdist (so the sdist holds all the build needs), whose files are
#     listed.
#   scripts/check-python-package.sh [BUILD_DIR]   (default: build)
# PYTHON names the interpreter (default /usr/bin/python3).
# Needs Debian's python3-venv, python3-build, python3-setuptools and
# python3-wheel besides what scripts/setup.sh installs.
set -euo pipefail
cd "$(dirname "$0")/.."
top=$PWD build=$(realpath "${1:-build}") python=${PYTHON:-/usr/bin/python3}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
version=$(sed -n 's/^project(KurvexAnalyzer VERSION \([0-9.]*\).*/\1/p' CMakeLists.txt)

step() {
  local name=$1 start=$SECONDS
  shift
  "$@" > "$work/$name.log" 2>&1 || { tail -40 "$work/$name.log"; echo "check-python-package: $name failed" >&2; exit 1; }
  echo "$name: $((SECONDS - start)) s"
}

# Only Debian's packages: nothing is fetched from a package index.
step venv "$python" -m venv --system-site-packages "$work/env"
step pip-install "$work/env/bin/python" -m pip install --no-build-isolation --no-index "$top"
cd "$work"
got=$("$work/env/bin/python" -c 'import importlib.metadata as m, kurvex
print(kurvex.__version__, m.version("kurvex"), m.requires("kurvex"), kurvex.__file__)')
echo "installed: $got"
[[ $got == "$version $version ['numpy'] $work/env/"* ]] ||
  { echo "check-python-package: expected version $version, requiring numpy, in $work/env" >&2; exit 1; }
cd "$top"

if [ -x "$build/kurvex" ]; then
  site=$("$work/env/bin/python" -c 'import kurvex, os; print(os.path.dirname(os.path.dirname(kurvex.__file__)))')
  step tests python/tests/run.sh "$work/env/bin/python" "$site" "$build/kurvex" "$top" OFF c++
  tail -1 "$work/tests.log"
else
  echo "tests: skipped, no program in $build (cmake --build $build --target kurvex)"
fi

step build "$python" -m build --no-isolation --outdir "$work/dist" "$top"
ls -l "$work/dist"
"$python" -m zipfile -l "$work"/dist/kurvex-"$version"-*.whl
echo "check-python-package: passed"
