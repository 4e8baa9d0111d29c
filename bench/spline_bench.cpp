// Benchmarks of the spline fit, of evaluating the curve at every knot and of
// the curve analysis of every interval, on noisy damped sines of 10^4 to 10^6
// points with an error column completed as the program completes it.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <cstdint>
#include <map>
#include <random>
#include <vector>

#include "data/arrays.h"
#include "data/reader.h"
#include "spline/analysis.h"
#include "spline/evaluate.h"
#include "spline/fit.h"

namespace {

// X on [0, 10] with irregular spacing, Y = exp(-0.3 x) sin(5 x) plus normal
// noise of a standard deviation that varies by point; the error column holds
// that deviation in millionths of the Y range, as a data file would.
struct NoisyCurve {
  int32_t n;
  std::vector<long double> X, Y, E;
  std::vector<double> R;
  std::vector<spline::SplineSegment> A;

  explicit NoisyCurve(int32_t count)
      : n(count), X(count + 1), Y(count + 1), E(count + 1), R(spline::WorkspaceDoubles(count)), A(count + 1) {
    std::mt19937_64 random(20080419);
    std::uniform_real_distribution<double> unit(0, 1);
    std::normal_distribution<double> normal(0, 1);
    const long double step = 10.0L / n;
    for (int32_t i = 1; i <= n; ++i) {
      X[i] = (i - 1 + 0.5L * unit(random)) * step;
      E[i] = 0.02L * (1 + 0.5L * unit(random));
      Y[i] = std::exp(-0.3L * X[i]) * std::sin(5 * X[i]) + E[i] * normal(random);
    }
    long double ymin = Y[1], ymax = Y[1];
    for (int32_t i = 2; i <= n; ++i) ymin = std::fmin(ymin, Y[i]), ymax = std::fmax(ymax, Y[i]);
    for (int32_t i = 1; i <= n; ++i) E[i] = E[i] / ((ymax - ymin) / 1000000);
    spline::CompleteErrors(n, Y.data(), E.data(), 3);
  }

  spline::FitStatus Fit(spline::FitOutcome& out) {
    return spline::FitSmoothingSpline(n, 1000, X.data(), Y.data(), E.data(), R.data(),
                                      A.data(), &out);
  }
};

// One data set per size, made (and fitted) once for all benchmarks.
NoisyCurve& Curve(int32_t n) {
  static std::map<int32_t, NoisyCurve> curves;
  auto it = curves.find(n);
  if (it == curves.end()) {
    it = curves.emplace(n, NoisyCurve(n)).first;
    spline::FitOutcome out;
    it->second.Fit(out);
  }
  return it->second;
}

void BM_Fit(benchmark::State& state) {
  NoisyCurve& c = Curve(static_cast<int32_t>(state.range(0)));
  spline::FitOutcome out;
  spline::FitStatus status = spline::FitStatus::Converged;
  for (auto _ : state) {
    status = c.Fit(out);
    benchmark::DoNotOptimize(c.A.data());
  }
  state.counters["status"] = static_cast<int>(status);
  state.counters["passes"] = out.Iterations;
  state.counters["p"] = static_cast<double>(out.P);
  state.counters["F/n"] = static_cast<double>(out.ResidualSum / c.n);
  state.counters["ns/point/pass"] = benchmark::Counter(
      static_cast<double>(c.n) * out.Iterations,
      benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}

// The fit alone on a data file of x, y and an error column (named by
// KURVEX_BENCH_FILE, as bench/make_data.py writes it), read and completed as
// the program reads it: the figure that python/bench_fit.py is held against.
void BM_FitFile(benchmark::State& state) {
  const char* path = std::getenv("KURVEX_BENCH_FILE");
  std::FILE* file = path ? std::fopen(path, "rb") : nullptr;
  if (file == nullptr) return state.SkipWithError("KURVEX_BENCH_FILE names no readable file");
  auto in = std::make_unique<data::TextInput>();
  in->File = file;
  const int32_t bound = data::CountRows(*in);
  std::rewind(file), in->Pos = in->Len = 0;
  std::vector<long double> X(bound + 1), Y(bound + 1), E(bound + 1);
  const int32_t n = data::ReadRows(*in, data::ColumnLayout{1, 2, 3, -1, {}}, X.data(), Y.data(), E.data(), bound);
  std::fclose(file);
  data::SortByX(n, X.data(), Y.data(), E.data());
  spline::CompleteErrors(n, Y.data(), E.data(), 3);
  spline::FitOutcome out;
  for (auto _ : state) {
    // On arrays just allocated, as the program allocates them before its
    // first fit: the time includes their first touch, as a fit from Python does.
    std::unique_ptr<double[]> R(new double[spline::WorkspaceDoubles(n)]);
    std::unique_ptr<spline::SplineSegment[]> A(new spline::SplineSegment[n + 1]);
    std::fill(R.get(), R.get() + spline::WorkspaceDoubles(0), 0.0);
    A[0] = spline::SplineSegment{};
    spline::FitSmoothingSpline(n, 1000, X.data(), Y.data(), E.data(), R.get(), A.get(), &out);
    benchmark::DoNotOptimize(A.get());
  }
  state.counters["passes"] = out.Iterations;
}

void BM_EvaluateKnots(benchmark::State& state) {
  NoisyCurve& c = Curve(static_cast<int32_t>(state.range(0)));
  spline::Evaluation e;
  for (auto _ : state) {
    long double sum = 0;
    for (int32_t i = 1; i <= c.n; ++i)
      sum += spline::EvaluateSpline(c.n, c.X.data(), c.A.data(), c.X[i], e) + e.Int;
    benchmark::DoNotOptimize(sum);
  }
  state.SetItemsProcessed(state.iterations() * c.n);
}

void BM_AnalyseIntervals(benchmark::State& state) {
  NoisyCurve& c = Curve(static_cast<int32_t>(state.range(0)));
  spline::SegmentMarks marks;
  int64_t found = 0;
  for (auto _ : state) {
    found = 0;
    for (int32_t i = 1; i < c.n; ++i) {
      spline::AnalyseSegment(c.n, c.X.data(), c.A.data(), i, marks);
      found += marks.Count;
    }
    benchmark::DoNotOptimize(found);
  }
  state.counters["marks"] = static_cast<double>(found);
  state.SetItemsProcessed(state.iterations() * (c.n - 1));
}

BENCHMARK(BM_Fit)->Arg(10000)->Arg(100000)->Arg(1000000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_FitFile)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_EvaluateKnots)->Arg(10000)->Arg(100000)->Arg(1000000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_AnalyseIntervals)->Arg(10000)->Arg(100000)->Arg(1000000)->Unit(benchmark::kMillisecond);

}  // namespace
