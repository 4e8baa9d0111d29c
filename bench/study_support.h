// What the benchmarks and the Monte Carlo studies share: the arrays of a
// fit, and a problem of n uneven points on [0, 1) with known per-point
// sigmas, drawn again and again around a known curve and fitted as a run
// would choose its smoothing.
#pragma once
#include <cstdint>
#include <functional>
#include <random>
#include <vector>

#include "spline/criterion.h"
#include "spline/fit.h"
#include "spline/uncertainty.h"
#include "../tests/fit_arrays.h"

namespace study {

// The arrays a fit of n points works on, as the tests have them.
using Arrays = testutil::FitArrays;

struct Problem : Arrays {
  std::mt19937_64 rng;
  std::uniform_real_distribution<long double> u{0, 1};
  std::normal_distribution<long double> noise{0, 1};

  // X[i] = (i - 1 + 0.8 u) / n and E[i] = sigma (0.5 + u), u uniform on [0, 1).
  Problem(int32_t count, uint64_t seed, long double sigma) : Arrays(count), rng(seed) {
    for (int32_t i = 1; i <= n; ++i) X[i] = (i - 1 + 0.8L * u(rng)) / n, E[i] = sigma * (0.5L + u(rng));
  }

  // One noisy draw of the curve f at the points.
  void Draw(const std::function<long double(long double)>& f) {
    for (int32_t i = 1; i <= n; ++i) Y[i] = f(X[i]) + E[i] * noise(rng);
  }

  // The fit by the residual rule or a criterion's search, with its bands.
  void Fit(spline::Criterion kind) {
    if (kind == spline::Criterion::Residual) {
      spline::FitOutcome out;
      spline::FitSmoothingSpline(n, 32000, X.data(), Y.data(), E.data(), R.data(), A.data(), &out);
      spline::ComputeCovarianceBands(n, X.data(), E.data(), out.P, Bands);
    } else {
      spline::SearchResult r;
      spline::SearchSmoothing(kind, n, X.data(), Y.data(), E.data(), R.data(), A.data(), Bands, r);
    }
  }
};

}  // namespace study
