#!/usr/bin/env bash
# Builds the program and runs it on the shipped example in batch mode (the
# memory graphics driver, commands from standard input), in a scratch copy
# of the example so that the repository stays clean. Prints the run log and
# the files the run wrote.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh build -DCMAKE_BUILD_TYPE=RelWithDebInfo

run=build/example-run
rm -rf "$run"
mkdir -p "$run"
cp examples/oscillation/* "$run"
cd "$run"
status=0
printf 'F1 F1 F3 F4 q\n' | ../kurvex oscillation.dat || status=$?
echo "--- kurvex exited with status $status; run log (kurvex.log):"
cat kurvex.log
for f in kurvex.out kurvex.cal; do
  [ -f "$f" ] && { echo "--- $f (first lines):"; head -n 12 "$f"; }
done
ls -1 ./*.png 2>/dev/null | sed 's/^/--- image: /' || true
exit "$status"
