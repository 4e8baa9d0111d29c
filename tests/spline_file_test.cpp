// The spline data file, written in memory from fits of its own: one file
// worked out by hand, the layout over widths, switches and shapes of data,
// the curve rows of a steep fit against the walk written out step by step,
// and the segment rows formatted ahead on a second thread.
#include <gtest/gtest.h>
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <string>
#include <vector>

#include "output/spline_file.h"
#include "spline/curve_walk.h"
#include "spline/fit.h"
#include "test_util.h"

namespace {

// Data fitted as the program fits them, in arrays of their own. An error
// below 0 is a millionth of the Y range, as when no error is given.
struct Fitted {
  std::vector<long double> X, Y, E;
  std::vector<spline::SplineSegment> A;

  Fitted(const std::vector<long double>& x, const std::vector<long double>& y, long double error)
      : X(x), Y(y), E(x.size(), error), A(x.size()) {
    const int32_t n = N();
    std::vector<double> R(spline::WorkspaceDoubles(n));
    spline::CompleteErrors(n, Y.data(), E.data(), 0);
    EXPECT_NE(spline::FitSmoothingSpline(n, 1000, X.data(), Y.data(), E.data(), R.data(), A.data()),
              spline::FitStatus::IterationLimit);
  }
  int32_t N() const { return static_cast<int32_t>(X.size()) - 1; }
  output::SplineFileContent Content(int32_t width, bool curve, bool calculus) const {
    output::SplineFileContent c;
    c.N = N(), c.X = X.data(), c.Err = E.data(), c.A = A.data();
    c.Walk = spline::InitialWalkScale(N(), X.data(), *std::min_element(Y.begin() + 1, Y.end()),
                                      *std::max_element(Y.begin() + 1, Y.end()));
    c.NumberWidth = width, c.WriteCurve = curve, c.ShowCalculus = calculus;
    c.Task = "d.dat x1 y2 r0 e0 ";
    return c;
  }
};

// Element 0 of every array is unused.
Fitted Wave(int32_t n, long double error) {
  std::vector<long double> x(n + 1), y(n + 1);
  for (int32_t i = 1; i <= n; ++i) {
    x[i] = (i - 1) * 0.25L;
    y[i] = std::sin(x[i]) + 0.01L * ((i * 37) % 11);
  }
  return Fitted(x, y, error);
}

std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  std::size_t start = 0;
  for (std::size_t nl; (nl = text.find('\n', start)) != std::string::npos; start = nl + 1)
    lines.push_back(text.substr(start, nl - start));
  lines.push_back(text.substr(start));  // the closing row has no line end
  return lines;
}

// The curve block's rows, between its header and the empty line.
std::vector<std::string> CurveRows(const std::string& text) {
  std::vector<std::string> lines = Lines(text), rows;
  for (std::size_t i = 4; i < lines.size() && !lines[i].empty(); ++i) rows.push_back(lines[i]);
  return rows;
}

// Two points give the straight line through them; every number below is
// worked out by hand: y = 1 + 2x on [0, 2], integral 6, error 4e-6 (one
// millionth of the Y range).
TEST(SplineFile, TwoPointsByHand) {
  const Fitted f({0, 0, 2}, {0, 1, 5}, -1);
  const std::string cells =
      "  Xmin       Xmax       A          B          C          D        "
      "  Y(Xmin)    Der1(Xmin  Der2(Xmin  Der3(Xmin  Int(Xmin)  Err(Xmin)";
  EXPECT_EQ(output::SplineFileText(f.Content(10, false, true)),
            "KurvexAnalyzer v2.12a-20080419 calculated the followings:\n"
            "Task: d.dat x1 y2 r0 e0 .\n"
            "\n"
            "Data of Ax^3+Bx^2+Cx+D-s of spline:\n" + cells + "\n" +
            " 0.000e+00  2.000e+00  0.000e+00  0.000e+00  2.000e+00  1.000e+00"
            "  1.000e+00  2.000e+00  0.000e+00  0.000e+00  0.000e+00  4.000e-06\n" +
            " 2.000e+00" + std::string(56, ' ') +
            " 5.000e+00  2.000e+00  0.000e+00  0.000e+00  6.000e+00");
}

// Every line has the length the field width W gives it, the curve block
// and the mark lines come and go with their switches, and there is one
// segment row per interval.
TEST(SplineFile, LayoutAtEveryWidthSwitchAndShape) {
  const Fitted shapes[] = {Wave(40, -1), Wave(40, 0.02L), Fitted({0, 0, 2}, {0, 1, 5}, -1)};
  for (const Fitted& f : shapes)
    for (const int32_t w : {10, 13, 15, 26})
      for (const bool curve : {true, false})
        for (const bool calculus : {true, false}) {
          SCOPED_TRACE(testing::Message() << f.N() << " points, W " << w << curve << calculus);
          const std::vector<std::string> lines = Lines(output::SplineFileText(f.Content(w, curve, calculus)));
          std::size_t i = 2;
          if (curve) {
            EXPECT_EQ(lines[i++], "");
            EXPECT_EQ(lines[i++].size(), 6u * (w + 1));
            for (; !lines[i].empty(); ++i) ASSERT_EQ(lines[i].size(), 6u * w + 5) << i;
          }
          EXPECT_EQ(lines[i++], "");
          EXPECT_EQ(lines[i++], "Data of Ax^3+Bx^2+Cx+D-s of spline:");
          EXPECT_EQ(lines[i++].size(), 12u * (w + 1));
          int32_t segments = 0, marks = 0;
          for (; i + 1 < lines.size(); ++i) {
            const bool inflection = lines[i].rfind("  Point of inflection at x=", 0) == 0;
            const bool extremum = lines[i].rfind("  Minimum at x=", 0) == 0 || lines[i].rfind("  Maximum at x=", 0) == 0;
            marks += inflection || extremum;
            segments += !inflection && !extremum;
            EXPECT_EQ(lines[i].size(), inflection ? 27u + w : extremum ? 15u + w : 12u * w + 11) << i;
          }
          EXPECT_EQ(segments, f.N() - 1);
          EXPECT_EQ(marks > 0, calculus && f.N() > 2);
          EXPECT_EQ(lines.back().size(), 11u * w + 10);
        }
}

// Points closer than the step: a single step passes several knots, so the
// walk ends with one more X[n] row for every knot it has not counted. The
// step that reaches X[n] passes the three close knots before it but counts
// one of them, so X[n] is written once and then three times more.
TEST(SplineFile, CloseKnotsRepeatTheLastCurveRow) {
  const Fitted f({0, 0, 5, 9.9997L, 9.9998L, 9.9999L, 10}, {0, 0, 1, 2, 2, 2, 2}, -1);
  const std::vector<std::string> rows = CurveRows(output::SplineFileText(f.Content(13, true, true)));
  ASSERT_GE(rows.size(), 5u);
  EXPECT_EQ(rows[0].substr(0, 13), " 0.000000e+00");
  EXPECT_EQ(rows.back().substr(0, 13), " 1.000000e+01");
  EXPECT_NE(rows[rows.size() - 5], rows.back());
  for (std::size_t i = rows.size() - 4; i < rows.size(); ++i) EXPECT_EQ(rows[i], rows.back());
}

// A curve that rises by 1 over a thousandth of the range: the walk's
// steps there are far below any floor of 1/65536 of the range, and every
// one of them is a row. The rule, written out here step by step:
// next x = x + step / (1 + |S'(x)| XRange / YRange), k counts the knots
// passed, one a step, and the point after the last knot is counted is the last.
TEST(SplineFile, SteepCurveRowsFollowTheWalkByHand) {
  const Fitted f({0, 0, 1, 1.001L, 2}, {0, 0, 0, 1, 1}, 0);
  const output::SplineFileContent c = f.Content(13, true, false);
  const spline::WalkScale& s = c.Walk;
  const int32_t n = c.N;
  std::vector<std::string> expected;
  long double x = c.X[1], shortest = s.Step;
  for (int32_t k = 2; k <= n + 1;) {
    spline::Evaluation e;
    spline::EvaluateSpline(n, c.X, c.A, x, e);
    expected.push_back(output::ValuesRow(x, e, 13).substr(0, 6 * 13 + 5));
    if (k == n + 1) break;
    const long double step = s.Step / (1 + std::fabs(e.D1) * s.XRange / s.YRange);
    if (x + step >= c.X[k]) ++k;
    const long double next = std::min(x + step, c.X[n]);
    shortest = std::min(shortest, next - x);
    x = next;
  }
  EXPECT_LT(shortest, (c.X[n] - c.X[1]) / 65536 / 4);
  EXPECT_EQ(CurveRows(output::SplineFileText(c)), expected);
}

// A long table: three blocks of the second thread and part of a fourth,
// so that every slot is used and the last block is short.
Fitted LongTable() {
  const int32_t n = 3 * 4096 + 517;
  std::vector<long double> x(n + 1), y(n + 1);
  for (int32_t i = 1; i <= n; ++i) {
    x[i] = i * 0.01L;
    y[i] = std::sin(x[i]) + 0.03L * ((i * 37) % 11 - 5);
  }
  Fitted f(x, y, 0.02L);
  // A few extreme values reach every path of the number formats.
  f.A[5000].d = 1e-4000L, f.A[5001].c = 3e4000L, f.E[5002] = 5e-30L, f.A[9000].b = NAN;
  return f;
}

// The table with a mark line after every 1000th row, as a pass interleaves
// them, with the rows formatted ahead or in line.
std::string WriteTable(const output::SplineFileContent& c, bool ahead) {
  std::string text;
  output::BeginSplineFileInMemory(c, text);
  if (ahead) output::FormatSegmentRowsAhead();
  output::WriteTableHead();
  for (int32_t i = 1; i < c.N; ++i) {
    output::WriteSegmentRow(i);
    if (i % 1000 == 0) output::WriteMarkLine({spline::MarkKind::Minimum, c.X[i], 0});
  }
  output::EndSplineFile();
  return text;
}

TEST(SplineFile, RowsFormattedAheadAreTheRowsFormattedInLine) {
  const Fitted f = LongTable();
  for (const int32_t width : {13, 26, 10}) {
    SCOPED_TRACE(width);
    const output::SplineFileContent c = f.Content(width, false, false);
    const std::string inLine = WriteTable(c, false);
    EXPECT_EQ(WriteTable(c, true), inLine);
    EXPECT_GT(inLine.size(), 3u * 4096 * (12 * width + 11));
  }
}

// Passes that end at any row (as a stop ends them) leave no file and no
// thread behind: the next whole pass writes exactly the table in line.
TEST(SplineFile, APassThatEndsEarlyStopsTheThread) {
  testutil::TempDir dir;
  const Fitted f = LongTable();
  const output::SplineFileContent c = f.Content(13, false, false);
  for (int32_t taken : {0, 1, 4096, 3 * 4096}) {
    output::BeginSplineFile(c, dir / "kurvex.out");
    output::FormatSegmentRowsAhead();
    output::WriteTableHead();
    for (int32_t i = 1; i <= taken; ++i) output::WriteSegmentRow(i);
    output::StopHelperThreads();  // as the program does before it stops
    EXPECT_TRUE(std::filesystem::is_empty(dir.Path())) << taken;
  }
  EXPECT_EQ(WriteTable(c, true), WriteTable(c, false));
  // A whole file written in one call keeps no lock that would stop a run.
  output::WriteSplineFile(c, dir / "whole.out");
  const int fd = ::open((dir / "whole.out").c_str(), O_RDONLY);
  EXPECT_EQ(::flock(fd, LOCK_EX | LOCK_NB), 0);
  ::close(fd);
}

}  // namespace
