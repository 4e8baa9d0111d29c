// Which thresholds of the marks' significance z tell real features from
// noise: a Monte Carlo study on three curves with known extrema and points
// of inflection, per-point sigmas known, n = 200 and 2000, for each way of
// choosing the smoothing. For each threshold it counts
//   - found: the share of draws in which every true feature has a mark of
//     its kind with z at or above the threshold within its tolerance (the
//     smaller of 0.05 and half the distance to its nearest neighbour of the
//     same family);
//   - spurious: the share of draws with at least one mark at or above the
//     threshold that lies within no true feature's tolerance;
// and, apart, the shares with every extremum and every inflection found.
//     kurvex_significance [DRAWS [CURVE]]   (default 500, every curve)
// Prints a Markdown table.
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <random>
#include <vector>

#include "config/smoothing_criterion.h"
#include "spline/analysis.h"
#include "spline/criterion.h"
#include "spline/fit.h"
#include "spline/significance.h"
#include "spline/uncertainty.h"
#include "study_support.h"

using namespace spline;
using study::Problem;

namespace {

using Fn = std::function<long double(long double)>;
constexpr long double kThresholds[] = {1.96L, 2.5L, 3, 4};
constexpr int kLevels = 4;

struct Feature {
  MarkKind Kind;
  long double X, Tolerance;
};

struct Curve {
  const char* Name;
  Fn F, D1, D2;
  long double Sigma;  // mean per-point sigma
  std::vector<Feature> Features;
};

// The roots of g on (0, 1), from its sign changes on a fine grid, refined
// by bisection.
std::vector<long double> Roots(const Fn& g) {
  std::vector<long double> out;
  const int steps = 20000;
  for (int k = 0; k < steps; ++k) {
    long double a = static_cast<long double>(k) / steps, b = static_cast<long double>(k + 1) / steps;
    if ((g(a) < 0) == (g(b) < 0)) continue;
    for (int i = 0; i < 100; ++i) {
      const long double m = (a + b) / 2;
      ((g(a) < 0) == (g(m) < 0) ? a : b) = m;
    }
    out.push_back((a + b) / 2);
  }
  return out;
}

void AddFamily(Curve& c, const std::vector<long double>& roots, bool inflection) {
  for (std::size_t k = 0; k < roots.size(); ++k) {
    long double tol = 0.05L;
    if (k > 0) tol = std::min(tol, (roots[k] - roots[k - 1]) / 2);
    if (k + 1 < roots.size()) tol = std::min(tol, (roots[k + 1] - roots[k]) / 2);
    const MarkKind kind = inflection ? MarkKind::Inflection
                          : c.D2(roots[k]) < 0 ? MarkKind::Maximum
                                               : MarkKind::Minimum;
    c.Features.push_back({kind, roots[k], tol});
  }
}

Curve Make(const char* name, Fn f, Fn d1, Fn d2, long double sigma) {
  Curve c{name, f, d1, d2, sigma, {}};
  AddFamily(c, Roots(d1), false);
  AddFamily(c, Roots(d2), true);
  return c;
}

std::vector<Curve> Curves() {
  const long double pi = 3.14159265358979323846L;
  std::vector<Curve> out;
  // A titration: a steep rise on a slope, one inflection.
  const long double w = 0.04L;
  auto th = [=](long double x) { return std::tanh((x - 0.6L) / w); };
  out.push_back(Make(
      "sigmoid", [=](long double x) { return 4 + 0.5L * x + 3 * th(x); },
      [=](long double x) { return 0.5L + 3 * (1 - th(x) * th(x)) / w; },
      [=](long double x) { return -6 * th(x) * (1 - th(x) * th(x)) / (w * w); }, 0.02L));
  // A damped oscillation of one and a half periods: three extrema and
  // three inflections, none nearer than 0.08 to an end.
  const long double k = 3 * pi, a = 1.5L, s = -0.07L;
  out.push_back(Make(
      "oscillation", [=](long double x) { return std::exp(-a * x) * std::sin(k * (x - s)); },
      [=](long double x) { return std::exp(-a * x) * (k * std::cos(k * (x - s)) - a * std::sin(k * (x - s))); },
      [=](long double x) {
        return std::exp(-a * x) * ((a * a - k * k) * std::sin(k * (x - s)) - 2 * a * k * std::cos(k * (x - s)));
      },
      0.05L));
  // A peak on a sloping baseline: a maximum, a shallow minimum in its tail
  // and two inflections.
  const long double c0 = 0.45L, pw = 0.06L;
  auto g = [=](long double x) { return std::exp(-(x - c0) * (x - c0) / (2 * pw * pw)); };
  out.push_back(Make(
      "peak", [=](long double x) { return 0.2L + 0.5L * x + g(x); },
      [=](long double x) { return 0.5L - (x - c0) / (pw * pw) * g(x); },
      [=](long double x) { return ((x - c0) * (x - c0) / (pw * pw * pw * pw) - 1 / (pw * pw)) * g(x); },
      0.03L));
  return out;
}


// Per threshold: draws with every feature found, every extremum, every
// inflection, and draws with a spurious mark.
struct Tally {
  int Found[kLevels] = {}, Extrema[kLevels] = {}, Inflections[kLevels] = {}, Spurious[kLevels] = {};
};

// One draw: which thresholds find every feature, which admit a spurious mark.
void Score(const Problem& P, const Curve& c, Tally& t) {
  const std::vector<long double> z = MarkSignificances(P.n, P.X.data(), P.A.data(), P.Bands);
  std::vector<long double> best(c.Features.size(), 0);  // the largest z of a mark on each feature
  long double worst = 0;                                 // the largest z of a spurious mark
  std::size_t index = 0;
  for (int32_t i = 1; i < P.n; ++i) {
    SegmentMarks marks;
    AnalyseSegment(P.n, P.X.data(), P.A.data(), i, marks);
    for (int32_t m = 0; m < marks.Count; ++m, ++index) {
      bool matched = false;
      for (std::size_t f = 0; f < c.Features.size(); ++f) {
        const Feature& ft = c.Features[f];
        if (ft.Kind != marks.Mark[m].Kind || std::fabs(marks.Mark[m].X - ft.X) > ft.Tolerance) continue;
        matched = true;
        best[f] = std::max(best[f], z[index]);
      }
      if (!matched) worst = std::max(worst, z[index]);
    }
  }
  for (int l = 0; l < kLevels; ++l) {
    bool extrema = true, inflections = true;
    for (std::size_t f = 0; f < best.size(); ++f)
      (c.Features[f].Kind == MarkKind::Inflection ? inflections : extrema) &= best[f] >= kThresholds[l];
    t.Found[l] += extrema && inflections;
    t.Extrema[l] += extrema, t.Inflections[l] += inflections;
    t.Spurious[l] += worst >= kThresholds[l];
  }
}

Tally Study(const Curve& c, int32_t n, Criterion kind, int draws) {
  Problem P(n, 1999 + n, c.Sigma);
  Tally t;
  for (int d = 0; d < draws; ++d) {
    P.Draw(c.F);
    P.Fit(kind);
    Score(P, c, t);
  }
  return t;
}

}  // namespace

int main(int argc, char** argv) {
  const int draws = argc > 1 ? std::atoi(argv[1]) : 500;
  const char* only = argc > 2 ? argv[2] : nullptr;
  std::printf("Per threshold, %% of draws: every feature found / every extremum / every inflection / a spurious mark\n\n");
  std::printf("| curve | n | criterion |");
  for (long double th : kThresholds) std::printf(" z >= %.3Lg |", th);
  std::printf("\n|---|---|---|");
  for (int l = 0; l < kLevels; ++l) std::printf("---|");
  std::printf("\n");
  for (const Curve& c : Curves()) {
    if (only && std::strcmp(only, c.Name) != 0) continue;
    for (const int32_t n : {200, 2000})
      for (const config::CriterionSpec& spec : config::kCriteria) {
        if (spec.Kind == Criterion::Edf) continue;  // it needs a target, which no curve gives
        const Tally t = Study(c, n, spec.Kind, draws);
        std::printf("| %s | %d | %s |", c.Name, n, spec.Name);
        auto share = [draws](int k) { return 100.0 * k / draws; };
        for (int l = 0; l < kLevels; ++l)
          std::printf(" %.0f / %.0f / %.0f / %.1f |", share(t.Found[l]), share(t.Extrema[l]),
                      share(t.Inflections[l]), share(t.Spurious[l]));
        std::printf("\n");
        std::fflush(stdout);
      }
  }
}
