// Benchmark of a complete results pass as the program runs it after start-up:
// fit, the curve walk drawn and written, the segment table with its analysis
// lines and marks, the closing row, the cursor and the quality line, in the
// memory driver at 800x600, for 10^4 to 10^6 noisy points with an error column.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <cmath>
#include <cstdlib>
#include <random>
#include <string>
#include <vector>

#include "config/settings.h"
#include "data/dataset.h"
#include "gfx/gfx.h"
#include "graph/draw_pass.h"
#include "graph/graph_state.h"
#include "graph/graphics_setup.h"
#include "graph/plot.h"
#include "graph/view.h"
#include "spline/fit.h"

namespace {

struct PassData {
  std::vector<long double> X, Y, E, E0;
  std::vector<spline::SplineSegment> A;
  std::vector<double> R;
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
  data::DataSetRecord& d = data::DataSet;
  d.Count = n;
  d.XValues = p.X.data(), d.YValues = p.Y.data(), d.ErrValues = p.E.data();
  spline::Fit.Segments = p.A.data(), spline::Fit.Workspace = p.R.data();
  d.YMin = d.YMax = p.Y[1];
  for (int32_t i = 2; i <= n; ++i) d.YMin = std::fmin(d.YMin, p.Y[i]), d.YMax = std::fmax(d.YMax, p.Y[i]);
}

// The graph as start-up leaves it, without a data file or a log.
void PrepareGraph() {
  static bool ready = false;
  if (ready) return;
  ready = true;
  gfx::SetMemoryInputText("");
  gfx::SetDriver(gfx::MemoryDriverName);
  gfx::SetMode(800, 600, 24);
  graph::SetDefaultColours(24);
  graph::PrepareStyles(800);
  graph::ClearGraph();
  graph::DrawLegend();
  graph::ComputeLayout();
  graph::DrawFrame();
  graph::CreateOffScreenAreas(800);
}

void BM_ResultsPass(benchmark::State& state) {
  const int32_t n = static_cast<int32_t>(state.range(0));
  char dir[] = "/tmp/kurvex-bench-XXXXXX";
  if (!::mkdtemp(dir)) return state.SkipWithError("no temporary directory");
  config::Settings.OutputFileName = std::string(dir) + "/kurvex.out";
  PassData p;
  Prepare(p, n);
  PrepareGraph();
  const data::DataSetRecord& d = data::DataSet;
  graph::InitialView(n, d.XValues, d.YMin, d.YMax);
  for (auto _ : state) {
    p.E = p.E0;  // every pass fits the same problem
    data::DataSet.ErrValues = p.E.data();
    graph::DrawPass(true, true);
  }
  std::remove(config::Settings.OutputFileName.c_str());
  ::rmdir(dir);
  data::DataSet = data::DataSetRecord{};
}
BENCHMARK(BM_ResultsPass)->Arg(10000)->Arg(100000)->Arg(1000000)->Unit(benchmark::kMillisecond)->Iterations(1);

}  // namespace
