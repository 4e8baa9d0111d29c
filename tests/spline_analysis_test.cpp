// Tests of the curve analysis: the quadratic's roots, and which points an
// interval reports, in which order, with which marks.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <limits>
#include <vector>

#include "spline/analysis.h"
#include "spline/fit.h"

using namespace spline;

namespace {

TEST(QuadraticRoots, Cases) {
  const long double nan = std::numeric_limits<long double>::quiet_NaN();
  const long double untouched = 99;
  struct {
    long double A, B, C;
    int32_t K;
    long double R1, R2;
  } cases[] = {
      {0, 2, -4, 1, 2, untouched},           // linear
      {0, 0, 5, 0, untouched, untouched},    // constant
      {1, -3, 2, 2, 1, 2},                   // A > 0: R1 < R2
      {-1, 3, -2, 2, 2, 1},                  // A < 0: R1 > R2
      {1, 2, 1, 1, -1, untouched},           // double root
      {1, 2, 1 + 1e-14L, 1, -1, untouched},  // negative only by rounding: double root
      {1, 0, 1, 0, untouched, untouched},    // no real root
      {nan, 1, 1, 0, untouched, untouched},
  };
  for (auto& c : cases) {
    int32_t K = -1;
    long double R1 = untouched, R2 = untouched;
    QuadraticRoots(c.A, c.B, c.C, K, R1, R2);
    EXPECT_EQ(K, c.K) << (double)c.A << " " << (double)c.B << " " << (double)c.C;
    EXPECT_EQ(R1, c.R1);
    EXPECT_EQ(R2, c.R2);
  }
}

struct Expected {
  MarkKind kind;
  long double x, value;
  bool zeroD2, negativeD;
};

void ExpectMarks(const std::vector<long double>& X, const std::vector<SplineSegment>& A,
                 int32_t i, const std::vector<Expected>& want) {
  SegmentMarks got;
  AnalyseSegment(static_cast<int32_t>(X.size()) - 1, X.data(), A.data(), i, got);
  ASSERT_EQ(got.Count, static_cast<int32_t>(want.size())) << "interval " << i;
  for (int32_t k = 0; k < got.Count; ++k) {
    SCOPED_TRACE(k);
    const CalculusMark& m = got.Mark[k];
    EXPECT_EQ(m.Kind, want[k].kind);
    EXPECT_EQ(m.X, want[k].x);
    EXPECT_EQ(m.Value, want[k].value);
    EXPECT_EQ(m.ZeroSecondDerivative, want[k].zeroD2);
    EXPECT_EQ(m.NegativeD, want[k].negativeD);
  }
}

TEST(AnalyseSegment, ExtremaInRootOrderThenInflection) {
  // S' = -3(t-1)(t-3) on [10, 14]: with d < 0 the larger root comes first.
  const std::vector<long double> X = {0, 10, 14};
  const std::vector<SplineSegment> A = {{}, {0, -9, 6, -1, 0}, {-16, -9, 0, 0, -24}};
  ExpectMarks(X, A, 1,
              {{MarkKind::Maximum, 13, 0, false, false},
               {MarkKind::Minimum, 11, -4, false, false},
               {MarkKind::Inflection, 12, -2, false, true}});
}

TEST(AnalyseSegment, BothIntervalEndsCount) {
  // S' = 3t^2 - 3 on [0, 1] and 3t^2 + 6t on [1, 2]: the minimum on the inner
  // knot is reported by both intervals, the inflection at X[1] by the first.
  const std::vector<long double> X = {0, 0, 1, 2};
  const std::vector<SplineSegment> A = {{}, {0, -3, 0, 1, 0}, {-2, 0, 3, 1, 0}, {2, 9, 0, 0, 0}};
  ExpectMarks(X, A, 1,
              {{MarkKind::Minimum, 1, -2, false, false},
               {MarkKind::Inflection, 0, 0, false, false}});
  ExpectMarks(X, A, 2, {{MarkKind::Minimum, 1, -2, false, false}});
  ExpectMarks(X, A, 0, {});  // no such interval
  ExpectMarks(X, A, 3, {});
}

TEST(AnalyseSegment, ParabolasAndLinesReportNothing) {
  const std::vector<long double> X = {0, 0, 4, 5};
  const std::vector<SplineSegment> A = {{}, {1, -2, 1, 0, 0}, {1, 2, 0, 0, 0}, {3, 2, 0, 0, 0}};
  ExpectMarks(X, A, 1, {});  // vertex inside, but the slope's double root is no extremum
  ExpectMarks(X, A, 2, {});
}

TEST(AnalyseSegment, NearlyDoubleRootWithZeroCurvature) {
  // Roots 1 +- 5e-10 round onto x0 + 1 far from 0, where the power form's
  // second derivative is exactly 0: two flat minima, then the inflection.
  const long double x0 = 1099511627776.0L;  // 2^40
  const std::vector<long double> X = {0, x0, x0 + 2};
  const long double b = 3 - std::ldexp(1.0L, -60);
  const std::vector<SplineSegment> A = {{}, {0, b, -3, 1, 0}, {0, 0, 0, 0, 0}};
  const long double v = b - 2;  // S(x0 + 1)
  ExpectMarks(X, A, 1,
              {{MarkKind::Minimum, x0 + 1, v, true, false},
               {MarkKind::Minimum, x0 + 1, v, true, false},
               {MarkKind::Inflection, x0 + 1, v, false, false}});
}

TEST(AnalyseSegment, FittedCurveStartsWithInflectionAtFirstKnot) {
  std::vector<long double> X = {0, 0, 1, 2, 3, 4}, Y = {0, 0, 1, 0, 1, 0}, E(6, 0);
  std::vector<double> R(WorkspaceDoubles(5));
  std::vector<SplineSegment> A(6);
  FitSmoothingSpline(5, 1000, X.data(), Y.data(), E.data(), R.data(), A.data());
  SegmentMarks got;
  AnalyseSegment(5, X.data(), A.data(), 1, got);
  ASSERT_GE(got.Count, 1);
  EXPECT_EQ(got.Mark[got.Count - 1].Kind, MarkKind::Inflection);
  EXPECT_EQ(got.Mark[got.Count - 1].X, 0);
}

}  // namespace
