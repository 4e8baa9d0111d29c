#!/usr/bin/env bash
# Makes docs/example.png, the picture in the README: the image the program
# itself saves (F4) of the oscillation example, after a click that puts
# the cursor on the first maximum.
# Rerun it after a change to the graph or to the example:
#     bash docs/make-example-png.sh
set -euo pipefail
cd "$(dirname "$0")/.."
top=$(pwd)
KURVEX_TARGET=kurvex bash scripts/setup.sh build >/dev/null

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cp examples/oscillation/* build/kurvex "$work"
cd "$work"
echo 'click 230 100 F4 q' | ./kurvex --batch oscillation.dat
cp kurvi000.png "$top/docs/example.png"
echo "docs/example.png: $(wc -c < kurvi000.png) bytes"
