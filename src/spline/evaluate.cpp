// Evaluation of the fitted spline at any X: the straight continuations left
// and right of the data, and the cubic of the interval in between.
#include "spline/evaluate.h"

#include "data/dataset.h"
#include "spline/fit.h"

namespace spline {

namespace {

// Left of the data, or on the first knot: the tangent at X[1]. Its second
// and third derivatives are 0, as the natural end condition makes them.
void EvaluateLeft(const SplineSegment& s, long double t, Evaluation& out) {
  out.Value = s.b * t + s.a;
  out.D1 = s.b;
  out.D2 = 0;
  out.D3 = 0;
  out.Int = (s.a + s.b * t / 2) * t;
}

// Right of the data, or on the last knot: the tangent at X[n].
void EvaluateRight(const SplineSegment& s, long double t, Evaluation& out) {
  out.Value = s.b * t + s.a;
  out.D1 = s.b;
  out.D2 = 0;
  out.D3 = 0;
  out.Int = s.Int + (s.a + s.b * t / 2) * t;
}

// Inside interval k, t = x - X[k]. The integral is the trapezoid rule with
// its cubic correction, exact for a cubic: c + D2/2 is half the sum of the
// second derivatives at both ends of [X[k], x].
void EvaluateInside(const SplineSegment& s, long double t, Evaluation& out) {
  out.Value = s.a + (s.b + (s.c + s.d * t) * t) * t;
  out.D1 = s.b + (2 * s.c + 3 * s.d * t) * t;
  out.D2 = 2 * s.c + 6 * s.d * t;
  out.D3 = 6 * s.d;
  const long double t3 = t * t * t;
  out.Int = s.Int + (s.a + out.Value) * t / 2 - (s.c + out.D2 / 2) * t3 / 12;
}

long double Nothing(Evaluation& out) {
  out = Evaluation{};
  return 0;
}

}  // namespace

int32_t FindInterval(int32_t n, const long double* X, long double x) {
  // Invariant: the answer lies in lo..hi. "Not greater" sends NaN upwards,
  // so the search always ends inside 1..n-1.
  int32_t lo = 1, hi = n - 1;
  while (lo < hi) {
    const int32_t mid = lo + (hi - lo) / 2;
    if (X[mid + 1] > x) hi = mid;
    else lo = mid + 1;
  }
  return lo;
}

long double EvaluateSpline(int32_t n, const long double* X, const SplineSegment* A,
                           long double x, Evaluation& out) {
  if (n < 1) return Nothing(out);
  if (x <= X[1]) {
    EvaluateLeft(A[1], x - X[1], out);
  } else if (x >= X[n]) {
    EvaluateRight(A[n], x - X[n], out);
  } else {
    const int32_t k = FindInterval(n, X, x);
    EvaluateInside(A[k], x - X[k], out);
  }
  return out.Value;
}

long double EvaluateAtKnot(int32_t n, const long double* X, const SplineSegment* A,
                           int32_t i, Evaluation& out) {
  if (n < 1) return Nothing(out);
  if (i <= 1) EvaluateLeft(A[1], X[1] - X[1], out);
  else if (i >= n) EvaluateRight(A[n], X[n] - X[n], out);
  else EvaluateInside(A[i], X[i] - X[i], out);
  return out.Value;
}

long double KnotValue(int32_t n, const long double* X, const SplineSegment* A, int32_t i) {
  if (n < 1) return 0;
  // The Value of EvaluateLeft, EvaluateRight and EvaluateInside at t = 0,
  // formed the same way, so that a signed zero or a NaN comes out alike.
  if (i <= 1) {
    const long double t = X[1] - X[1];
    return A[1].b * t + A[1].a;
  }
  if (i >= n) {
    const long double t = X[n] - X[n];
    return A[n].b * t + A[n].a;
  }
  const SplineSegment& s = A[i];
  const long double t = X[i] - X[i];
  return s.a + (s.b + (s.c + s.d * t) * t) * t;
}

long double EvaluateSpline(long double x, Evaluation& out) {
  const data::DataSetRecord& d = data::DataSet;
  if (Fit.Segments == nullptr) return Nothing(out);
  return EvaluateSpline(d.Count, d.XValues, Fit.Segments, x, out);
}

long double EvaluateAtKnot(int32_t i, Evaluation& out) {
  const data::DataSetRecord& d = data::DataSet;
  if (Fit.Segments == nullptr) return Nothing(out);
  return EvaluateAtKnot(d.Count, d.XValues, Fit.Segments, i, out);
}

}  // namespace spline
