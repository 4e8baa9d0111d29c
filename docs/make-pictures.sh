#!/usr/bin/env bash
# Makes the README's pictures:
#   docs/example.png            the image the program itself saves (F4) of
#                               the oscillation example, after a click that
#                               puts the cursor on the first maximum;
#   docs/titration-figure.png   the figure it draws of the titration
#                               example, with only the marks the data
#                               support and their labels, at 150 dpi.
# Rerun it after a change to the graph, the figure or the examples:
#     bash docs/make-pictures.sh
set -euo pipefail
cd "$(dirname "$0")/.."
top=$(pwd)
KURVEX_TARGET=kurvex bash scripts/setup.sh build >/dev/null

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cp examples/oscillation/* build/kurvex "$work"
mkdir "$work/titration"
cp examples/titration/* "$work/titration"
cd "$work"
echo 'click 230 100 F4 q' | ./kurvex --batch oscillation.dat
cp kurvi000.png "$top/docs/example.png"
# Run from the build tree: the oscillation's kurvex.cfg beside a copied
# program would fill in the keys the titration's leaves out.
(cd titration && "$top/build/kurvex" --batch -c FigureFileName=titration.png -c FigureDPI=150 \
  -c MarkSignificance=3 -c FigureLabels=YES < /dev/null > /dev/null)
cp titration/titration.png "$top/docs/titration-figure.png"
echo "docs/example.png: $(wc -c < kurvi000.png) bytes"
echo "docs/titration-figure.png: $(wc -c < titration/titration.png) bytes"
