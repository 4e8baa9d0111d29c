// Tests of the smoothing-spline fit against an independent dense solve of the
// same minimisation, its special cases, and the error values that weight it.
#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstdint>
#include <random>
#include <vector>

#include "graph/plot.h"
#include "spline/fit.h"

using namespace spline;

namespace {

// A data set with room for the fit, arrays indexed as the program's.
struct Points {
  std::vector<long double> X, Y, E;
  std::vector<double> R;
  std::vector<SplineSegment> A;
  int32_t n = 0;
  Points(std::vector<long double> x, std::vector<long double> y, std::vector<long double> e)
      : n(static_cast<int32_t>(x.size())) {
    X = {0}, Y = {0}, E = {0};
    X.insert(X.end(), x.begin(), x.end());
    Y.insert(Y.end(), y.begin(), y.end());
    E.insert(E.end(), e.begin(), e.end());
    R.assign(WorkspaceDoubles(n), 0);
    A.assign(n + 1, SplineSegment{});
  }
  FitStatus Fit(int32_t maxIteration, FitOutcome& out) {
    return FitSmoothingSpline(n, maxIteration, X.data(), Y.data(), E.data(), R.data(),
                              A.data(), &out);
  }
};

using Matrix = std::vector<std::vector<long double>>;

// Gaussian elimination with partial pivoting on the augmented matrix M.
std::vector<long double> Solve(Matrix M) {
  const size_t N = M.size();
  for (size_t k = 0; k < N; ++k) {
    size_t best = k;
    for (size_t r = k + 1; r < N; ++r)
      if (std::fabs(M[r][k]) > std::fabs(M[best][k])) best = r;
    std::swap(M[k], M[best]);
    for (size_t r = k + 1; r < N; ++r) {
      const long double f = M[r][k] / M[k][k];
      for (size_t c = k; c <= N; ++c) M[r][c] -= f * M[k][c];
    }
  }
  std::vector<long double> z(N);
  for (size_t k = N; k-- > 0;) {
    long double s = M[k][N];
    for (size_t c = k + 1; c < N; ++c) s -= M[k][c] * z[c];
    z[k] = s / M[k][k];
  }
  return z;
}

// The reference: one cubic a + b t + c t^2 + d t^3 per interval (4m unknowns),
// joined by hand-written conditions. Row coefficients of the value at knot j.
std::vector<long double> ValueRow(const Points& P, int32_t j) {
  const int32_t m = P.n - 1;
  std::vector<long double> row(4 * m, 0);
  const int32_t i = std::min(j, m);
  const long double h = P.X[j] - P.X[i];
  for (int32_t k = 0; k < 4; ++k) row[4 * (i - 1) + k] = std::pow(h, (long double)k);
  return row;
}

// Continuity of value, slope and curvature at inner knots, and S'' = 0 at both ends.
Matrix JoinRows(const Points& P) {
  const int32_t m = P.n - 1;
  Matrix rows;
  auto row = [&] { return std::vector<long double>(4 * m, 0); };
  for (int32_t i = 1; i <= m; ++i) {
    const long double h = P.X[i + 1] - P.X[i];
    const int32_t o = 4 * (i - 1);
    std::vector<long double> v = row(), s = row(), c = row();
    v[o] = 1, v[o + 1] = h, v[o + 2] = h * h, v[o + 3] = h * h * h;
    s[o + 1] = 1, s[o + 2] = 2 * h, s[o + 3] = 3 * h * h;
    c[o + 2] = 2, c[o + 3] = 6 * h;
    if (i < m) {
      v[o + 4] = -1, s[o + 5] = -1, c[o + 6] = -2;
      rows.push_back(v), rows.push_back(s);
    }
    rows.push_back(c);  // at i = m: S''(X[n]) = 0
  }
  std::vector<long double> first = row();
  first[2] = 1;  // S''(X[1]) = 0
  rows.push_back(first);
  return rows;
}

// Minimises the integral of S''^2 plus lambda times the weighted residual sum
// (KKT system of the quadratic objective under the joining conditions).
std::vector<long double> DenseSmoothing(const Points& P, long double lambda) {
  const int32_t m = P.n - 1, U = 4 * m;
  const Matrix join = JoinRows(P);
  const size_t N = U + join.size();
  Matrix M(N, std::vector<long double>(N + 1, 0));
  for (int32_t i = 1; i <= m; ++i) {  // 2 x the roughness 4hc^2 + 12h^2cd + 12h^3d^2
    const long double h = P.X[i + 1] - P.X[i];
    const int32_t c = 4 * (i - 1) + 2, d = c + 1;
    M[c][c] += 8 * h, M[c][d] += 12 * h * h, M[d][c] += 12 * h * h, M[d][d] += 24 * h * h * h;
  }
  for (int32_t j = 1; j <= P.n; ++j) {
    const std::vector<long double> phi = ValueRow(P, j);
    const long double w = 2 * lambda / (P.E[j] * P.E[j]);
    for (int32_t r = 0; r < U; ++r) {
      for (int32_t c = 0; c < U; ++c) M[r][c] += w * phi[r] * phi[c];
      M[r][N] += w * P.Y[j] * phi[r];
    }
  }
  for (size_t k = 0; k < join.size(); ++k)
    for (int32_t c = 0; c < U; ++c) M[U + k][c] = M[c][U + k] = join[k][c];
  return Solve(M);
}

void ExpectSameCubics(const Points& P, const std::vector<long double>& z, long double tol) {
  for (int32_t k = 0; k < 4; ++k) {
    long double scale = 0;
    for (int32_t i = 1; i < P.n; ++i) scale = std::max(scale, std::fabs(z[4 * (i - 1) + k]));
    for (int32_t i = 1; i < P.n; ++i) {
      const SplineSegment& s = P.A[i];
      const long double got[4] = {s.a, s.b, s.c, s.d};
      EXPECT_NEAR((double)got[k], (double)z[4 * (i - 1) + k], (double)(tol * scale))
          << "coefficient " << k << " of interval " << i;
    }
  }
}

// Value, slope and curvature agree across every knot; the end record holds the
// end value and slope; each Int step is the integral of the interval's cubic.
void ExpectSmoothJoins(const Points& P) {
  long double scale = 1;
  for (int32_t i = 1; i <= P.n; ++i)
    scale = std::max({scale, std::fabs(P.A[i].a), std::fabs(P.A[i].b), std::fabs(P.A[i].c)});
  const long double tol = 1e-15L * scale;
  for (int32_t i = 1; i < P.n; ++i) {
    const SplineSegment &s = P.A[i], &e = P.A[i + 1];
    const long double h = P.X[i + 1] - P.X[i];
    EXPECT_NEAR((double)(s.a + s.b * h + s.c * h * h + s.d * h * h * h), (double)e.a, (double)tol);
    EXPECT_NEAR((double)(s.b + 2 * s.c * h + 3 * s.d * h * h), (double)e.b, (double)tol);
    EXPECT_NEAR((double)(s.c + 3 * s.d * h), (double)e.c, (double)tol) << i;
    const long double area = s.a * h + s.b * h * h / 2 + s.c * h * h * h / 3 + s.d * h * h * h * h / 4;
    EXPECT_NEAR((double)(e.Int - s.Int), (double)area, (double)(tol * h)) << i;
  }
  EXPECT_EQ(P.A[1].c, 0);
  EXPECT_EQ(P.A[1].Int, 0);
  EXPECT_EQ(P.A[P.n].c, 0);
  EXPECT_EQ(P.A[P.n].d, 0);
}

struct SmoothingCase {
  const char* name;
  std::vector<long double> x, y, e;
};

TEST(FitSmoothingSpline, AgreesWithDenseSolve) {
  const SmoothingCase cases[] = {
      {"three points", {1, 2, 4}, {1, 3, 2}, {0.5L, 0.5L, 0.5L}},
      {"irregular X, equal errors",
       {0, 0.7L, 1.1L, 2.5L, 3.0L, 4.2L, 5.0L, 6.3L},
       {0.1L, 0.55L, 1.02L, 0.45L, 0.2L, -0.95L, -0.8L, 0.1L},
       {0.1L, 0.1L, 0.1L, 0.1L, 0.1L, 0.1L, 0.1L, 0.1L}},
      {"unequal errors",
       {-3, -2.5L, -1, 0, 0.25L, 1, 2.2L, 3, 4, 5.5L},
       {2, 1.1L, 0.9L, 0.1L, 0.4L, -0.3L, 0.2L, 1.3L, 1.1L, 2.4L},
       {0.3L, 0.05L, 0.2L, 0.1L, 0.25L, 0.08L, 0.15L, 0.3L, 0.1L, 0.2L}},
      {"X far from 0", {1000, 1000.5L, 1001, 1002, 1002.5L, 1004},
       {5, 5.8L, 5.1L, 6.3L, 5.9L, 7}, {0.2L, 0.2L, 0.2L, 0.2L, 0.2L, 0.2L}},
  };
  for (const SmoothingCase& c : cases) {
    SCOPED_TRACE(c.name);
    Points P(c.x, c.y, c.e);
    FitOutcome out;
    ASSERT_EQ(P.Fit(1000, out), FitStatus::Converged);
    ASSERT_GT(out.P, 0);
    long double F = 0;
    for (int32_t i = 1; i <= P.n; ++i) F += std::pow((P.Y[i] - P.A[i].a) / P.E[i], 2.0L);
    EXPECT_NEAR((double)F, P.n, P.n / 10000.0);
    // The fit's p weights half the roughness: (p/2) J + F, i.e. lambda = 2/p.
    ExpectSameCubics(P, DenseSmoothing(P, 2 / out.P), 1e-15L);
    ExpectSmoothJoins(P);
  }
}

TEST(FitSmoothingSpline, ZeroErrorsInterpolate) {
  // Through every point with C2 joins and S'' = 0 at both ends: that is the
  // natural interpolating spline, which is unique.
  Points P({0, 1, 1.5L, 3, 4.5L, 5}, {1, -1, 0.5L, 2, 0, 1}, {0, 0, 0, 0, 0, 0});
  FitOutcome out;
  EXPECT_EQ(P.Fit(1000, out), FitStatus::Converged);
  EXPECT_EQ(out.P, 0);
  for (int32_t i = 1; i <= P.n; ++i) EXPECT_EQ(P.A[i].a, P.Y[i]);
  ExpectSmoothJoins(P);
}

TEST(FitSmoothingSpline, TwoPointsAndLinesGiveTheLine) {
  struct LineCase {
    const char* name;
    std::vector<long double> x, y, e;
    long double slope;
  } cases[] = {
      {"two points", {1, 3}, {2, 5}, {0.1L, 0.1L}, 1.5L},
      {"points on a line", {0, 1, 2, 4, 7}, {1, 3, 5, 9, 15}, {0.5L, 0.1L, 2, 0.3L, 1}, 2},
  };
  for (const LineCase& c : cases) {
    SCOPED_TRACE(c.name);
    Points P(c.x, c.y, c.e);
    FitOutcome out;
    EXPECT_EQ(P.Fit(1000, out), FitStatus::Converged);
    EXPECT_EQ(out.Iterations, 1);
    EXPECT_EQ(out.P, 0);
    for (int32_t i = 1; i <= P.n; ++i) {
      EXPECT_EQ(P.A[i].a, P.Y[i]);
      EXPECT_EQ(P.A[i].b, c.slope);
      EXPECT_EQ(P.A[i].c, 0);
      EXPECT_EQ(P.A[i].d, 0);
    }
    const long double dx = P.X[2] - P.X[1];
    EXPECT_EQ(P.A[2].Int, (P.Y[1] + P.Y[2]) * dx / 2);
  }
}

// Huge errors give the least-squares line y = 3/7 + 22/35 x. From about
// 10^1400 up the iteration's sums leave the range of extended reals (their
// squares overflow, or the residual sum underflows after the first Newton
// step), and the line is then formed directly, with the same status.
TEST(FitSmoothingSpline, HugeErrorsReachTheStraightLineLimit) {
  for (long double e : {1e6L, 1e100L, 1e1400L, 1e2400L, 1e4000L, 1e4900L}) {
    SCOPED_TRACE(static_cast<double>(std::log10(e)));
    Points P({0, 1, 2, 3, 4, 5}, {0, 2, 1, 3, 2, 4}, {e, e, e, e, e, e});
    FitOutcome out;
    EXPECT_EQ(P.Fit(1000, out), FitStatus::StraightLine);
    EXPECT_GT(std::fabs(5 * out.P), 1e6L);
    EXPECT_LT(out.ResidualSum, P.n);
    for (int32_t i = 1; i <= P.n; ++i) {
      EXPECT_NEAR((double)P.A[i].a, 3 / 7.0 + 22 / 35.0 * (i - 1), 1e-5);
      EXPECT_NEAR((double)P.A[i].c, 0, 1e-9);
    }
    ExpectSmoothJoins(P);
  }
  // Unequal huge errors weight the line: the points with ten times the error
  // count a hundredth, as in the iteration's own limit.
  const std::vector<long double> x{0, 1, 2, 3, 4, 5}, y{0, 2, 1, 3, 2, 4};
  Points near(x, y, {1e100L, 1e101L, 1e100L, 1e101L, 1e100L, 1e100L});
  Points far(x, y, {1e4000L, 1e4001L, 1e4000L, 1e4001L, 1e4000L, 1e4000L});
  FitOutcome a, b;
  ASSERT_EQ(near.Fit(1000, a), FitStatus::StraightLine);
  ASSERT_EQ(far.Fit(1000, b), FitStatus::StraightLine);
  for (int32_t i = 1; i <= far.n; ++i) EXPECT_NEAR((double)far.A[i].a, (double)near.A[i].a, 1e-12) << i;
}

// The straight-line limit once held when |(X[n] - X[1]) p| passed 10^6,
// whatever the unit of X: with X in thousands a noisy curve stopped at its
// second pass, far from any line, and a noisy line whose errors allow the
// line stopped at a curve. Now the unit of X changes neither the status nor
// the values, and the line has no curvature left.
TEST(FitSmoothingSpline, TheUnitOfXChangesNothing) {
  std::mt19937 rng(24);
  std::uniform_real_distribution<double> noise(-0.5, 0.5);
  std::vector<long double> x, curve, line;
  for (int32_t i = 0; i < 200; ++i) {
    x.push_back(0.05L * i);
    curve.push_back(10 * std::exp(-0.3L * x.back()) * std::sin(2 * x.back()) + 0.4L * noise(rng));
    line.push_back(1 + 2 * x.back() + 0.02L * noise(rng));
  }
  const struct {
    std::vector<long double> y;
    long double error;
    FitStatus status;
  } cases[] = {{curve, 0.2L, FitStatus::Converged}, {line, 0.01L, FitStatus::StraightLine}};
  for (const auto& c : cases) {
    const std::vector<long double> e(x.size(), c.error);
    Points unit(x, c.y, e);
    FitOutcome out;
    ASSERT_EQ(unit.Fit(1000, out), c.status);
    for (int32_t i = 1; c.status == FitStatus::StraightLine && i <= unit.n; ++i)
      EXPECT_LT(std::fabs(unit.A[i].c), 1e-12L) << i;
    for (long double scale : {1e-3L, 1e3L, 1e9L}) {
      std::vector<long double> scaled;
      for (long double v : x) scaled.push_back(v * scale);
      Points P(scaled, c.y, e);
      EXPECT_EQ(P.Fit(1000, out), c.status) << static_cast<double>(scale);
      for (int32_t i = 1; i <= P.n; ++i)
        EXPECT_NEAR(static_cast<double>(P.A[i].a), static_cast<double>(unit.A[i].a), 1e-12) << i;
    }
  }
}

TEST(FitSmoothingSpline, IterationLimitStillLeavesSegments) {
  Points P({0, 1, 2, 3, 4, 5}, {0, 2, 1, 3, 2, 4}, {0.3L, 0.3L, 0.3L, 0.3L, 0.3L, 0.3L});
  FitOutcome full, cut;
  ASSERT_EQ(P.Fit(1000, full), FitStatus::Converged);
  ASSERT_GT(full.Iterations, 2);
  EXPECT_EQ(P.Fit(2, cut), FitStatus::IterationLimit);
  EXPECT_EQ(cut.Iterations, 2);
  for (int32_t i = 1; i <= P.n; ++i) EXPECT_TRUE(std::isfinite(P.A[i].a + P.A[i].Int)) << i;
  EXPECT_FALSE(cut.ScaleOverflow);
}

// X in steps of 1e-800 make the sum of the first Newton step overflow, so
// that the step leaves p not a number, and the least-squares line misses
// these errors. The fit ran its 1000 passes on that and reported the
// iteration limit as if more could help. It now stops at the pass after and
// says that p overflowed.
TEST(FitSmoothingSpline, OverflowOfTheScaleStopsAndSaysSo) {
  std::vector<long double> x;
  for (int32_t i = 0; i < 6; ++i) x.push_back(i * 1e-800L);
  Points P(x, {0, 2, 1, 3, 2, 4}, {0.01L, 0.01L, 0.01L, 0.01L, 0.01L, 0.01L});
  FitOutcome out;
  EXPECT_EQ(P.Fit(1000, out), FitStatus::IterationLimit);
  EXPECT_TRUE(out.ScaleOverflow);
  EXPECT_EQ(out.Iterations, 2);
}

// ---- Error values ----

TEST(CompleteErrors, MissingColumnAndFillValues) {
  // Y range 2, so one millionth of it is 2e-6.
  const long double r = 2.0L / 1000000;
  struct {
    int32_t columnError;
    bool inY;
    std::vector<long double> in, want;
  } cases[] = {
      {3, false, {-1, 0, 5, 1e6L}, {r, 0, 5 * r, 1e6L * r}},  // column values count in r
      {3, true, {-1, 0, 5, 0.25L}, {r, 0, 5, 0.25L}},          // or in Y, as they stand
      {0, false, {-1, -1, -1, -1}, {r, r, r, r}},              // no error value anywhere
      {0, false, {0.25L, 0.25L, 0.25L, 0.25L}, {0.25L, 0.25L, 0.25L, 0.25L}},  // ErrorValue as is
  };
  for (auto& c : cases) {
    std::vector<long double> Y = {0, 1, -1, 0.5L, 1}, E = {0};
    E.insert(E.end(), c.in.begin(), c.in.end());
    CompleteErrors(4, Y.data(), E.data(), c.columnError, c.inY);
    for (int32_t i = 1; i <= 4; ++i) EXPECT_EQ(E[i], c.want[i - 1]) << c.columnError << " " << i;
  }
}

// Y range 2: error column values from 0.002 to 2 look like units of Y; a
// missing value (negative) is passed over.
TEST(CompleteErrors, ColumnValuesThatLookLikeUnitsOfY) {
  struct {
    std::vector<long double> Y, E;
    bool looks;
  } cases[] = {
      {{0, 1, -1, 1}, {0, 0.002L, 2, 0.5L}, true},
      {{0, 1, -1, 1}, {0, 0.0019L, 1, 1}, false},
      {{0, 1, -1, 1}, {0, 0.5L, 2.01L, 1}, false},
      {{0, 1, -1, 1}, {0, -1, 0.5L, -1}, true},
      {{0, 1, -1, 1}, {0, -1, -1, -1}, false},  // no value at all
      {{0, 1, 1, 1}, {0, 0, 0, 0}, false},      // no range of Y
  };
  for (auto& c : cases) {
    const ErrorColumnSpan span = SpanOfErrorColumn(3, c.Y.data(), c.E.data());
    EXPECT_EQ(LooksLikeUnitsOfY(span), c.looks) << span.Low << " to " << span.High << " of " << span.YRange;
  }
}

TEST(EstimateErrorsFromScatter, WindowsAndRescaling) {
  const std::vector<long double> X = {0, 1, 2, 3, 4, 5, 6}, Y = {0, 0, 4, 4, 13, 13, 1};
  std::vector<long double> E = {0, 1, 2, 3, 4, 5, 6};
  EstimateErrorsFromScatter(6, X.data(), Y.data(), E.data(), 2);
  // Windows 1..3, 1..4, 1..5, 2..6, 3..6, 4..6 (least-squares slopes by hand).
  const long double slope[] = {2, 3.9L, 3.5L, 0.3L, -0.9L, -6};
  long double sum = 0, roots = 0;
  for (long double s : slope) roots += std::sqrt(std::fabs(s));
  for (int32_t i = 1; i <= 6; ++i) {
    EXPECT_NEAR((double)E[i], (double)(std::sqrt(std::fabs(slope[i - 1])) * 21 / roots), 1e-15) << i;
    sum += E[i];
  }
  EXPECT_NEAR((double)sum, 21, 1e-15);
}

TEST(EstimateErrorsFromScatter, EdgeCases) {
  // No estimate asked for, or every slope 0 (no scale): the values stay.
  const std::vector<long double> x = {0, 1, 2, 3}, flat = {0, 7, 7, 7}, kept = {0, 0.5L, 0.25L, 2};
  for (int32_t w : {0, -4, 1}) {
    std::vector<long double> E = kept;
    EstimateErrorsFromScatter(3, x.data(), flat.data(), E.data(), w);
    EXPECT_EQ(E, kept) << w;
  }
  // The largest w: every window is the whole set, and i + w must not overflow.
  std::vector<long double> X = {0, 1, 2, 3}, Y = {0, 1, 3, 5}, E = {0, 1, 1, 1};
  EstimateErrorsFromScatter(3, X.data(), Y.data(), E.data(), INT32_MAX);
  for (int32_t i = 1; i <= 3; ++i) EXPECT_NEAR((double)E[i], 1, 1e-18);
  // Time stamps in seconds: the textbook sums cancel (a quarter off in half the
  // windows). Points on a line must get equal errors.
  X = {0};
  Y = {0};
  E = {0};
  for (int32_t j = 0; j < 40; ++j) X.push_back(1.7e9L + j), Y.push_back(0.5L * j), E.push_back(1);
  EstimateErrorsFromScatter(40, X.data(), Y.data(), E.data(), 1);
  for (int32_t i = 1; i <= 40; ++i) EXPECT_NEAR((double)E[i], 1, 1e-15) << i;
}

TEST(ScaleErrors, FactorKeysAndUndo) {
  struct {
    const char* keys;
    long double want;  // what 1 has become
  } cases[] = {
      {"2-", 1},          {"0", 0.5L},   {"0-", 1},   {"1", 1.1L},       {"9", 9},
      {"`-", 1.01L / 1.01L}, {"3--", 1.0L / 3}, {"-", 1},    {"23-", 2},
      {"x2q", 2},         {"4a-", 1},    {"1-", 1.1L / 1.1L},
  };
  for (auto& c : cases) {
    ResetErrorScaling();
    std::vector<long double> E = {0, 1, 1};
    for (const char* k = c.keys; *k; ++k) ScaleErrors(*k, 2, E.data());
    EXPECT_EQ(E[1], c.want) << c.keys;
    EXPECT_EQ(E[2], E[1]);
  }
  ResetErrorScaling();
}

TEST(FitQuality, Figures) {
  // Two points, the curve 0.5 above both: average deviation 0.5.
  std::vector<long double> X = {0, 0, 1}, Y = {0, 1, 2}, E = {0, 0.00125L, 3};
  std::vector<SplineSegment> A = {{}, {1.5L, 1, 0, 0, 0}, {2.5L, 1, 0, 0, 2}};
  QualityFigures q = FitQuality(2, X.data(), Y.data(), E.data(), A.data());
  EXPECT_EQ(q.BaseError, 0.00125L);
  EXPECT_EQ(q.AverageDeviation, 0.5L);
  EXPECT_EQ(graph::QualityText(q), "base error=1.25E-3; average deviation=0.5");
  // A fit through every point deviates by nothing.
  Points P({0, 1, 2, 3}, {1, 4, 2, 3}, {0, 0, 0, 0});
  FitOutcome out;
  P.Fit(1000, out);
  q = FitQuality(P.n, P.X.data(), P.Y.data(), P.E.data(), P.A.data());
  EXPECT_EQ(q.BaseError, 0);
  EXPECT_EQ(q.AverageDeviation, 0);
}

}  // namespace
