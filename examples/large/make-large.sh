#!/bin/sh
# Writes large.dat: 100000 points of a simulated absorption spectrum (three
# overlapping peaks on a sloping baseline, with noise), for trying how fast
# the program reads, fits and draws a large data set.
#   sh make-large.sh [OUTPUT [POINTS]]     (default: large.dat 100000)
# Needs only a POSIX shell and awk. The noise comes from a fixed-seed
# generator of its own, so every run and every awk writes the same numbers
# (to the printed digits).
set -eu
out=${1:-large.dat}
points=${2:-100000}
awk -v n="$points" '
  # Park-Miller minimal standard generator: exact in double precision.
  function uniform() { seed = (16807 * seed) % 2147483647; return seed / 2147483647 }
  # Standard normal deviate by the Box-Muller method.
  function normal(  u, v) {
    u = uniform(); v = uniform()
    return sqrt(-2 * log(u)) * cos(6.283185307179586 * v)
  }
  function peak(x, centre, width, height) {
    return height * exp(-0.5 * ((x - centre) / width) ^ 2)
  }
  BEGIN {
    seed = 20240514
    print "# wavelength/nm   absorbance"
    for (i = 0; i < n; i++) {
      x = 400 + 300 * i / n
      y = 0.05 + 0.0002 * (x - 400) + peak(x, 480, 12, 0.80) + peak(x, 515, 20, 0.45) \
          + peak(x, 620, 35, 0.30)
      printf "%.5f %.5f\n", x, y + 0.01 * normal()
    }
  }' > "$out"
echo "make-large.sh: wrote $points points to $out"
