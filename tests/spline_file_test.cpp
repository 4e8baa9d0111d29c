// The spline data file's segment table, written from the program's own
// functions: formatted ahead on a second thread for a long table, it must be
// the same text as formatted in line, and a pass that ends early must stop
// the thread.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "config/settings.h"
#include "data/dataset.h"
#include "output/result_files.h"
#include "output/spline_file.h"
#include "spline/fit.h"
#include "test_util.h"

namespace {

struct LongTable {
  std::vector<long double> X, Y, E;
  std::vector<spline::SplineSegment> A;
  std::vector<double> R;

  // Rows for three blocks of the thread and part of a fourth, so that every
  // slot is used and the last block is short.
  explicit LongTable(int32_t n) : X(n + 1), Y(n + 1), E(n + 1, 0.02L), A(n + 1), R(spline::WorkspaceDoubles(n)) {
    for (int32_t i = 1; i <= n; ++i) {
      X[i] = i * 0.01L;
      Y[i] = std::sin(X[i]) + 0.03L * ((i * 37) % 11 - 5);
    }
    data::DataSetRecord& d = data::DataSet;
    d.Count = n, d.XValues = X.data(), d.YValues = Y.data(), d.ErrValues = E.data();
    spline::Fit.Segments = A.data(), spline::Fit.Workspace = R.data();
    EXPECT_EQ(spline::FitSmoothingSpline(1000), spline::FitStatus::Converged);
    // A few extreme values reach every path of the number formats.
    A[5000].d = 1e-4000L, A[5001].c = 3e4000L, E[5002] = 5e-30L, A[9000].b = NAN;
  }
  // The program's records must not point at these vectors once they are gone.
  ~LongTable() {
    data::DataSet = data::DataSetRecord{};
    spline::Fit = spline::FitRecord{};
  }
};

// The table with an analysis line after every 1000th row, as the pass
// interleaves them.
std::string WriteTable(const std::string& path, bool ahead) {
  config::Settings.OutputFileName = path;
  output::BeginSplineFile();
  if (ahead) output::FormatSegmentRowsAhead();
  output::WriteTableHead();
  for (int32_t i = 1; i < data::DataSet.Count; ++i) {
    output::WriteSegmentRow(i);
    if (i % 1000 == 0) output::WriteAnalysisLine("  Minimum at x=", data::DataSet.XValues[i]);
  }
  output::EndSplineFile();
  return testutil::ReadFile(path);
}

TEST(SplineFile, RowsFormattedAheadAreTheRowsFormattedInLine) {
  testutil::TempDir dir;
  LongTable t(3 * 4096 + 517);
  config::Settings.WriteCurve = false;
  output::ResultFiles.ParameterText = "d.dat x1 y2 r0 e0 ";
  for (int32_t width : {13, 26, 10}) {
    SCOPED_TRACE(width);
    config::Settings.NumberWidth = width;
    const std::string inLine = WriteTable(dir / "in-line.out", false);
    EXPECT_EQ(WriteTable(dir / "ahead.out", true), inLine);
    EXPECT_GT(inLine.size(), 3u * 4096 * (12 * width + 11));
  }
  config::Settings.NumberWidth = 13;
}

// Passes that end at any row (as a stop ends them) leave no file and no
// thread behind: the next whole pass writes exactly the table in line.
TEST(SplineFile, APassThatEndsEarlyStopsTheThread) {
  testutil::TempDir dir;
  LongTable t(4 * 4096 + 3);
  config::Settings.WriteCurve = false;
  const std::string inLine = WriteTable(dir / "in-line.out", false);
  std::remove((dir / "in-line.out").c_str());
  config::Settings.OutputFileName = dir / "kurvex.out";
  for (int32_t taken : {0, 1, 4096, 3 * 4096}) {
    output::BeginSplineFile();
    output::FormatSegmentRowsAhead();
    output::WriteTableHead();
    for (int32_t i = 1; i <= taken; ++i) output::WriteSegmentRow(i);
    output::StopHelperThreads();  // as the program does before it stops
    EXPECT_TRUE(std::filesystem::is_empty(dir.Path())) << taken;
  }
  EXPECT_EQ(WriteTable(dir / "ahead.out", true), inLine);
}

}  // namespace
