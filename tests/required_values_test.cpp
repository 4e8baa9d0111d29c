// The required-values file's text in memory: the header for the task and
// the field width, then a row of x, the value, three derivatives and the
// integral per request.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "output/required_values.h"
#include "output/spline_file.h"
#include "spline/evaluate.h"
#include "spline/fit.h"

namespace {

TEST(RequiredValues, HeaderThenOneRowEach) {
  // The straight line y = 1 + 2x through two points.
  std::vector<long double> x = {0, 0, 2}, y = {0, 1, 5}, e = {0, 0, 0};
  std::vector<spline::SplineSegment> a(3);
  std::vector<double> r(spline::WorkspaceDoubles(2));
  ASSERT_EQ(spline::FitSmoothingSpline(2, 1000, x.data(), y.data(), e.data(), r.data(), a.data()),
            spline::FitStatus::Converged);
  auto row = [&](long double at, int32_t width) {
    spline::Evaluation v;
    spline::EvaluateSpline(2, x.data(), a.data(), at, v);
    return output::ValuesRow(at, v, width);
  };
  EXPECT_EQ(output::RequiredValuesHead("d.dat x1 y2 r0 e0 ", 10) + row(1, 10) + row(-1, 10),
            "KurvexAnalyzer v2.12a-20080419 calculated the next user required values \n"
            "(with the \"d.dat x1 y2 r0 e0 \" parameters):\n"
            "  X          Y          Der1       Der2       Der3       Int      \n"
            " 1.000e+00  3.000e+00  2.000e+00  0.000e+00  0.000e+00  2.000e+00\n"
            // Left of the data the line goes on, and the integral is negative.
            "-1.000e+00 -1.000e+00  2.000e+00  0.000e+00  0.000e+00  0.000e+00\n");
  // With W = 13 the labels take 14 characters each and a row 6 fields and 5 separators.
  const std::string head = output::RequiredValuesHead("", 13);
  EXPECT_EQ(head.substr(head.rfind('\n', head.size() - 2) + 1).size(), 6u * 14 + 1);
  EXPECT_EQ(row(0.5L, 13).size(), 6u * 13 + 5 + 1);
}

}  // namespace
