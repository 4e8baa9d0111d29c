// Closed-form search for extrema and points of inflection: on each interval
// the first derivative is a quadratic and the second a straight line, so
// their real roots inside the interval are the candidates.
#include "spline/analysis.h"

#include <cmath>
#include <initializer_list>

#include "data/dataset.h"
#include "spline/fit.h"
#include "spline/evaluate.h"

namespace spline {

void QuadraticRoots(long double A, long double B, long double C, int32_t& K,
                    long double& R1, long double& R2) {
  K = 0;
  if (A == 0) {
    if (B != 0) {
      K = 1;
      R1 = -(C / B);
    }
    return;
  }
  long double D = B * B - 4 * A * C;
  // A discriminant that is negative only by rounding is a double root.
  if (D < 0) {
    if (!(std::fabs((0.25L * D / A) / C) < 1.0e-12L)) return;
    D = 0;
  }
  if (D == 0) {
    K = 1;
    R1 = -(B / (2 * A));
  } else if (D > 0) {
    const long double s = std::sqrt(D);
    K = 2;
    R2 = -(B / (2 * A)) + s / (2 * A);
    R1 = -(B / (2 * A)) - s / (2 * A);
  }
}

namespace {

void AddMark(int32_t n, const long double* X, const SplineSegment* A, CalculusMark mark,
             SegmentMarks& out) {
  Evaluation at;
  mark.Value = EvaluateSpline(n, X, A, mark.X, at);
  out.Mark[out.Count++] = mark;
}

// Roots of b + 2c t + 3d t^2. Only two distinct roots make extrema: a double
// root is a saddle, and d = 0 leaves a single root of a parabola's slope,
// which this test does not take.
void AddExtrema(int32_t n, const long double* X, const SplineSegment* A, int32_t i,
                SegmentMarks& out) {
  const SplineSegment& s = A[i];
  int32_t K = 0;
  long double R1 = 0, R2 = 0;
  QuadraticRoots(3 * s.d, 2 * s.c, s.b, K, R1, R2);
  if (K != 2) return;
  // The second derivative from the power form, as the result file states it.
  const PowerForm pf = PowerCoefficients(s, X[i]);
  for (const long double root : {R1, R2}) {
    const long double x = root + X[i];
    if (!(X[i] <= x && x <= X[i + 1])) continue;
    const long double d2 = 6 * pf.A * x + 2 * pf.B;
    CalculusMark mark{d2 < 0 ? MarkKind::Maximum : MarkKind::Minimum, x, 0};
    mark.ZeroSecondDerivative = d2 == 0;
    AddMark(n, X, A, mark, out);
  }
}

// The root of 2c + 6d t. No sign change is asked for: on the first interval
// c = 0, so X[1] itself is reported whenever d is not 0.
void AddInflection(int32_t n, const long double* X, const SplineSegment* A, int32_t i,
                   SegmentMarks& out) {
  const SplineSegment& s = A[i];
  int32_t K = 0;
  long double R1 = 0, R2 = 0;
  QuadraticRoots(0, 6 * s.d, 2 * s.c, K, R1, R2);
  if (K != 1) return;
  const long double x = R1 + X[i];
  if (!(X[i] <= x && x <= X[i + 1])) return;
  CalculusMark mark{MarkKind::Inflection, x, 0};
  mark.NegativeD = s.d < 0;
  AddMark(n, X, A, mark, out);
}

}  // namespace

void AnalyseSegment(int32_t n, const long double* X, const SplineSegment* A, int32_t i,
                    SegmentMarks& out) {
  out.Count = 0;
  if (i < 1 || i >= n) return;
  AddExtrema(n, X, A, i, out);
  AddInflection(n, X, A, i, out);
}

void AnalyseSegment(int32_t i, SegmentMarks& out) {
  const data::DataSetRecord& d = data::DataSet;
  out.Count = 0;
  if (Fit.Segments == nullptr) return;
  AnalyseSegment(d.Count, d.XValues, Fit.Segments, i, out);
}

}  // namespace spline
