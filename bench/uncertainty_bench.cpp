// The cost of the analysis report against the fit alone, and of the UBRE
// and GCV searches, on a simulated absorption spectrum (three peaks on a
// sloping baseline with noise of 0.01, as examples/large/make-large.sh
// writes it) of 10^5 and 10^6 points.
#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdint>
#include <map>
#include <random>
#include <vector>

#include "output/report_file.h"
#include "spline/analysis.h"
#include "spline/criterion.h"
#include "spline/fit.h"
#include "spline/significance.h"
#include "spline/uncertainty.h"
#include "study_support.h"

namespace {

struct Spectrum : study::Arrays {
  explicit Spectrum(int32_t count) : study::Arrays(count) {
    std::mt19937_64 random(20240514);
    std::normal_distribution<double> normal(0, 1);
    auto peak = [](long double x, long double c, long double w, long double h) {
      return h * std::exp(-0.5L * (x - c) * (x - c) / (w * w));
    };
    for (int32_t i = 1; i <= n; ++i) {
      X[i] = 400 + 300.0L * (i - 1) / n, E[i] = 0.01L;
      Y[i] = 0.05L + 0.0002L * (X[i] - 400) + peak(X[i], 480, 12, 0.8L) + peak(X[i], 515, 20, 0.45L) +
             peak(X[i], 620, 35, 0.3L) + 0.01L * normal(random);
    }
  }
  long double Fit() {
    spline::FitOutcome out;
    spline::FitSmoothingSpline(n, 1000, X.data(), Y.data(), E.data(), R.data(), A.data(), &out);
    return out.P;
  }
};

Spectrum& Data(int32_t n) {
  static std::map<int32_t, Spectrum*> made;
  if (!made.count(n)) made[n] = new Spectrum(n);
  return *made[n];
}

// What the report adds to a fit: the bands, the sigmas of every mark, their
// significance (`withZ`), and the text.
void Report(Spectrum& s, long double p, bool withZ = true) {
  spline::ComputeCovarianceBands(s.n, s.X.data(), s.E.data(), p, s.Bands);
  output::ReportContent c;
  c.Edf = output::Known(s.Bands.Edf);
  std::vector<spline::CalculusMark> plain;
  std::vector<int32_t> intervals;
  spline::FindAllMarks(s.n, s.X.data(), s.A.data(), plain, intervals);
  std::vector<long double> knots;
  std::vector<spline::ValueAndSlope> slopes;
  spline::SlopesOfMarks(s.Bands, plain, intervals, knots, slopes);
  std::vector<output::ReportMark> found;
  for (std::size_t k = 0; k < plain.size(); ++k) {
    const spline::CalculusMark& m = plain[k];
    const spline::MarkSigmas sm = m.Kind == spline::MarkKind::Inflection
                                      ? spline::SigmasOfInflection(s.Bands, intervals[k], m.X, 0, 1)
                                      : spline::SigmasOfExtremum(slopes[k], 0, 1);
    found.push_back(output::ReportMark{"minimum", m.X, m.Value, 0, 0, 0, output::Known(sm.X),
                                       output::Known(sm.Y)});
  }
  if (withZ) {
    const std::vector<long double> z =
        spline::MarkSignificances(s.n, s.X.data(), s.A.data(), s.Bands, plain, knots.empty() ? nullptr : &knots);
    for (std::size_t k = 0; k < found.size(); ++k) found[k].Z = z[k];
  }
  c.Marks = found;
  benchmark::DoNotOptimize(output::BuildReportText(c));
}

void BM_FitAlone(benchmark::State& state) {
  Spectrum& s = Data(static_cast<int32_t>(state.range(0)));
  for (auto _ : state) benchmark::DoNotOptimize(s.Fit());
}

void BM_FitAndReport(benchmark::State& state) {
  Spectrum& s = Data(static_cast<int32_t>(state.range(0)));
  for (auto _ : state) Report(s, s.Fit());
}

// The report without and with the marks' significance (range 1: 0 or 1).
void BM_ReportOnly(benchmark::State& state) {
  Spectrum& s = Data(static_cast<int32_t>(state.range(0)));
  const long double p = s.Fit();
  for (auto _ : state) Report(s, p, state.range(1) != 0);
}

void BM_Search(benchmark::State& state) {
  Spectrum& s = Data(static_cast<int32_t>(state.range(0)));
  const auto kind = static_cast<spline::Criterion>(state.range(1));
  for (auto _ : state) {
    spline::SearchResult r;
    spline::SearchSmoothing(kind, s.n, s.X.data(), s.Y.data(), s.E.data(), s.R.data(), s.A.data(),
                            s.Bands, r);
    state.counters["fits"] = r.Fits;
    state.counters["edf"] = static_cast<double>(s.Bands.Edf);
  }
}

BENCHMARK(BM_FitAlone)->Arg(100000)->Arg(1000000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_FitAndReport)->Arg(100000)->Arg(1000000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ReportOnly)->ArgsProduct({{100000, 1000000}, {0, 1}})->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Search)->Args({1000000, 1})->Args({1000000, 2})->Unit(benchmark::kMillisecond)->Iterations(1);

}  // namespace
