// The smoothing-spline fit by Reinsch's method (Numer. Math. 10 (1967)
// 177-183) and the conversion of its solution into segment records. The
// pentadiagonal system is factored and solved in place, linear in n.
#include "spline/fit.h"

#include <cmath>
#include <initializer_list>

#include "data/dataset.h"

namespace spline {

namespace {

// Rows 0, 1 and n are read by the sweeps but never written by them.
void ClearEnds(int32_t n, FitWorkspace* R, SplineSegment* A) {
  for (int32_t i : {0, 1, n}) {
    R[i].r = R[i].r1 = R[i].r2 = R[i].t = R[i].t1 = R[i].u = 0;
    A[i] = SplineSegment{};
  }
}

// Per interior knot: the second difference of Y (in a), the tridiagonal T
// (t, t1) and the three entries of Q'D (r2, r1, r). The segments' a..d serve
// as scratch until BuildSegments gives them their meaning.
void SetUpRows(int32_t n, const long double* X, const long double* Y, const long double* E,
               FitWorkspace* R, SplineSegment* A) {
  for (int32_t i = 2; i < n; ++i) {
    const long double dx0 = X[i] - X[i - 1], dx1 = X[i + 1] - X[i];
    const long double s0 = (Y[i] - Y[i - 1]) / dx0, s1 = (Y[i + 1] - Y[i]) / dx1;
    A[i].a = s1 - s0;
    R[i].t = 2 * (dx0 + dx1) / 3;
    R[i].t1 = dx1 / 3;
    R[i].r2 = E[i - 1] / dx0;
    R[i].r = E[i + 1] / dx1;
    R[i].r1 = -E[i] / dx0 - E[i] / dx1;
  }
}

// The three bands of Q'D^2 Q into b (diagonal), c and d (upper bands). Row n
// of R is zero, which ends the bands at row n - 1.
void SetUpBands(int32_t n, const FitWorkspace* R, SplineSegment* A) {
  const int32_t m = n - 1;
  for (int32_t i = 2; i <= m; ++i) {
    A[i].b = R[i].r * R[i].r + R[i].r1 * R[i].r1 + R[i].r2 * R[i].r2;
    A[i].c = R[i].r * R[i + 1].r1 + R[i].r1 * R[i + 1].r2;
    A[i].d = i < m ? R[i].r * R[i + 2].r2 : 0;
  }
}

// Factors p Q'D^2 Q + T and solves the forward half for u. Overwrites r, r1,
// r2 with the factor.
void ForwardElimination(int32_t m, long double p, FitWorkspace* R, const SplineSegment* A) {
  long double f = 0, g = 0, h = 0;
  for (int32_t i = 2; i <= m; ++i) {
    R[i - 1].r1 = f * R[i - 1].r;
    R[i - 2].r2 = g * R[i - 2].r;
    R[i].r = 1 / (p * A[i].b + R[i].t - f * R[i - 1].r1 - g * R[i - 2].r2);
    R[i].u = A[i].a - R[i - 1].r1 * R[i - 1].u - R[i - 2].r2 * R[i - 2].u;
    f = p * A[i].c + R[i].t1 - h * R[i - 1].r1;
    g = h;
    h = A[i].d * p;
  }
}

// u becomes half the second derivative at the knots; u[1] = u[n] = 0.
void BackSubstitution(int32_t m, FitWorkspace* R) {
  for (int32_t i = m; i >= 2; --i) {
    long double u = R[i].r * R[i].u - R[i].r1 * R[i + 1].u;
    if (i < m) u = u - R[i].r2 * R[i + 2].u;
    R[i].u = u;
  }
}

// v = D^2 Q u, so that Y - p v are the fitted values; returns e = |D Q u|^2,
// the weighted residual sum divided by p^2.
long double ResidualTerms(int32_t n, const long double* X, const long double* E,
                          FitWorkspace* R) {
  long double e = 0, g = 0, h = 0;
  for (int32_t i = 1; i < n; ++i) {
    g = h;
    h = (R[i + 1].u - R[i].u) / (X[i + 1] - X[i]);
    R[i].v = (h - g) * (E[i] * E[i]);
    e = e + R[i].v * (h - g);
  }
  R[n].v = -h * (E[n] * E[n]);
  return e - R[n].v * h;
}

// The sum that the Newton step on p needs; leaves its terms in r.
long double NewtonTerms(int32_t n, const long double* X, FitWorkspace* R) {
  long double f = 0, g = 0;
  long double h = (R[2].v - R[1].v) / (X[2] - X[1]);
  for (int32_t i = 2; i < n; ++i) {
    g = h;
    h = (R[i + 1].v - R[i].v) / (X[i + 1] - X[i]);
    g = h - g - R[i - 1].r1 * R[i - 1].r - R[i - 2].r2 * R[i - 2].r;
    f = f + g * R[i].r * g;
    R[i].r = g;
  }
  return f;
}

// The iteration on p. The straight-line limit is |(X[n] - X[1]) p| > 10^6;
// a zero Newton denominator q means p can move no further (e = 0 on the
// first pass: all errors zero, or the points on one line).
FitStatus Iterate(int32_t n, int32_t maxIteration, const long double* X,
                  const long double* E, FitWorkspace* R, SplineSegment* A, FitOutcome& out) {
  const long double S = n;
  long double& p = out.P;
  for (int32_t k = 1;; ++k) {
    out.Iterations = k;
    ForwardElimination(n - 1, p, R, A);
    BackSubstitution(n - 1, R);
    const long double e = ResidualTerms(n, X, E, R);
    const long double F = e * (p * p);
    out.ResidualSum = F;
    if (std::fabs((X[n] - X[1]) * p) > 1000000 && F < S) return 1;
    if (std::fabs(F - S) <= S / 10000) return 0;
    const long double q = e - p * NewtonTerms(n, X, R);
    if (q == 0) return 0;
    const long double delta = (S - F) / ((std::sqrt(S / e) + p) * q);
    p = k == 1 ? p + delta : p + delta * std::sqrt(S / F);
    if (k >= maxIteration) return 2;
  }
}

// A single point (never passed by the program) is the constant through it.
FitStatus FitOnePoint(const long double* Y, SplineSegment* A, FitOutcome& out) {
  A[0] = SplineSegment{};
  A[1] = SplineSegment{Y[1], 0, 0, 0, 0};
  out = FitOutcome{};
  return 0;
}

}  // namespace

FitStatus FitSmoothingSpline(int32_t n, int32_t maxIteration, const long double* X,
                             const long double* Y, const long double* E, FitWorkspace* R,
                             SplineSegment* A, FitOutcome* outcome) {
  FitOutcome local;
  FitOutcome& out = outcome ? *outcome : local;
  out = FitOutcome{};
  if (n < 2) return n == 1 ? FitOnePoint(Y, A, out) : 0;
  ClearEnds(n, R, A);
  SetUpRows(n, X, Y, E, R, A);
  SetUpBands(n, R, A);
  const FitStatus status = Iterate(n, maxIteration, X, E, R, A, out);
  // With status 2 this is the p just updated, with u and v of the last pass.
  BuildSegments(n, X, Y, R, out.P, A);
  return status;
}

namespace {

// The integral from X[1] to every knot: per interval the trapezoid rule with
// its cubic correction, which is exact for a cubic.
void BuildIntegrals(int32_t n, const long double* X, SplineSegment* A) {
  A[1].Int = 0;
  for (int32_t i = 2; i <= n; ++i) {
    const long double dx = X[i] - X[i - 1];
    const long double dx3 = dx * dx * dx;
    A[i].Int = A[i - 1].Int + (A[i - 1].a + A[i].a) * dx / 2 -
               (A[i - 1].c + A[i].c) * dx3 / 12;
  }
}

}  // namespace

void BuildSegments(int32_t n, const long double* X, const long double* Y,
                   const FitWorkspace* R, long double p, SplineSegment* A) {
  if (n < 2) return;
  const int32_t m = n - 1;
  A[n].a = Y[n] - p * R[n].v;
  A[n].c = 0;
  for (int32_t i = m; i >= 1; --i) {
    const long double dx = X[i + 1] - X[i];
    A[i].c = R[i].u;
    A[i].a = Y[i] - p * R[i].v;
    A[i].b = (A[i + 1].a - A[i].a) / dx - (2 * A[i].c + A[i + 1].c) * dx / 3;
    A[i].d = (A[i + 1].c - A[i].c) / (3 * dx);
  }
  // The end record holds the slope at X[n] and no curvature.
  A[n].b = A[m].b + (A[m].c + A[n].c) * (X[n] - X[m]);
  A[n].d = 0;
  BuildIntegrals(n, X, A);
}

FitStatus FitSmoothingSpline(int32_t maxIteration, FitOutcome* outcome) {
  data::DataSetRecord& d = data::DataSet;
  return FitSmoothingSpline(d.Count, maxIteration, d.XValues, d.YValues, d.ErrValues,
                            d.Workspace, d.Segments, outcome);
}

}  // namespace spline
