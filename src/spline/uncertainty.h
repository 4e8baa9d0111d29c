// The uncertainty of the fitted spline: pointwise Bayesian confidence
// intervals (Wahba, J. R. Statist. Soc. B 45 (1983) 133-150) from the bands
// of two inverses, computed in O(n) by the recurrences of Hutchinson and
// de Hoog (Numer. Math. 47 (1985) 99-106).
//
// In the fit's own scaling (fit.cpp), with D = diag(E), Q the n x (n-2)
// matrix of second divided differences (column j: 1/h[j-1], -1/h[j-1] -
// 1/h[j], 1/h[j] in rows j-1, j, j+1), T the tridiagonal of the set-up
// (2 (h[j-1] + h[j]) / 3 on the diagonal, h[j] / 3 beside it) and
// M = T + p Q'D^2 Q, the fit solves M c = Q'y for c, half the second
// derivative at the knots (c[1] = c[n] = 0), and takes the knot values
// a = y - p D^2 Q c. Then
//   a = A y with A = I - p D^2 Q M^-1 Q', the influence matrix;
//   the criterion minimised is sum(((y - g) / E)^2) + (p / 2) int(g''^2);
//   Cov(a) = A D^2, Cov(a, c) = D^2 Q M^-1, Cov(c) = (T^-1 - M^-1) / p;
//   tr A = 2 + tr(M^-1 T).
// So every variance needs only the band of M^-1 up to three places off the
// diagonal and the tridiagonal band of T^-1.
//
// Everything here works on plain arrays indexed as the fit's (X, E from 1
// to n), so that it can be called without the program's globals.
#pragma once
#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

namespace spline {

// The bands of M^-1 (m0: (j,j), m1: (j,j+1), m2: (j,j+2), m3: (j,j+3)) and of
// T^-1 (t0, t1) for the interior knots j = 2..n-1, zero elsewhere, with the
// effective degrees of freedom tr A. X and E are the arrays the bands were
// made from; they must outlive every use of the bands. The six bands take
// rows 0..n each, one after the other, in `Own` or in a block the caller
// lends (the program lends the fit's workspace, idle between two fits, so
// that the bands cost no memory of their own); they are moved, not copied.
struct CovarianceBands {
  int32_t n = 0;
  long double p = 0;
  const long double* X = nullptr;
  const long double* E = nullptr;
  long double *m0 = nullptr, *m1 = nullptr, *m2 = nullptr, *m3 = nullptr, *t0 = nullptr, *t1 = nullptr;
  std::vector<long double> Own;
  long double Edf = 0;
  // False when p is 0 or not finite (interpolation or the straight-line
  // limit): the covariances are not formed, only Edf (n or 2).
  bool Defined = false;

  CovarianceBands() = default;
  CovarianceBands(CovarianceBands&&) = default;
  CovarianceBands& operator=(CovarianceBands&&) = default;
  CovarianceBands(const CovarianceBands&) = delete;
  CovarianceBands& operator=(const CovarianceBands&) = delete;
};

// The bytes the bands of n points take in a lent block: as many as the
// fit's workspace of n points holds.
inline std::size_t BandBytes(int32_t n) { return 6 * (static_cast<std::size_t>(n) + 1) * sizeof(long double); }

// Factors M and T for smoothing parameter p and fills the bands, in
// `block` (BandBytes(n) bytes, aligned as new aligns) when one is given,
// else in out.Own, which is reused from call to call.
void ComputeCovarianceBands(int32_t n, const long double* X, const long double* E,
                            long double p, CovarianceBands& out, void* block = nullptr);

// One element of the bands (0 outside them, and for j or k outside 2..n-1).
long double InverseM(const CovarianceBands& b, int32_t j, int32_t k);
long double InverseT(const CovarianceBands& b, int32_t j, int32_t k);

// The joint covariance of (a[i], a[i+1], c[i], c[i+1]) for interval i
// (1 <= i < n), which the value and the first three derivatives anywhere on
// the interval are linear in.
struct IntervalCovariance {
  long double C[4][4];
};
IntervalCovariance CovarianceOnInterval(const CovarianceBands& b, int32_t i);

// Cov(a[i], a[k]), Cov(a[i], c[k]) and Cov(c[i], c[k]) for |i - k| <= 1
// (Cov(a, c) also for |i - k| <= 2).
long double CovValues(const CovarianceBands& b, int32_t i, int32_t k);
long double CovValueCurvature(const CovarianceBands& b, int32_t i, int32_t k);
long double CovCurvatures(const CovarianceBands& b, int32_t i, int32_t k);

// 1 - A_ii, the part of y[i] that the fit for p leaves in its residual at
// knot i: p E[i]^2 (Q M^-1 Q')_ii, formed as such rather than as 1 - A_ii
// so that it keeps its digits when A_ii is near 1 (little smoothing).
long double ResidualShare(const CovarianceBands& b, int32_t i);

// The weights of value and second derivative at x on (a[i], a[i+1], c[i],
// c[i+1]) of the interval that EvaluateSpline uses for x: the tangent lines
// left of X[1] and right of X[n], the cubic in between. (The slope is not
// taken from these four: its weights on the values grow as 1/h, and the
// values' covariances lose the digits it needs when the knots are many;
// see KnotSlopeVariances.)
struct PointWeights {
  int32_t Interval;
  long double Value[4], D2[4];
};
PointWeights WeightsAt(int32_t n, const long double* X, long double x);
// The same on interval i with t = x - X[i], for a point that belongs to it.
PointWeights WeightsOnInterval(const long double* X, int32_t i, long double t);

// w' C w, the variance of a linear form in the interval's four values.
long double FormVariance(const IntervalCovariance& c, const long double* w);

// Standard deviations of S and S'' at x.
struct PointSigmas {
  long double Value = 0, D2 = 0;
};
PointSigmas SigmasAt(const CovarianceBands& b, long double x);

// The variance of S' at every knot X[1..n] into slope[1..n], for a pass
// over many knots. The forms above would take it from the band of M^-1,
// which loses its digits when the knots are many, since M = T + p Q'D^2 Q
// grows as 1/h^4 (against 128-bit arithmetic: 66% off at 10^5 knots).
// Here it comes from the posterior of the values and slopes at the knots
// instead: with g the values and s the slopes of a curve made of cubics,
// int g''^2 = z'H z for z = (g[1], s[1], ..., g[n], s[n]), H block
// tridiagonal with 2 x 2 blocks (on an interval of width h, over
// (g0, s0, g1, s1): [12, 6h, -12, 6h; 6h, 4h^2, -6h, 2h^2; -12, -6h, 12, -6h;
// 6h, 2h^2, -6h, 4h^2] / h^3), and the precision of z is P = W + (p/2) H,
// W = D^-2 on the values. Minimising over the slopes gives the natural
// spline, so the values' marginal is Cov(a) = A D^2 as above, and S'(X[k])
// is E[s[k] | g]: by the law of total variance
//   Var S'(X[k]) = (P^-1)_{s[k] s[k]} - (2/p) (H_ss^-1)_{kk},
// H_ss the tridiagonal slope block of H. Both diagonals come from block
// factors that keep their digits (5e-8 relative at 10^5 knots, 1e-9 at
// 10^6). O(n), p > 0 and finite; the working memory is five reals for
// every 256 knots.
//
// The same pass gives, at points between the knots, the covariance of S(x)
// and S'(x): on interval i the spline is the cubic of its two ends' values
// and slopes, whose joint covariance the blocks hold (the block that
// couples knot i with i+1 is -D_i^-1 P_{i,i+1} S_{i+1}, with S the diagonal
// blocks of P^-1 and D the pivots; the slopes' given the values is
// (2/p) H_ss^-1). `points` come in the order of their intervals; a point
// left of X[1] (right of X[n]) lies on the tangent line there.
struct SlopePoint {
  int32_t Interval;  // 1 .. n-1
  long double X;
};
struct ValueAndSlope {
  long double Value = 0, Cross = 0, Slope = 0;  // Var S(x), Cov(S(x), S'(x)), Var S'(x)
};
void KnotSlopeVariances(int32_t n, const long double* X, const long double* E, long double p,
                        std::vector<long double>& slope, std::span<const SlopePoint> points = {},
                        ValueAndSlope* atPoints = nullptr);

// The point of x for the pass above, on the interval EvaluateSpline uses.
SlopePoint SlopePointAt(int32_t n, const long double* X, long double x);

// The sigma of S'(x) at every x of `at` (finite), in one pass: O(n + m log m).
std::vector<long double> SlopeSigmasAt(const CovarianceBands& b, std::span<const long double> at);

// Var S''(X[k]) = 4 Var(c[k]) at an interior knot, straight from the bands
// (which keep this one's digits at any number of knots).
inline long double KnotCurvatureVariance(const CovarianceBands& b, int32_t k) {
  return 4 * (b.t0[k] - b.m0[k]) / b.p;
}

// The sigma of a mark's position by the delta method: an extremum moves by
// sigma(S'(x)) / |S''(x)|, an inflection by sigma(S''(x)) / |S'''|; `slope`
// is S'(x), `curvature` S''(x) and `jerk` the interval's S'''. Defined is
// false (and the sigmas 0) when the divisor is 0. Y is the sigma of the
// mark's ordinate as the mark moves: S(x) + S'(x) dx.
struct MarkSigmas {
  bool Defined = false;
  long double X = 0, Y = 0;
};
// An extremum, from the covariance of S and S' the pass above gives at it.
MarkSigmas SigmasOfExtremum(const ValueAndSlope& v, long double slope, long double curvature);
// An inflection on interval i, from the bands.
MarkSigmas SigmasOfInflection(const CovarianceBands& b, int32_t interval, long double x, long double slope,
                              long double jerk);

}  // namespace spline
