// Evaluation of the fitted spline: value, three derivatives and the integral
// from the first knot, at any X. Outside the knots the spline goes on as the
// straight lines that touch it at the end knots.
#pragma once
#include <cstdint>

#include "spline/segment.h"

namespace spline {

// The spline at one X.
struct Evaluation {
  long double Value;  // S(X)
  long double D1;     // S'(X)
  long double D2;     // S''(X)
  long double D3;     // S'''(X)
  long double Int;    // integral of S from X[1] to X (negative sense left of X[1])
};

// The interval [X[k], X[k+1]) that holds x: the smallest k in 1..n-1 with
// X[k+1] > x, found by binary search over the sorted X[1..n] (n >= 2). For
// x at or beyond X[n], and for NaN, the answer is n - 1, so a caller never
// gets an index outside the segments.
int32_t FindInterval(int32_t n, const long double* X, long double x);

// Fills `out` and returns out.Value. X[1..n] are the knots, A[1..n] the
// segments of a fit. n < 1 answers all zeros.
long double EvaluateSpline(int32_t n, const long double* X, const SplineSegment* A,
                           long double x, Evaluation& out);

// The same result as EvaluateSpline(X[i]) for strictly increasing knots,
// without the search: the per-knot columns of the result file cost O(n).
long double EvaluateAtKnot(int32_t n, const long double* X, const SplineSegment* A,
                           int32_t i, Evaluation& out);

// EvaluateAtKnot(i).Value alone, for the sums over every knot.
long double KnotValue(int32_t n, const long double* X, const SplineSegment* A, int32_t i);

// The same on the program's data set and the segments of its latest fit.
// Before there are data (Count < 1) every field is 0.
long double EvaluateSpline(long double x, Evaluation& out);
long double EvaluateAtKnot(int32_t i, Evaluation& out);

}  // namespace spline
