// The required-values file: created with its header on the first row,
// one flushed row per request, closed at the end.
#include <gtest/gtest.h>
#include <unistd.h>

#include <vector>

#include "config/settings.h"
#include "data/dataset.h"
#include "base/stop.h"
#include "output/result_files.h"
#include "output/required_values.h"
#include "spline/fit.h"
#include "test_util.h"

namespace {

TEST(RequiredValues, HeaderOnFirstRowThenOneRowEach) {
  testutil::TempDir dir;
  ASSERT_EQ(::chdir(dir.Path().c_str()), 0);
  testutil::WriteFile(dir / "kurvex.cal", "an older file\n");
  // The straight line y = 1 + 2x through two points.
  std::vector<long double> x = {0, 0, 2}, y = {0, 1, 5}, e = {0, 0, 0};
  std::vector<spline::SplineSegment> a(3);
  std::vector<double> r(spline::WorkspaceDoubles(2));
  data::DataSet.Count = 2;
  data::DataSet.XValues = x.data();
  data::DataSet.YValues = y.data();
  data::DataSet.ErrValues = e.data();
  spline::Fit.Segments = a.data();
  spline::Fit.Workspace = r.data();
  ASSERT_EQ(spline::FitSmoothingSpline(1000), spline::FitStatus::Converged);
  config::Settings.NumberWidth = 10;
  output::ResultFiles.ParameterText = "d.dat x1 y2 r0 e0 ";

  output::AppendRequiredValues(1);
  // Each row is in the file as soon as it is complete.
  auto lines = testutil::ReadLines(dir / "kurvex.cal");
  ASSERT_EQ(lines.size(), 4u);
  EXPECT_EQ(lines[0], "KurvexAnalyzer v2.12a-20080419 calculated the next user required values ");
  EXPECT_EQ(lines[1], "(with the \"d.dat x1 y2 r0 e0 \" parameters):");
  EXPECT_EQ(lines[2], "  X        " "  Y        " "  Der1     " "  Der2     " "  Der3     " "  Int      ");
  EXPECT_EQ(lines[3], " 1.000e+00  3.000e+00  2.000e+00  0.000e+00  0.000e+00  2.000e+00");
  output::AppendRequiredValues(-1);  // left of the data: the line goes on, the integral is negative
  output::CloseRequiredValues();
  lines = testutil::ReadLines(dir / "kurvex.cal");
  ASSERT_EQ(lines.size(), 5u);
  EXPECT_EQ(lines[4], "-1.000e+00 -1.000e+00  2.000e+00  0.000e+00  0.000e+00  0.000e+00");
  data::DataSet = data::DataSetRecord{};
  spline::Fit = spline::FitRecord{};
}

}  // namespace
