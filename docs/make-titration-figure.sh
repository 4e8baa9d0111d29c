#!/usr/bin/env bash
# Makes docs/titration-figure.png, the figure in the README: the figure the
# program draws of the titration example, with only the marks the data
# support and their labels, at 150 dpi.
# Rerun it after a change to the figure or to the example:
#     bash docs/make-titration-figure.sh
set -euo pipefail
cd "$(dirname "$0")/.."
top=$(pwd)
KURVEX_TARGET=kurvex bash scripts/setup.sh build >/dev/null

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cp examples/titration/* "$work"
cd "$work"
"$top/build/kurvex" --batch -c FigureFileName=titration.png -c FigureDPI=150 \
  -c MarkSignificance=3 -c FigureLabels=YES < /dev/null > /dev/null
cp titration.png "$top/docs/titration-figure.png"
echo "docs/titration-figure.png: $(wc -c < titration.png) bytes"
