#!/usr/bin/env bash
# Builds the libFuzzer targets with clang, AddressSanitizer and
# UndefinedBehaviorSanitizer, then runs each target for a set time and
# reports its executions and findings.
#   bench/fuzz.sh SECONDS [TARGET...]     (targets: config_scan convert csv_reader
#                                          data_reader number_format whole_run)
# New inputs go to BUILD/fuzz-work/TARGET, findings to BUILD/fuzz-findings/
# TARGET; the stored seeds in fuzz/corpus are read, never written. Copy a
# finding into fuzz/corpus/TARGET once it is fixed, so that every test run
# replays it. KURVEX_FUZZ_BUILD names the build directory (build-fuzz).
set -euo pipefail
cd "$(dirname "$0")/.."

seconds=${1:?usage: bench/fuzz.sh SECONDS [TARGET...]}
shift
targets=("$@")
[ ${#targets[@]} -gt 0 ] || targets=(config_scan convert data_reader number_format whole_run)
build=${KURVEX_FUZZ_BUILD:-build-fuzz}

for c in clang clang++; do
  command -v "$c" >/dev/null || { echo "fuzz: $c is missing (scripts/setup.sh installs it)" >&2; exit 1; }
done

# Everything is instrumented for coverage, so that the search sees the
# program's branches; only the targets are linked with libFuzzer itself.
CC=clang CXX=clang++ cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DKURVEX_SANITIZE=ON -DKURVEX_FUZZ=ON \
  -DCMAKE_C_FLAGS=-fsanitize=fuzzer-no-link -DCMAKE_CXX_FLAGS=-fsanitize=fuzzer-no-link >/dev/null
cmake --build "$build" -j 2 --target "${targets[@]/#/kurvex_fuzz_}"

export ASAN_OPTIONS=${ASAN_OPTIONS:-abort_on_error=1}
export UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}

status=0
for t in "${targets[@]}"; do
  work="$build/fuzz-work/$t" findings="$build/fuzz-findings/$t"
  mkdir -p "$work" "$findings"
  # Fork mode goes on after a finding, so that the whole time is searched
  # and every distinct finding is kept.
  options=(-max_total_time="$seconds" -print_final_stats=1 -artifact_prefix="$findings/"
           -fork=1 -ignore_crashes=1 -ignore_timeouts=1 -ignore_ooms=1)
  case $t in
    # A run is a child process with its own time limit; the fuzzing process
    # itself stays small.
    whole_run) options+=(-timeout=1500 -rss_limit_mb=0 -max_len=4096) ;;
    *) options+=(-timeout=10 -max_len=4096) ;;
  esac
  [ -f "fuzz/$t.dict" ] && options+=(-dict="fuzz/$t.dict")
  log="$build/fuzz-$t.log"
  echo "fuzz: $t for $seconds s (log: $log)"
  "$build/fuzz/kurvex_fuzz_$t" "${options[@]}" "$work" "fuzz/corpus/$t" >"$log" 2>&1 || true
  runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -1)
  # Fork mode reports its progress as "#RUNS: cov: ...".
  [ -n "$runs" ] || runs=$(sed -n 's/^#\([0-9]*\): .*/\1/p' "$log" | tail -1)
  # Crashes, sanitizer reports, hangs, leaks and memory blow-ups; inputs
  # that were merely slow (over 10 s) are counted apart.
  found=$(find "$findings" -type f \( -name 'crash-*' -o -name 'timeout-*' -o -name 'leak-*' \
          -o -name 'oom-*' \) | wc -l)
  slow=$(find "$findings" -type f -name 'slow-unit-*' | wc -l)
  echo "fuzz: $t: ${runs:-?} executions, $found finding(s), $slow slow input(s) in $findings"
  [ "$found" -eq 0 ] || status=1
done
exit $status
