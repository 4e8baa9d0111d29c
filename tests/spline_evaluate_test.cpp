// Tests of the spline evaluation: the binary interval search against the
// linear one it replaces, the three cases, and value, derivatives and integral
// checked against each other.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <limits>
#include <vector>

#include "spline/evaluate.h"
#include "spline/fit.h"

using namespace spline;

namespace {

// Irregular knots; segments from a real fit so that every field is non-trivial.
struct Fitted {
  std::vector<long double> X = {0, -2, -1.5L, 0, 0.1L, 0.2L, 1, 3, 3.5L, 6};
  std::vector<long double> Y = {0, 1, 0.2L, -0.4L, 0.3L, 0.1L, 1.4L, 0.9L, 2.2L, 1.5L};
  std::vector<long double> E = {0, 0.2L, 0.2L, 0.2L, 0.2L, 0.2L, 0.2L, 0.2L, 0.2L, 0.2L};
  std::vector<double> R = std::vector<double>(WorkspaceDoubles(9));
  std::vector<SplineSegment> A = std::vector<SplineSegment>(10);
  const int32_t n = 9;
  Fitted() { FitSmoothingSpline(n, 1000, X.data(), Y.data(), E.data(), R.data(), A.data()); }
  long double Eval(long double x, Evaluation& e) const {
    return EvaluateSpline(n, X.data(), A.data(), x, e);
  }
};

// The search as first written: from the start, the first k with X[k+1] > x.
int32_t LinearInterval(const std::vector<long double>& X, long double x) {
  int32_t k = 1;
  while (!(X[k + 1] > x)) ++k;
  return k;
}

TEST(FindInterval, SameAsLinearSearch) {
  const Fitted f;
  std::vector<long double> xs;
  for (int32_t i = 1; i <= f.n; ++i) {
    const long double x = f.X[i];
    xs.insert(xs.end(), {x, std::nextafter(x, -1e9L), std::nextafter(x, 1e9L)});
    if (i < f.n) xs.push_back((x + f.X[i + 1]) / 2);
  }
  for (const long double x : xs) {
    if (!(x > f.X[1] && x < f.X[f.n])) continue;  // where the linear search is defined
    EXPECT_EQ(FindInterval(f.n, f.X.data(), x), LinearInterval(f.X, x)) << (double)x;
  }
  // Outside and NaN the answer stays a valid interval.
  const long double nan = std::numeric_limits<long double>::quiet_NaN();
  for (const long double x : {-1e30L, 6.0L, 1e30L, nan}) {
    const int32_t k = FindInterval(f.n, f.X.data(), x);
    EXPECT_TRUE(k >= 1 && k < f.n) << (double)x;
  }
  for (int32_t n = 2; n <= 5; ++n)  // short arrays: every knot and gap
    for (int32_t i = 1; i < n; ++i)
      EXPECT_EQ(FindInterval(n, f.X.data(), f.X[i]), i) << n << " " << i;
}

TEST(EvaluateSpline, OnTheKnots) {
  // The end knots take the straight continuations: no curvature there (the
  // natural end condition), not 6 d[1]. Inner knots take the interval to their
  // right. EvaluateAtKnot must give the very same record.
  const Fitted f;
  for (int32_t k = 1; k <= f.n; ++k) {
    Evaluation e, atKnot;
    const bool end = k == 1 || k == f.n;
    EXPECT_EQ(f.Eval(f.X[k], e), f.A[k].a) << k;
    EXPECT_EQ(e.D1, f.A[k].b);
    EXPECT_EQ(e.D2, end ? 0 : 2 * f.A[k].c);
    EXPECT_EQ(e.D3, end ? 0 : 6 * f.A[k].d);
    EXPECT_EQ(e.Int, f.A[k].Int);
    EvaluateAtKnot(f.n, f.X.data(), f.A.data(), k, atKnot);
    EXPECT_EQ(std::vector<long double>({e.Value, e.D1, e.D2, e.D3, e.Int}),
              std::vector<long double>({atKnot.Value, atKnot.D1, atKnot.D2, atKnot.D3, atKnot.Int}));
  }
}

// Which piece of the curve holds x: 0 left of the data, n right of it.
int32_t Region(const Fitted& f, long double x) {
  if (x <= f.X[1]) return 0;
  if (x >= f.X[f.n]) return f.n;
  return FindInterval(f.n, f.X.data(), x);
}

TEST(EvaluateSpline, DerivativesAndIntegralAgree) {
  // Over a grid inside and outside the data: D1, D2 and D3 against central
  // differences of the value, D1 and D2, and Int against Simpson's rule (exact
  // for a cubic) over steps that never cross a knot.
  const Fitted f;
  const long double h = 1e-6L;
  for (long double x = -3; x < 7; x += 0.0625L) {
    Evaluation e, lo, hi;
    f.Eval(x, e);
    f.Eval(x - h, lo);
    f.Eval(x + h, hi);
    if (Region(f, x - h) == Region(f, x + h)) {
      EXPECT_NEAR((double)((hi.Value - lo.Value) / (2 * h)), (double)e.D1, 1e-7) << (double)x;
      EXPECT_NEAR((double)((hi.D1 - lo.D1) / (2 * h)), (double)e.D2, 1e-7) << (double)x;
      EXPECT_NEAR((double)((hi.D2 - lo.D2) / (2 * h)), (double)e.D3, 1e-7) << (double)x;
      const long double simpson = (lo.Value + 4 * e.Value + hi.Value) * h / 3;
      EXPECT_NEAR((double)(hi.Int - lo.Int), (double)simpson, 1e-17) << (double)x;
    }
  }
  Evaluation e;
  f.Eval(-3, e);
  EXPECT_LT(e.Int, 0);  // left of X[1], where the spline is positive
}

}  // namespace
