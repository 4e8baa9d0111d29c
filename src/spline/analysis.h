// Curve analysis: the minima, maxima and points of inflection of the fitted
// spline, found in closed form interval by interval, handed on as marks that
// the result file and the graph both use.
#pragma once
#include <cstdint>

#include "spline/segment.h"

namespace spline {

enum class MarkKind : int32_t { Minimum, Maximum, Inflection };

// One point found on an interval.
struct CalculusMark {
  MarkKind Kind;
  long double X;                      // where it lies
  long double Value;                  // the curve there: EvaluateSpline(X).Value
  bool ZeroSecondDerivative = false;  // a minimum whose S''(X) is exactly 0
  bool NegativeD = false;             // an inflection on an interval with d < 0
};

// The points of one interval in the order they are reported: the extrema
// (first root, then second root), then the inflection point.
struct SegmentMarks {
  int32_t Count = 0;
  CalculusMark Mark[3];
};

// Real roots of A t^2 + B t + C = 0: K = 0, 1 or 2 of them in R1, R2. A
// negative discriminant within 1e-12 of 4AC counts as a double root (K = 1).
// With K = 2, R1 < R2 for A > 0 and R1 > R2 for A < 0. A root not produced
// leaves its variable as it was; NaN coefficients give K = 0.
void QuadraticRoots(long double A, long double B, long double C, int32_t& K,
                    long double& R1, long double& R2);

// The points of interval i (1 <= i < n) of the segments A over the knots
// X[1..n]. Both interval ends belong to the interval, so a point on an inner
// knot is reported by both intervals that meet there.
void AnalyseSegment(int32_t n, const long double* X, const SplineSegment* A, int32_t i,
                    SegmentMarks& out);

// The same on the program's data set and the segments of its latest fit.
void AnalyseSegment(int32_t i, SegmentMarks& out);

}  // namespace spline
