// What the sigmas are worth: a Monte Carlo study of the pointwise Bayesian
// intervals (Wahba 1983) on three known curves with known per-point sigma.
// For each curve, n = 200 and 2000, and each way of choosing the smoothing
// (the residual rule, UBRE, GCV), over noisy draws it measures
//   - the fraction of knots at which the true value, slope and curvature lie
//     within +-1.96 sigma of the fit's (curvature at the interior knots: at
//     the ends the natural condition fixes it at 0 with sigma 0);
//   - the fraction of draws in which the true extremum and inflection lie
//     within +-1.96 sigma_x of the fit's mark nearest to them (a draw whose
//     fit has no such mark within 0.1, or no sigma, counts as a miss).
//     kurvex_coverage [DRAWS]          (default 1000)
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <random>
#include <vector>

#include "spline/analysis.h"
#include "spline/criterion.h"
#include "spline/evaluate.h"
#include "spline/fit.h"
#include "spline/significance.h"
#include "spline/uncertainty.h"
#include "study_support.h"

using namespace spline;
using study::Problem;

namespace {

using Fn = std::function<long double(long double)>;

struct Curve {
  const char* name;
  Fn f, d1, d2;
  long double sigma;        // mean per-point sigma
  long double extremum = NAN, inflection = NAN;  // the true positions checked
};

// A root of g in [a, b] by bisection (g changes sign there).
long double Root(const Fn& g, long double a, long double b) {
  for (int k = 0; k < 200; ++k) {
    const long double m = (a + b) / 2;
    ((g(a) < 0) == (g(m) < 0) ? a : b) = m;
  }
  return (a + b) / 2;
}

std::vector<Curve> Curves() {
  const long double pi = 3.14159265358979323846L, w = 0.08L, c = 0.4L;
  std::vector<Curve> out;
  Curve sine{"sine", [=](long double x) { return std::sin(2 * pi * x) + 0.5L * x; },
             [=](long double x) { return 2 * pi * std::cos(2 * pi * x) + 0.5L; },
             [=](long double x) { return -4 * pi * pi * std::sin(2 * pi * x); }, 0.1L};
  sine.extremum = Root(sine.d1, 0.1L, 0.4L), sine.inflection = 0.5L;
  auto g = [=](long double x) { return std::exp(-(x - c) * (x - c) / (2 * w * w)); };
  Curve peak{"peak", [=](long double x) { return g(x) + 0.3L * x; },
             [=](long double x) { return -(x - c) / (w * w) * g(x) + 0.3L; },
             [=](long double x) { return ((x - c) * (x - c) / (w * w * w * w) - 1 / (w * w)) * g(x); },
             0.03L};
  peak.extremum = Root(peak.d1, 0.3L, 0.5L), peak.inflection = Root(peak.d2, 0.25L, 0.39L);
  auto th = [](long double x) { return std::tanh((x - 0.5L) / 0.08L); };
  Curve step{"step", th, [=](long double x) { return (1 - th(x) * th(x)) / 0.08L; },
             [=](long double x) { return -2 * th(x) * (1 - th(x) * th(x)) / (0.08L * 0.08L); }, 0.05L};
  step.inflection = 0.5L;
  out.push_back(sine), out.push_back(peak), out.push_back(step);
  return out;
}

struct Tally {
  double value = 0, d1 = 0, d2 = 0, extremum = 0, inflection = 0;
};


// The fit's mark of the kind nearest to `truth` within 0.1: is truth inside
// +-1.96 sigma_x?
bool MarkCovers(Problem& P, bool inflection, long double truth) {
  std::vector<CalculusMark> marks;
  std::vector<int32_t> intervals;
  std::vector<long double> knots;
  std::vector<ValueAndSlope> slopes;
  FindAllMarks(P.n, P.X.data(), P.A.data(), marks, intervals);
  if (!inflection) SlopesOfMarks(P.Bands, marks, intervals, knots, slopes);
  long double best = 0.1L, sigma = NAN, at = NAN;
  for (std::size_t k = 0; k < marks.size(); ++k) {
    const CalculusMark& m = marks[k];
    if ((m.Kind == MarkKind::Inflection) != inflection || std::fabs(m.X - truth) >= best) continue;
    const int32_t i = intervals[k];
    const SplineSegment& s = P.A[i];
    const long double t = m.X - P.X[i];
    const long double d1 = s.b + (2 * s.c + 3 * s.d * t) * t, d2 = 2 * s.c + 6 * s.d * t;
    const MarkSigmas ms = inflection ? SigmasOfInflection(P.Bands, i, m.X, d1, 6 * s.d)
                                     : SigmasOfExtremum(slopes[k], d1, d2);
    best = std::fabs(m.X - truth), at = m.X, sigma = ms.Defined ? ms.X : NAN;
  }
  return std::fabs(at - truth) <= 1.96L * sigma;
}

void CountKnots(Problem& P, const Curve& c, Tally& t) {
  double v = 0, s1 = 0, s2 = 0;
  std::vector<long double> slope;
  KnotSlopeVariances(P.n, P.X.data(), P.Bands.E, P.Bands.p, slope);
  for (int32_t i = 1; i <= P.n; ++i) {
    Evaluation e;
    EvaluateSpline(P.n, P.X.data(), P.A.data(), P.X[i], e);
    const PointSigmas s = SigmasAt(P.Bands, P.X[i]);
    const long double x = P.X[i];
    v += std::fabs(e.Value - c.f(x)) <= 1.96L * s.Value;
    s1 += std::fabs(e.D1 - c.d1(x)) <= 1.96L * std::sqrt(slope[i]);
    if (i > 1 && i < P.n) s2 += std::fabs(e.D2 - c.d2(x)) <= 1.96L * s.D2;
  }
  t.value += v / P.n, t.d1 += s1 / P.n, t.d2 += s2 / (P.n - 2);
}

Tally Study(const Curve& c, int32_t n, int kind, int draws) {
  Problem P(n, 1983 + n, c.sigma);
  Tally t;
  for (int k = 0; k < draws; ++k) {
    P.Draw(c.f);
    P.Fit(static_cast<Criterion>(kind));
    CountKnots(P, c, t);
    if (!std::isnan(c.extremum)) t.extremum += MarkCovers(P, false, c.extremum);
    t.inflection += MarkCovers(P, true, c.inflection);
  }
  for (double* f : {&t.value, &t.d1, &t.d2, &t.extremum, &t.inflection}) *f /= draws;
  return t;
}

}  // namespace

int main(int argc, char** argv) {
  const int draws = argc > 1 ? std::atoi(argv[1]) : 1000;
  const char* kinds[3] = {"residual", "UBRE", "GCV"};
  std::printf("| curve | n | criterion | value | d1 | d2 | extremum x | inflection x |\n");
  std::printf("|---|---|---|---|---|---|---|---|\n");
  for (const Curve& c : Curves())
    for (const int32_t n : {200, 2000})
      for (int kind = 0; kind < 3; ++kind) {
        const Tally t = Study(c, n, kind, draws);
        char ext[16] = "-";
        if (!std::isnan(c.extremum)) std::snprintf(ext, sizeof ext, "%.3f", t.extremum);
        std::printf("| %s | %d | %s | %.3f | %.3f | %.3f | %s | %.3f |\n", c.name, n, kinds[kind], t.value,
                    t.d1, t.d2, ext, t.inflection);
        std::fflush(stdout);
      }
}
