// The fit keeps its workspace in columns, with values split into two
// doubles and forms of Reinsch's quantities rearranged for speed; here
// Reinsch's loops, written out on records of extended reals, must give the
// same segments to the last bit, on random data sets and on the scales
// where the split cannot hold and the fit falls back to whole cells.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstring>
#include <random>
#include <vector>

#include "spline/evaluate.h"
#include "spline/fit.h"

namespace {

using spline::SplineSegment;

struct Row {
  long double r, r1, r2, t, t1, u, v;
};

struct Reference {
  int32_t status = 0, iterations = 0;
  long double p = 0;
  std::vector<SplineSegment> A;
};

// Reinsch's algorithm with the segment records' a..d as scratch.
Reference ReinschLoops(int32_t n, int32_t maxIteration, const std::vector<long double>& X,
                       const std::vector<long double>& Y, const std::vector<long double>& E) {
  Reference out;
  std::vector<Row> R(n + 1, Row{});
  std::vector<SplineSegment>& A = out.A;
  A.assign(n + 1, SplineSegment{});
  const int32_t m = n - 1;
  for (int32_t i = 2; i <= m; ++i) {
    const long double dx0 = X[i] - X[i - 1], dx1 = X[i + 1] - X[i];
    A[i].a = (Y[i + 1] - Y[i]) / dx1 - (Y[i] - Y[i - 1]) / dx0;
    R[i] = Row{E[i + 1] / dx1, -E[i] / dx0 - E[i] / dx1, E[i - 1] / dx0, 2 * (dx0 + dx1) / 3,
               dx1 / 3, 0, 0};
  }
  for (int32_t i = 2; i <= m; ++i) {
    A[i].b = R[i].r * R[i].r + R[i].r1 * R[i].r1 + R[i].r2 * R[i].r2;
    A[i].c = R[i].r * R[i + 1].r1 + R[i].r1 * R[i + 1].r2;
    A[i].d = i < m ? R[i].r * R[i + 2].r2 : 0;
  }
  const long double S = n;
  long double& p = out.p;
  for (int32_t k = 1;; ++k) {
    out.iterations = k;
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
    for (int32_t i = m; i >= 2; --i) {
      R[i].u = R[i].r * R[i].u - R[i].r1 * R[i + 1].u;
      if (i < m) R[i].u = R[i].u - R[i].r2 * R[i + 2].u;
    }
    long double e = 0;
    g = h = 0;
    for (int32_t i = 1; i <= m; ++i) {
      g = h;
      h = (R[i + 1].u - R[i].u) / (X[i + 1] - X[i]);
      R[i].v = (h - g) * (E[i] * E[i]);
      e = e + R[i].v * (h - g);
    }
    R[n].v = -h * (E[n] * E[n]);
    e = e - R[n].v * h;
    const long double F = e * (p * p);
    long double trT = 0, trB = 0;  // the straight line also needs p tr B > 2^64 tr T
    for (int32_t i = 2; i <= m; ++i) trT = trT + R[i].t, trB = trB + A[i].b;
    if (std::fabs((X[n] - X[1]) * p) > 1000000 && F < S && p / 0x1p64L * trB > trT) {
      out.status = 1;
      break;
    }
    if (std::fabs(F - S) <= S / 10000) break;
    f = 0;
    h = (R[2].v - R[1].v) / (X[2] - X[1]);
    for (int32_t i = 2; i <= m; ++i) {
      g = h;
      h = (R[i + 1].v - R[i].v) / (X[i + 1] - X[i]);
      g = h - g - R[i - 1].r1 * R[i - 1].r - R[i - 2].r2 * R[i - 2].r;
      f = f + g * R[i].r * g;
      R[i].r = g;
    }
    const long double q = e - p * f;
    if (q == 0) break;
    const long double delta = (S - F) / ((std::sqrt(S / e) + p) * q);
    p = k == 1 ? p + delta : p + delta * std::sqrt(S / F);
    if (k >= maxIteration) { out.status = 2; break; }
  }
  A[n].a = Y[n] - p * R[n].v;
  A[n].c = 0;
  for (int32_t i = m; i >= 1; --i) {
    const long double dx = X[i + 1] - X[i];
    A[i].c = R[i].u;
    A[i].a = Y[i] - p * R[i].v;
    A[i].b = (A[i + 1].a - A[i].a) / dx - (2 * A[i].c + A[i + 1].c) * dx / 3;
    A[i].d = (A[i + 1].c - A[i].c) / (3 * dx);
  }
  A[0] = SplineSegment{};
  A[n].b = A[m].b + (A[m].c + A[n].c) * (X[n] - X[m]);
  A[n].d = 0;
  A[1].Int = 0;
  for (int32_t i = 2; i <= n; ++i) {
    const long double dx = X[i] - X[i - 1], dx3 = dx * dx * dx;
    A[i].Int = A[i - 1].Int + (A[i - 1].a + A[i].a) * dx / 2 - (A[i - 1].c + A[i].c) * dx3 / 12;
  }
  return out;
}

bool SameBits(long double a, long double b) {
  return std::memcmp(&a, &b, 10) == 0 || (std::isnan(a) && std::isnan(b));
}

// Kinds of data: a noisy curve, zero errors (interpolation), a straight
// line, equal steps, close knots, and scales where a split of the fit's
// values into two doubles overflows or underflows.
struct Kind {
  const char* name;
  long double step, scaleX, scaleY, errors;
};

void ExpectSameFit(const Kind& kind, int32_t n, int32_t maxIteration, std::mt19937_64& rng) {
  std::uniform_real_distribution<double> unit(0, 1);
  std::vector<long double> X(n + 1), Y(n + 1), E(n + 1);
  long double x = kind.scaleX * (unit(rng) - 0.5L);
  for (int32_t i = 1; i <= n; ++i) {
    x += kind.scaleX * kind.step * (kind.step == 1 ? 1 : unit(rng) + 0.001L);
    X[i] = x;
    Y[i] = kind.scaleY * (kind.errors < 0 ? 3 + 2 * X[i] / kind.scaleX
                                          : std::sin(5.0L * i / n) + 0.1L * unit(rng));
    E[i] = kind.errors < 0 ? 0.5L : kind.errors * kind.scaleY * (0.5L + unit(rng));
  }
  std::vector<double> R(spline::WorkspaceDoubles(n));
  std::vector<SplineSegment> A(n + 1);
  spline::FitOutcome outcome;
  const spline::FitStatus status = spline::FitSmoothingSpline(n, maxIteration, X.data(), Y.data(),
                                                              E.data(), R.data(), A.data(), &outcome);
  const Reference want = ReinschLoops(n, maxIteration, X, Y, E);
  ASSERT_EQ(static_cast<int>(status), want.status) << kind.name << " n=" << n;
  ASSERT_EQ(outcome.Iterations, want.iterations) << kind.name;
  ASSERT_TRUE(SameBits(outcome.P, want.p)) << kind.name;
  for (int32_t i = 0; i <= n; ++i) {
    const SplineSegment &a = A[i], &b = want.A[i];
    ASSERT_TRUE(SameBits(a.a, b.a) && SameBits(a.b, b.b) && SameBits(a.c, b.c) &&
                SameBits(a.d, b.d) && SameBits(a.Int, b.Int))
        << kind.name << " n=" << n << " row " << i;
  }
  // The quality figures sum the curve's value at each knot without the rest
  // of the evaluation; it must be the same value.
  for (int32_t i = 1; i <= n; ++i) {
    spline::Evaluation e;
    ASSERT_TRUE(SameBits(spline::KnotValue(n, X.data(), A.data(), i),
                         spline::EvaluateAtKnot(n, X.data(), A.data(), i, e)))
        << kind.name << " knot " << i;
  }
}

TEST(SplineFitSweeps, SameAsReinschLoops) {
  const Kind kinds[] = {
      {"noisy", 0.01L, 1, 1, 0.05L},          {"interpolating", 0.01L, 1, 1, 0},
      {"straight line", 0.01L, 1, 1, -1},     {"equal steps", 1, 1, 1, 0.05L},
      {"close knots", 1e-7L, 1, 1, 0.05L},    {"huge errors", 0.01L, 1, 1, 1e6L},
      {"x near 1e300", 0.01L, 1e300L, 1, 0.05L}, {"y near 1e-300", 0.01L, 1, 1e-300L, 0.05L},
      {"y near 1e200", 0.01L, 1, 1e200L, 0.05L},  {"x near 1e-320", 0.01L, 1e-320L, 1, 0.05L},
  };
  std::mt19937_64 rng(20080419);
  for (const Kind& kind : kinds)
    for (int32_t n : {2, 3, 4, 5, 7, 40, 1000}) {
      ExpectSameFit(kind, n, 1000, rng);
      ExpectSameFit(kind, n, 10, rng);  // ends on the iteration limit more often
    }
}

}  // namespace
