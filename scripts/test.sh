#!/usr/bin/env bash
# The whole test suite: a normal build and a second build under
# AddressSanitizer and UndefinedBehaviorSanitizer, each with every test.
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/setup.sh build -DCMAKE_BUILD_TYPE=RelWithDebInfo
bash scripts/setup.sh build-asan -DCMAKE_BUILD_TYPE=Debug -DKURVEX_SANITIZE=ON

export ASAN_OPTIONS=detect_leaks=0:abort_on_error=0
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
ctest --test-dir build --output-on-failure -j "$(nproc)"
ctest --test-dir build-asan --output-on-failure -j "$(nproc)"
