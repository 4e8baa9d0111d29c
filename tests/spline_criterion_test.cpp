// The two criteria that choose p without a risk estimate of F and edf alone:
// EDF k reaches edf = k, and CV's shortcut through the influence diagonal is
// the brute-force leave-one-out score, whose minimum the CV search finds.
// Random uneven X and random errors.
#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <vector>

#include "spline/criterion.h"
#include "spline/evaluate.h"
#include "spline/fit.h"
#include "spline/uncertainty.h"
#include "fit_arrays.h"

using namespace spline;

namespace {

struct Data : testutil::FitArrays {
  Data(int32_t count, uint32_t seed) : FitArrays(count) {
    std::mt19937 rng(seed);
    std::uniform_real_distribution<long double> u(0, 1);
    X[1] = 2;
    for (int32_t i = 2; i <= n; ++i) X[i] = X[i - 1] + 0.01L + u(rng) * u(rng);
    for (int32_t i = 1; i <= n; ++i)
      E[i] = 0.05L + 0.2L * u(rng), Y[i] = std::sin(X[i]) + 4 * E[i] * (u(rng) - 0.5L);
  }

  // The fit for p with its bands, as a search leaves them; returns the CV score.
  long double FitAt(long double p) {
    FitSmoothingSplineAt(n, p, X.data(), Y.data(), E.data(), R.data(), A.data());
    ComputeCovarianceBands(n, X.data(), E.data(), p, Bands);
    return CrossValidation(n, Y.data(), E.data(), A.data(), Bands);
  }
};

// edf = k to 1e-9 relative (the search aims at 1e-13), from just above 2 to
// just below n, which the first range of p does not bracket.
TEST(SmoothingEdf, ReachesTheAskedEdf) {
  struct Case {
    int32_t n;
    long double k;
  } const cases[] = {{5, 2.5L},      {30, 2.000001L}, {30, 12},         {30, 29.9999L},
                     {200, 3},       {200, 57.3L},    {200, 199.99999L}, {3000, 40}};
  for (const Case& c : cases) {
    Data d(c.n, 7u + c.n);
    SearchResult r;
    ASSERT_TRUE(SearchSmoothing(Criterion::Edf, d.n, d.X.data(), d.Y.data(), d.E.data(), d.R.data(),
                                d.A.data(), d.Bands, r, c.k))
        << c.n << " " << c.k;
    // The bands are those of the p found, and made afresh they agree.
    CovarianceBands again;
    ComputeCovarianceBands(d.n, d.X.data(), d.E.data(), r.P, again);
    EXPECT_LE(std::fabs(again.Edf - c.k), 1e-9L * c.k) << c.n << " " << c.k << ": " << again.Edf;
    EXPECT_EQ(r.Value, d.Bands.Edf);
  }
  // No p has an edf outside (2, n): nothing is fitted, the caller iterates.
  for (const long double k : {2.0L, 30.0L, 31.0L, -5.0L, (long double)NAN}) {
    Data d(30, 1);
    SearchResult r;
    EXPECT_FALSE(SearchSmoothing(Criterion::Edf, d.n, d.X.data(), d.Y.data(), d.E.data(), d.R.data(),
                                 d.A.data(), d.Bands, r, k))
        << k;
  }
}

// For a fixed p, leaving point i out and predicting y_i from the fit to the
// rest gives a mean squared standardized error that the shortcut
// (y_i - g_i) / (1 - A_ii) must reproduce exactly (up to rounding).
TEST(SmoothingCv, TheShortcutIsTheLeaveOneOutScore) {
  const int32_t n = 30;
  Data d(n, 99);
  FitOutcome iterated;
  FitSmoothingSpline(n, 1000, d.X.data(), d.Y.data(), d.E.data(), d.R.data(), d.A.data(), &iterated);
  for (const long double scale : {1e-3L, 1.0L, 1e3L}) {
    const long double p = iterated.P * scale, shortcut = d.FitAt(p);
    long double sum = 0;
    for (int32_t i = 1; i <= n; ++i) {
      std::vector<long double> X{0}, Y{0}, E{0};
      for (int32_t j = 1; j <= n; ++j)
        if (j != i) X.push_back(d.X[j]), Y.push_back(d.Y[j]), E.push_back(d.E[j]);
      std::vector<double> R(WorkspaceDoubles(n - 1));
      std::vector<SplineSegment> A(n);
      FitSmoothingSplineAt(n - 1, p, X.data(), Y.data(), E.data(), R.data(), A.data());
      Evaluation at;
      const long double z = (d.Y[i] - EvaluateSpline(n - 1, X.data(), A.data(), d.X[i], at)) / d.E[i];
      sum += z * z;
    }
    EXPECT_NEAR(static_cast<double>(shortcut / (sum / n)), 1, 1e-9) << "p = " << p;
  }
}

// The p the CV search returns is a local minimum of the score, and the
// value it reports is the score there.
TEST(SmoothingCv, TheSearchStopsAtALocalMinimum) {
  for (const int32_t n : {30, 200}) {
    Data d(n, 5u * n);
    SearchResult r;
    ASSERT_TRUE(SearchSmoothing(Criterion::Cv, n, d.X.data(), d.Y.data(), d.E.data(), d.R.data(),
                                d.A.data(), d.Bands, r));
    const long double at = d.FitAt(r.P);
    EXPECT_EQ(at, r.Value) << n;
    for (const long double step : {-1e-3L, 1e-3L})  // a thousandth of a decade either side
      EXPECT_GT(d.FitAt(r.P * std::pow(10.0L, step)), at) << n << " " << step;
  }
}

}  // namespace
