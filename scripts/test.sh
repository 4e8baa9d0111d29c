#!/usr/bin/env bash
# The whole test suite: a normal build and a second build under
# AddressSanitizer and UndefinedBehaviorSanitizer, each with every test.
# Both suites run whatever the first one gives; the script names the ones
# that failed and exits non-zero if any did.
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/setup.sh build -DCMAKE_BUILD_TYPE=RelWithDebInfo
bash scripts/setup.sh build-asan -DCMAKE_BUILD_TYPE=Debug -DKURVEX_SANITIZE=ON

export ASAN_OPTIONS=detect_leaks=0:abort_on_error=0
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
failed=()
ctest --test-dir build --output-on-failure -j "$(nproc)" || failed+=("normal build")
ctest --test-dir build-asan --output-on-failure -j "$(nproc)" || failed+=("sanitizer build")
if [ ${#failed[@]} -gt 0 ]; then
  echo "test.sh: tests failed in: ${failed[*]}" >&2
  exit 1
fi
echo "test.sh: every test passed in both builds"
