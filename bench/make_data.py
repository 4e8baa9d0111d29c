#!/usr/bin/env python3
"""Writes a benchmark data file: a noisy damped sine with x, y and error.

    make_data.py N FILE [--ten-digits]

X runs over [0, 10) in N equal steps (so no two X are equal), Y is
exp(-0.3 x) sin(5 x) plus normal noise whose deviation varies from point to
point, and the third column holds that deviation in millionths of the Y
range, as the program reads an error column. The values are short decimals,
as loggers write them. With --ten-digits every value is written with ten
significant digits instead, as instruments that export full precision do,
with X starting at 1000 so that its digits change to the last. The seed is
fixed: every run writes the same file.
"""
import math
import sys

import numpy as np


def main():
    n = int(sys.argv[1])
    path = sys.argv[2]
    ten = "--ten-digits" in sys.argv[3:]
    rng = np.random.default_rng(20080419)
    x = np.arange(n) * (10.0 / n)
    sigma = 0.02 * (1 + 0.5 * rng.random(n))
    y = np.exp(-0.3 * x) * np.sin(5 * x) + sigma * rng.standard_normal(n)
    if ten:
        x = 1000 + x
    else:
        y = np.round(y, 6)
    err = sigma / ((y.max() - y.min()) / 1e6)
    # Enough decimals that the N steps of X stay distinct.
    decimals = max(1, math.ceil(math.log10(max(n, 10) / 10)) + 1)
    with open(path, "w") as out:
        step = 1 << 18
        for lo in range(0, n, step):
            hi = min(n, lo + step)
            if ten:
                xs, ys, es = (np.char.mod("%.10g", c[lo:hi]) for c in (x, y, err))
            else:
                xs = np.char.mod("%%.%df" % decimals, x[lo:hi])
                ys = np.char.mod("%.6f", y[lo:hi])
                es = np.char.mod("%.1f", err[lo:hi])
            out.write("\n".join(" ".join(t) for t in zip(xs, ys, es)))
            out.write("\n")


if __name__ == "__main__":
    main()
