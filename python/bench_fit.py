#!/usr/bin/env python3
"""Times kurvex.fit from Python on a data file of x, y and an error column
(as bench/make_data.py writes it), read as the program reads it, so that
the figure can be held against the program's own fit of the same file
(the BM_FitFile benchmark of kurvex_bench).

    PYTHONPATH=build/python/module python3 python/bench_fit.py FILE [RUNS]

Prints the minimum and the median of RUNS fits (default 7) in ms.
"""
import statistics
import sys
import time

import kurvex


def main():
    data = kurvex.read(sys.argv[1], error=3)
    runs = int(sys.argv[2]) if len(sys.argv) > 2 else 7
    times = []
    for _ in range(runs):
        start = time.perf_counter()
        spline = kurvex.fit(data)
        times.append(1000 * (time.perf_counter() - start))
    print(f"n {data.n}  passes {spline.iterations}  min {min(times):.1f} ms"
          f"  median {statistics.median(times):.1f} ms")


if __name__ == "__main__":
    main()
