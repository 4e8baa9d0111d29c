// The marks' significance against a direct computation from its
// definition: for each mark, its neighbours of the same family found by a
// search over all marks, and every knot between them evaluated on its own
// (value of the derivative, its sigma at that x). Random uneven X and errors,
// fits from close to smooth.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <random>
#include <vector>

#include "spline/analysis.h"
#include "spline/evaluate.h"
#include "spline/fit.h"
#include "spline/significance.h"
#include "spline/uncertainty.h"
#include "fit_arrays.h"

using namespace spline;

namespace {

struct Found {
  CalculusMark Mark;
  bool Inflection;
};

struct Case : testutil::FitArrays {
  Case(int32_t count, uint64_t seed, long double pScale) : FitArrays(count) {
    std::mt19937_64 rng(seed);
    std::uniform_real_distribution<long double> u(0, 1);
    std::normal_distribution<long double> noise(0, 1);
    for (int32_t i = 1; i <= n; ++i) {
      X[i] = (i - 1 + 0.9L * u(rng)) * 3 / n;
      E[i] = 0.05L * (0.3L + u(rng));
      Y[i] = std::sin(4 * X[i]) + 0.3L * X[i] * X[i] + E[i] * noise(rng);
    }
    FitOutcome out;
    FitSmoothingSpline(n, 1000, X.data(), Y.data(), E.data(), R.data(), A.data(), &out);
    const long double p = out.P * pScale;
    FitSmoothingSplineAt(n, p, X.data(), Y.data(), E.data(), R.data(), A.data());
    ComputeCovarianceBands(n, X.data(), E.data(), p, Bands);
  }

  std::vector<Found> Marks() const {
    std::vector<Found> all;
    for (int32_t i = 1; i < n; ++i) {
      SegmentMarks m;
      AnalyseSegment(n, X.data(), A.data(), i, m);
      for (int32_t k = 0; k < m.Count; ++k) all.push_back({m.Mark[k], m.Mark[k].Kind == MarkKind::Inflection});
    }
    return all;
  }

  // s * S^(nu) / sigma^(nu) at interior knot k, the slope's sigma from the
  // bands' covariance of interval k (whose digits hold at these sizes).
  long double Ratio(int32_t k, bool inflection, int s) const {
    Evaluation e;
    EvaluateSpline(n, X.data(), A.data(), X[k], e);
    const long double h = X[k + 1] - X[k], slope[4] = {-1 / h, 1 / h, -2 * h / 3, -h / 3};
    const long double sigma1 = std::sqrt(FormVariance(CovarianceOnInterval(Bands, k), slope));
    return s * (inflection ? e.D2 / SigmasAt(Bands, X[k]).D2 : e.D1 / sigma1);
  }

  // The largest ratio over the knots strictly inside (lo, hi); 0 when none.
  long double Side(long double lo, long double hi, bool inflection, int s) const {
    long double best = -INFINITY;
    for (int32_t k = 2; k < n; ++k)
      if (lo < X[k] && X[k] < hi) best = std::max(best, Ratio(k, inflection, s));
    return std::isinf(best) ? 0 : best;
  }

  long double Reference(const std::vector<Found>& all, const Found& m) const {
    long double prev = X[1], next = X[n];
    for (const Found& o : all) {
      if (o.Inflection != m.Inflection) continue;
      if (o.Mark.X < m.Mark.X) prev = std::max(prev, o.Mark.X);
      if (o.Mark.X > m.Mark.X) next = std::min(next, o.Mark.X);
    }
    const int s = m.Inflection ? (m.Mark.NegativeD ? 1 : -1) : m.Mark.Kind == MarkKind::Maximum ? 1 : -1;
    return std::max(0.0L, std::min(Side(prev, m.Mark.X, m.Inflection, s), Side(m.Mark.X, next, m.Inflection, -s)));
  }
};

TEST(MarkSignificance, EveryMarkAsItsDefinitionGivesIt) {
  // n, seed, p as a multiple of the residual fit's (rougher fits have more
  // marks) and the relative tolerance: heavy smoothing makes the terms of a
  // sigma cancel, which costs the sigmas themselves digits.
  const struct {
    int32_t n;
    uint64_t seed;
    long double pScale, tolerance;
  } cases[] = {{12, 1, 1, 1e-12L},    {50, 2, 1, 1e-12L},  {50, 3, 0.05L, 1e-12L},
               {200, 4, 1, 1e-12L},   {200, 5, 20, 1e-10L}, {200, 6, 0.01L, 1e-12L}};
  for (const auto& c : cases) {
    SCOPED_TRACE(::testing::Message() << "n=" << c.n << " seed=" << c.seed);
    const Case k(c.n, c.seed, c.pScale);
    const std::vector<Found> all = k.Marks();
    const std::vector<long double> z = MarkSignificances(k.n, k.X.data(), k.A.data(), k.Bands);
    ASSERT_EQ(z.size(), all.size());
    int strong = 0;
    for (std::size_t i = 0; i < all.size(); ++i) {
      const long double want = k.Reference(all, all[i]);
      EXPECT_NEAR(static_cast<double>(z[i]), static_cast<double>(want), c.tolerance * std::max(1.0L, want)) << "mark " << i;
      strong += want > 2;
    }
    EXPECT_GT(strong, 0);  // the sine's extrema stand out in every case
  }
}

// Without bands (an interpolating fit) no mark can be told from noise.
TEST(MarkSignificance, NoneWithoutBands) {
  Case k(30, 7, 1);
  ComputeCovarianceBands(k.n, k.X.data(), k.E.data(), 0, k.Bands);
  const std::vector<long double> z = MarkSignificances(k.n, k.X.data(), k.A.data(), k.Bands);
  EXPECT_FALSE(z.empty());
  for (long double v : z) EXPECT_EQ(v, 0);
}

// A point of inflection on a knot is found by both intervals that meet
// there: the two stand for one change of sign and share its z, which the
// knots on either side give.
TEST(MarkSignificance, AMarkFoundTwiceCountsOnce) {
  // S = x^3 on the knots -10..10: S'' = 6x changes sign on the knot 0,
  // where both intervals find it exactly.
  const int32_t n = 21;
  std::vector<long double> X(n + 1), E(n + 1, 0.01L);
  std::vector<SplineSegment> A(n + 1);
  for (int32_t i = 1; i <= n; ++i) {
    const long double x = X[i] = i - 11;
    A[i] = SplineSegment{x * x * x, 3 * x * x, 3 * x, 1, 0};
  }
  CovarianceBands b;
  ComputeCovarianceBands(n, X.data(), E.data(), 1, b);
  const std::vector<long double> z = MarkSignificances(n, X.data(), A.data(), b);
  std::vector<long double> atZero;
  std::size_t index = 0;
  for (int32_t i = 1; i < n; ++i) {
    SegmentMarks m;
    AnalyseSegment(n, X.data(), A.data(), i, m);
    for (int32_t k = 0; k < m.Count; ++k, ++index)
      if (m.Mark[k].Kind == MarkKind::Inflection) atZero.push_back(m.Mark[k].X == 0 ? z[index] : -1);
  }
  ASSERT_EQ(atZero.size(), 2u);
  EXPECT_EQ(atZero[0], atZero[1]);
  EXPECT_GT(atZero[0], 2);
}

}  // namespace
