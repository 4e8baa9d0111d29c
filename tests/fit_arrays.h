// The arrays a fit of n points works on, indexed from 1 as the engine's,
// for tests that make their own data and fit it.
#pragma once
#include <cstdint>
#include <vector>

#include "spline/fit.h"
#include "spline/uncertainty.h"

namespace testutil {

struct FitArrays {
  int32_t n;
  std::vector<long double> X, Y, E;
  std::vector<double> R;  // the fit's workspace
  std::vector<spline::SplineSegment> A;
  spline::CovarianceBands Bands;

  explicit FitArrays(int32_t count)
      : n(count), X(n + 1), Y(n + 1), E(n + 1), R(spline::WorkspaceDoubles(n)), A(n + 1) {}
};

}  // namespace testutil
