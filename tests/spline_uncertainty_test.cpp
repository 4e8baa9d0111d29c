// The posterior covariance of the fit against a dense computation from the
// definitions (dense Q, T, D, M, their inverses, A = I - p D^2 Q M^-1 Q'),
// with Cov(c) and Cov(a, c) taken from Cov(a) through c = T^-1 Q' a, and the
// sigmas at any x from the cardinal splines, so that neither the banded
// formulas nor the interval weights are assumed. Random uneven X and errors.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstring>
#include <random>
#include <vector>

#include "spline/analysis.h"
#include "spline/criterion.h"
#include "spline/evaluate.h"
#include "spline/fit.h"
#include "spline/uncertainty.h"

using namespace spline;

namespace {

// The reference works in quadruple precision: with heavy smoothing M is
// ill-conditioned enough for an extended-precision dense inverse to lose
// more digits than the banded recurrences do.
using Real = __float128;
using Matrix = std::vector<std::vector<Real>>;

Matrix Zero(size_t r, size_t c) { return Matrix(r, std::vector<Real>(c, 0)); }
Real Abs(Real x) { return x < 0 ? -x : x; }

Matrix Mul(const Matrix& a, const Matrix& b) {
  Matrix c = Zero(a.size(), b[0].size());
  for (size_t i = 0; i < a.size(); ++i)
    for (size_t k = 0; k < b.size(); ++k)
      if (a[i][k] != 0)
        for (size_t j = 0; j < b[0].size(); ++j) c[i][j] += a[i][k] * b[k][j];
  return c;
}

Matrix Transpose(const Matrix& a) {
  Matrix t = Zero(a[0].size(), a.size());
  for (size_t i = 0; i < a.size(); ++i)
    for (size_t j = 0; j < a[0].size(); ++j) t[j][i] = a[i][j];
  return t;
}

// Gauss-Jordan with partial pivoting.
Matrix Inverse(Matrix a) {
  const size_t N = a.size();
  Matrix inv = Zero(N, N);
  for (size_t i = 0; i < N; ++i) inv[i][i] = 1;
  for (size_t k = 0; k < N; ++k) {
    size_t best = k;
    for (size_t r = k + 1; r < N; ++r)
      if (Abs(a[r][k]) > Abs(a[best][k])) best = r;
    std::swap(a[k], a[best]), std::swap(inv[k], inv[best]);
    const Real f = 1 / a[k][k];
    for (size_t c = 0; c < N; ++c) a[k][c] *= f, inv[k][c] *= f;
    for (size_t r = 0; r < N; ++r) {
      if (r == k || a[r][k] == 0) continue;
      const Real g = a[r][k];
      for (size_t c = 0; c < N; ++c) a[r][c] -= g * a[k][c], inv[r][c] -= g * inv[k][c];
    }
  }
  return inv;
}

struct Case {
  int32_t n;
  long double pScale;  // p relative to tr T / tr(Q'D^2 Q)
};

// Random data and the dense matrices; rows and columns of the c-matrices are
// the interior knots 2..n-1 (index j - 2).
struct Dense {
  int32_t n;
  std::vector<long double> X, Y, E;
  long double p = 0;
  Matrix Q, T, Minv, Tinv, CovA, CovAC, CovC;

  Dense(const Case& c, uint32_t seed) : n(c.n), X(n + 1), Y(n + 1), E(n + 1) {
    std::mt19937 rng(seed);
    std::uniform_real_distribution<double> u(0, 1);
    X[1] = -3;
    for (int32_t i = 2; i <= n; ++i) X[i] = X[i - 1] + 0.05L + 2 * u(rng) * u(rng);
    for (int32_t i = 1; i <= n; ++i) E[i] = 0.2L + u(rng), Y[i] = std::sin(X[i]) + E[i] * (u(rng) - 0.5L);
    Build(c.pScale);
  }

  void Build(long double pScale) {
    const int32_t k = n - 2;
    Q = Zero(n, k), T = Zero(k, k);
    Matrix D2 = Zero(n, n);
    for (int32_t i = 1; i <= n; ++i) D2[i - 1][i - 1] = Real(E[i]) * Real(E[i]);
    for (int32_t j = 2; j < n; ++j) {
      const Real h0 = Real(X[j]) - Real(X[j - 1]), h1 = Real(X[j + 1]) - Real(X[j]);
      Q[j - 2][j - 2] = 1 / h0, Q[j - 1][j - 2] = -1 / h0 - 1 / h1, Q[j][j - 2] = 1 / h1;
      T[j - 2][j - 2] = 2 * (h0 + h1) / 3;
      if (j < n - 1) T[j - 2][j - 1] = T[j - 1][j - 2] = h1 / 3;
    }
    const Matrix B = Mul(Mul(Transpose(Q), D2), Q);
    Real trT = 0, trB = 0;
    for (int32_t j = 0; j < k; ++j) trT += T[j][j], trB += B[j][j];
    p = static_cast<long double>(pScale * trT / trB);
    Matrix M = T;
    for (int32_t r = 0; r < k; ++r)
      for (int32_t c = 0; c < k; ++c) M[r][c] += Real(p) * B[r][c];
    Minv = Inverse(M), Tinv = Inverse(T);
    // Cov(a) = A D^2 with A = I - p D^2 Q M^-1 Q'.
    const Matrix QMQ = Mul(Mul(Q, Minv), Transpose(Q));
    CovA = Zero(n, n);
    for (int32_t r = 0; r < n; ++r)
      for (int32_t c = 0; c < n; ++c)
        CovA[r][c] = (r == c ? D2[r][r] : 0) - Real(p) * D2[r][r] * QMQ[r][c] * D2[c][c];
    // c = T^-1 Q' a.
    const Matrix G = Mul(Tinv, Transpose(Q));
    CovAC = Mul(CovA, Transpose(G));
    CovC = Mul(G, CovAC);
  }

  // Cov of (a[1..n], c[1..n]) as one 2n x 2n matrix (c[1] = c[n] = 0).
  Real Joint(int32_t r, int32_t c) const {
    auto isC = [&](int32_t v) { return v > n; };
    auto idx = [&](int32_t v) { return isC(v) ? v - n : v; };
    const int32_t a = idx(r), b = idx(c);
    if ((isC(r) && (a == 1 || a == n)) || (isC(c) && (b == 1 || b == n))) return 0;
    if (!isC(r) && !isC(c)) return CovA[a - 1][b - 1];
    if (!isC(r)) return CovAC[a - 1][b - 2];
    if (!isC(c)) return CovAC[b - 1][a - 2];
    return CovC[a - 2][b - 2];
  }
};

// Within about 1e-15 of `scale`: the largest entry of a band, or for the
// covariances of the knot values the size of the terms that cancel in
// E^2 - p E^4 (Q M^-1 Q'), which heavy smoothing makes nearly equal.
void ExpectClose(long double got, Real want, Real scale, const char* what) {
  const long double error = static_cast<long double>(Abs(Real(got) - want));
  EXPECT_LE(error, 4e-15L * static_cast<long double>(scale))
      << what << ": " << (double)got << " vs " << (double)want;
}

// The largest magnitude of a matrix, for relative comparisons of its entries.
Real Largest(const Matrix& m) {
  Real x = 0;
  for (const auto& row : m)
    for (Real v : row) x = Abs(v) > x ? Abs(v) : x;
  return x;
}

// Value, slope and curvature at x of the natural interpolating spline of
// each unit vector: the weights of S(x), S'(x), S''(x) on the knot values.
// S'' is linear in the knot values alone, so this does not use c at all.
std::vector<Evaluation> Cardinals(const Dense& d, long double x) {
  std::vector<long double> Y(d.n + 1), E(d.n + 1, 0);
  std::vector<double> R(WorkspaceDoubles(d.n));
  std::vector<SplineSegment> A(d.n + 1);
  std::vector<Evaluation> out(d.n + 1);
  for (int32_t j = 1; j <= d.n; ++j) {
    std::fill(Y.begin(), Y.end(), 0.0L);
    Y[j] = 1;
    FitSmoothingSplineAt(d.n, 0, d.X.data(), Y.data(), E.data(), R.data(), A.data());
    EvaluateSpline(d.n, d.X.data(), A.data(), x, out[j]);
  }
  return out;
}

// Posterior variance of a linear form sum_j w_j a_j, and the size of the
// terms that cancel in it, (sum_j |w_j| E_j)^2.
struct FormVariance {
  Real value = 0, scale = 0;
};
FormVariance DenseVariance(const Dense& d, const std::vector<long double>& w) {
  FormVariance v;
  for (int32_t r = 1; r <= d.n; ++r) {
    for (int32_t c = 1; c <= d.n; ++c) v.value += Real(w[r]) * d.CovA[r - 1][c - 1] * Real(w[c]);
    v.scale += Abs(Real(w[r]) * Real(d.E[r]));
  }
  v.scale *= v.scale;
  return v;
}

class UncertaintyDense : public ::testing::TestWithParam<Case> {};

TEST_P(UncertaintyDense, BandsCovariancesAndSigmasMatchTheDenseDefinitions) {
  const Dense d(GetParam(), 1234u + GetParam().n);
  CovarianceBands b;
  ComputeCovarianceBands(d.n, d.X.data(), d.E.data(), d.p, b);
  ASSERT_TRUE(b.Defined);
  // The same bands in a lent workspace of exactly its size, its bytes all
  // ones (an 80-bit NaN) as a workspace after a fit may hold anything: every
  // entry the same to the bit.
  std::vector<double> block(WorkspaceDoubles(d.n));
  std::memset(block.data(), 0xFF, block.size() * sizeof(double));
  ASSERT_EQ(block.size() * sizeof(double), BandBytes(d.n));
  CovarianceBands lent;
  ComputeCovarianceBands(d.n, d.X.data(), d.E.data(), d.p, lent, block.data());
  EXPECT_EQ(lent.Edf, b.Edf);
  for (int32_t j = 1; j <= d.n; ++j)
    for (int32_t k = j; k <= j + 3 && k <= d.n; ++k) {
      EXPECT_EQ(InverseM(lent, j, k), InverseM(b, j, k)) << j << "," << k;
      EXPECT_EQ(InverseT(lent, j, k), InverseT(b, j, k)) << j << "," << k;
    }
  const Real sm = Largest(d.Minv), st = Largest(d.Tinv);
  auto ee = [&](int32_t i, int32_t k) { return Real(d.E[i]) * Real(d.E[k]); };
  // A = Cov(a) D^-2 is the fit's influence matrix: the fit for p is A y.
  std::vector<double> R(WorkspaceDoubles(d.n));
  std::vector<SplineSegment> S(d.n + 1);
  FitSmoothingSplineAt(d.n, d.p, d.X.data(), d.Y.data(), d.E.data(), R.data(), S.data());
  Real trace = 0;
  for (int32_t r = 1; r <= d.n; ++r) {
    Real ay = 0;
    for (int32_t c = 1; c <= d.n; ++c)
      ay += d.CovA[r - 1][c - 1] / (Real(d.E[c]) * Real(d.E[c])) * Real(d.Y[c]);
    ExpectClose(S[r].a, ay, 2, "A y");
    trace += d.CovA[r - 1][r - 1] / (Real(d.E[r]) * Real(d.E[r]));
  }
  ExpectClose(b.Edf, trace, d.n, "tr A");
  for (int32_t j = 2; j < d.n; ++j)
    for (int32_t k = j; k <= j + 3 && k < d.n; ++k) {
      ExpectClose(InverseM(b, j, k), d.Minv[j - 2][k - 2], sm, "M^-1");
      if (k <= j + 1) ExpectClose(InverseT(b, j, k), d.Tinv[j - 2][k - 2], st, "T^-1");
    }
  for (int32_t i = 1; i <= d.n; ++i) {
    for (int32_t k = i; k <= i + 1 && k <= d.n; ++k) {
      ExpectClose(CovValues(b, i, k), d.Joint(i, k), ee(i, k), "Cov(a)");
      ExpectClose(CovCurvatures(b, i, k), d.Joint(d.n + i, d.n + k), sm / Real(d.p), "Cov(c)");
    }
    for (int32_t k = i - 2; k <= i + 2; ++k)
      if (k >= 1 && k <= d.n)
        ExpectClose(CovValueCurvature(b, i, k), d.Joint(i, d.n + k), ee(i, i) * sm / 0.01L, "Cov(a,c)");
  }
  // Sigmas of value and curvature from the bands, and the covariance of
  // value and slope from the pass over the knots, inside, on knots and
  // outside (the points in the order of their intervals, as the pass
  // wants them).
  const long double xs[] = {d.X[1] - 0.7L, d.X[1], (d.X[1] + d.X[2]) / 2, d.X[d.n / 2],
                            d.X[d.n / 2] + 0.01L, d.X[d.n], d.X[d.n] + 1.5L};
  std::vector<SlopePoint> points;
  for (const long double x : xs) points.push_back(SlopePointAt(d.n, d.X.data(), x));
  std::vector<ValueAndSlope> pass(points.size());
  std::vector<long double> slopes;
  KnotSlopeVariances(d.n, d.X.data(), d.E.data(), d.p, slopes, points, pass.data());
  for (std::size_t i = 0; i < points.size(); ++i) {
    const std::vector<Evaluation> w = Cardinals(d, xs[i]);
    std::vector<long double> wv(d.n + 1), w1(d.n + 1), w2(d.n + 1), both(d.n + 1);
    for (int32_t j = 1; j <= d.n; ++j) wv[j] = w[j].Value, w1[j] = w[j].D1, w2[j] = w[j].D2, both[j] = wv[j] + w1[j];
    const PointSigmas s = SigmasAt(b, xs[i]);
    const FormVariance want[5] = {DenseVariance(d, wv), DenseVariance(d, w2), DenseVariance(d, wv),
                                  DenseVariance(d, w1), DenseVariance(d, both)};
    const ValueAndSlope& v = pass[i];
    const long double got[5] = {s.Value * s.Value, s.D2 * s.D2, v.Value, v.Slope, v.Value + 2 * v.Cross + v.Slope};
    SCOPED_TRACE(::testing::Message() << "point " << i);
    for (int k = 0; k < 5; ++k) ExpectClose(got[k], want[k].value, want[k].scale, "variance");
  }
  // Asked for in any order, the slopes' sigmas come back in that order.
  const std::vector<long double> reversed(std::rbegin(xs), std::rend(xs));
  const std::vector<long double> sigma = SlopeSigmasAt(b, reversed);
  for (std::size_t i = 0; i < points.size(); ++i)
    EXPECT_EQ(sigma[points.size() - 1 - i], std::sqrt(pass[i].Slope)) << i;
  // The variances at knots that a pass over the knots takes: the ends, the
  // first and last interior knots and one in the middle.
  for (const int32_t k : {1, 2, d.n / 2, d.n - 1, d.n}) {
    if (k < 1) continue;
    const std::vector<Evaluation> w = Cardinals(d, d.X[k]);
    std::vector<long double> w1(d.n + 1), w2(d.n + 1);
    for (int32_t j = 1; j <= d.n; ++j) w1[j] = w[j].D1, w2[j] = w[j].D2;
    const FormVariance want[2] = {DenseVariance(d, w1), DenseVariance(d, w2)};
    ExpectClose(slopes[k], want[0].value, want[0].scale, "knot variance of S'");
    if (k > 1 && k < d.n) ExpectClose(KnotCurvatureVariance(b, k), want[1].value, want[1].scale, "knot variance of S''");
  }
}

// The slopes' variances at many knots, and the covariance of value and
// slope between them, keep their digits: computed from the right end
// instead of the left (the same data mirrored, where the slope and its
// covariance with the value change sign), they agree. (Against 128-bit
// arithmetic the band of M^-1 gave the knots' 66% off at 10^5 knots, this
// pass 5e-8.)
TEST(UncertaintyManyKnots, SlopeVariancesAgreeWithTheMirroredData) {
  const int32_t n = 100000;
  std::vector<long double> X(n + 1), E(n + 1), MX(n + 1), ME(n + 1);
  for (int32_t i = 1; i <= n; ++i) X[i] = 400 + 300.0L * (i - 1) / n + 1e-3L * std::sin(i * 1.0L), E[i] = 0.01L * (1 + 0.5L * std::cos(i * 0.37L));
  for (int32_t i = 1; i <= n; ++i) MX[i] = -X[n + 1 - i], ME[i] = E[n + 1 - i];
  std::vector<SlopePoint> at, mirroredAt;
  for (int32_t i = 1; i < n; i += 997) {
    const long double x = X[i] + 0.3L * (X[i + 1] - X[i]);
    at.push_back({i, x}), mirroredAt.insert(mirroredAt.begin(), SlopePoint{n - i, -x});
  }
  std::vector<ValueAndSlope> points(at.size()), mirroredPoints(at.size());
  std::vector<long double> slope, mirrored;
  KnotSlopeVariances(n, X.data(), E.data(), 2e8L, slope, at, points.data());
  KnotSlopeVariances(n, MX.data(), ME.data(), 2e8L, mirrored, mirroredAt, mirroredPoints.data());
  long double worst = 0;
  for (int32_t k = 1; k <= n; ++k) {
    ASSERT_GT(slope[k], 0) << k;
    worst = std::fmax(worst, std::fabs(slope[k] - mirrored[n + 1 - k]) / slope[k]);
  }
  for (std::size_t i = 0; i < at.size(); ++i) {
    const ValueAndSlope &p = points[i], &m = mirroredPoints[at.size() - 1 - i];
    worst = std::fmax(worst, std::fabs(p.Slope - m.Slope) / p.Slope);
    worst = std::fmax(worst, std::fabs(p.Value - m.Value) / p.Value);
    worst = std::fmax(worst, std::fabs(p.Cross + m.Cross) / std::sqrt(p.Value * p.Slope));
  }
  EXPECT_LT(worst, 1e-6L);
}

INSTANTIATE_TEST_SUITE_P(RandomUnevenData, UncertaintyDense,
                         ::testing::Values(Case{3, 1}, Case{4, 0.1L}, Case{5, 10}, Case{9, 1e-3L},
                                           Case{40, 1}, Case{120, 1e4L}, Case{200, 0.01L},
                                           Case{200, 1e3L}));

// Two points have no interior knot: the fit is the line through both, so
// A = I and the knot values carry their own errors. The factorisation read
// the widths past X[2] (AddressSanitizer, with a fixed p and bands wanted);
// the arrays here end at the last point, so such a read fails the
// sanitizer build.
TEST(UncertaintyTwoPoints, TheLineThroughBothCarriesTheErrors) {
  const std::vector<long double> X{0, 1, 3}, E{0, 0.5L, 0.25L};
  CovarianceBands b;
  ComputeCovarianceBands(2, X.data(), E.data(), 0.5L, b);
  ASSERT_TRUE(b.Defined);
  EXPECT_EQ(b.Edf, 2);
  EXPECT_EQ(CovValues(b, 1, 1), 0.25L);
  EXPECT_EQ(CovValues(b, 1, 2), 0);
  EXPECT_EQ(CovValues(b, 2, 2), 0.0625L);
  // Midway the value is the mean of the two: variance (0.25 + 0.0625) / 4.
  EXPECT_NEAR(static_cast<double>(SigmasAt(b, 2).Value), std::sqrt(0.3125 / 4), 1e-18);
}

}  // namespace
