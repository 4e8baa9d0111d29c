// Benchmark of the fit and its result file as the program's first pass
// makes them: the fit, the curve walk written, the segment table with its
// analysis lines and the closing row, for 10^4 to 10^6 noisy points with an
// error column.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <random>
#include <string>
#include <vector>

#include "output/spline_file.h"
#include "spline/curve_walk.h"
#include "spline/fit.h"

namespace {

struct PassData {
  std::vector<long double> X, Y, E, E0;
  std::vector<spline::SplineSegment> A;
  std::vector<double> R;
  output::SplineFileContent File;
};

// The same kind of data as a measured damped oscillation: errors in
// millionths of the Y range, completed as the program completes them.
void Prepare(PassData& p, int32_t n) {
  std::mt19937_64 random(7);
  std::normal_distribution<double> noise(0, 0.02);
  p.X.assign(n + 1, 0), p.Y.assign(n + 1, 0), p.E.assign(n + 1, 0);
  p.A.assign(n + 1, {}), p.R.assign(spline::WorkspaceDoubles(n), 0);
  for (int32_t i = 1; i <= n; ++i) {
    p.X[i] = 10.0L * (i - 1) / n;
    p.Y[i] = std::exp(-0.3L * p.X[i]) * std::sin(5 * p.X[i]) + noise(random);
    p.E[i] = 12000;
  }
  spline::CompleteErrors(n, p.Y.data(), p.E.data(), 3);
  p.E0 = p.E;
  output::SplineFileContent& c = p.File;
  c.N = n, c.X = p.X.data(), c.Err = p.E.data(), c.A = p.A.data();
  c.Walk = spline::InitialWalkScale(n, p.X.data(), *std::min_element(p.Y.begin() + 1, p.Y.end()),
                                    *std::max_element(p.Y.begin() + 1, p.Y.end()));
  c.Task = "bench.dat x1 y2 r0 e3 ";
}

void BM_ResultsPass(benchmark::State& state) {
  const int32_t n = static_cast<int32_t>(state.range(0));
  char dir[] = "/tmp/kurvex-bench-XXXXXX";
  if (!::mkdtemp(dir)) return state.SkipWithError("no temporary directory");
  const std::string name = std::string(dir) + "/kurvex.out";
  PassData p;
  Prepare(p, n);
  for (auto _ : state) {
    p.E = p.E0;  // every pass fits the same problem
    spline::FitSmoothingSpline(n, 1000, p.X.data(), p.Y.data(), p.E.data(), p.R.data(), p.A.data());
    output::WriteSplineFile(p.File, name);
  }
  std::remove(name.c_str());
  ::rmdir(dir);
}
BENCHMARK(BM_ResultsPass)->Arg(10000)->Arg(100000)->Arg(1000000)->Unit(benchmark::kMillisecond)->Iterations(1);

}  // namespace
