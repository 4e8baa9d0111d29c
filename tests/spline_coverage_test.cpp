// What the sigmas mean: with the smoothing chosen by UBRE, the +-1.96 sigma
// band of the value holds the true curve at about 95% of the knots
// (Wahba 1983). A small Monte Carlo run; the full study is in bench/.
#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <vector>

#include "spline/criterion.h"
#include "spline/fit.h"
#include "spline/uncertainty.h"

using namespace spline;

namespace {

TEST(SplineCoverage, UbreValueBandsHoldTheTrueCurveAtAbout95Percent) {
  const int32_t n = 100, draws = 300;
  std::mt19937 rng(2024);
  std::uniform_real_distribution<long double> u(0, 1);
  std::normal_distribution<long double> noise(0, 1);
  std::vector<long double> X(n + 1), Y(n + 1), E(n + 1), F(n + 1);
  for (int32_t i = 1; i <= n; ++i) {
    X[i] = (i - 1 + 0.8L * u(rng)) / n;
    E[i] = 0.05L + 0.1L * u(rng);
    F[i] = std::sin(2 * M_PI * X[i]) + 0.5L * X[i];
  }
  std::vector<double> R(WorkspaceDoubles(n));
  std::vector<SplineSegment> A(n + 1);
  CovarianceBands b;
  long double inside = 0;
  for (int32_t k = 0; k < draws; ++k) {
    for (int32_t i = 1; i <= n; ++i) Y[i] = F[i] + E[i] * noise(rng);
    SearchResult s;
    ASSERT_TRUE(SearchSmoothing(Criterion::Ubre, n, X.data(), Y.data(), E.data(), R.data(),
                                A.data(), b, s));
    for (int32_t i = 1; i <= n; ++i)
      inside += std::fabs(A[i].a - F[i]) <= 1.96L * std::sqrt(CovValues(b, i, i));
  }
  const double coverage = static_cast<double>(inside / (n * draws));
  EXPECT_GT(coverage, 0.88);
  EXPECT_LT(coverage, 0.99);
}

}  // namespace
