// The spline data file and the stops of the data stage, from the real
// program: one file computed by hand, and the layout rules checked line by
// line over several widths and switches.
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <cmath>
#include <string>
#include <vector>

#include "test_util.h"

using testutil::ReadFile;
using testutil::ReadLines;
using testutil::RunProgram;
using testutil::TempDir;
using testutil::WriteFile;

namespace {

struct Outcome {
  testutil::RunResult run;
  std::string out;
  std::vector<std::string> log;
};

Outcome RunKurvex(const std::string& cfg, const std::string& data,
            std::vector<std::string> args = {}) {
  TempDir dir;
  WriteFile(dir / "kurvex.cfg", "[Kurvex]\nGraphGRXDriver=memory\n" + cfg + "\n");
  WriteFile(dir / "d.dat", data);
  args.insert(args.begin(), {KURVEX_BINARY, "d.dat"});
  Outcome o;
  o.run = RunProgram(dir.Path(), args, "q\n");
  o.out = ReadFile(dir / "kurvex.out");
  o.log = ReadLines(dir / "kurvex.log");
  return o;
}

// Two points give the straight line through them; every number below is
// worked out by hand: y = 1 + 2x on [0, 2], integral 6, error 4e-6 (one
// millionth of the Y range).
TEST(ResultFile, TwoPointsByHand) {
  Outcome o = RunKurvex("NumberDigits=4\nWriteCurve=no", "0 1\n2 5\n");
  const std::string cells =
      "  Xmin       Xmax       A          B          C          D        "
      "  Y(Xmin)    Der1(Xmin  Der2(Xmin  Der3(Xmin  Int(Xmin)  Err(Xmin)";
  const std::string expected =
      "KurvexAnalyzer v2.12a-20080419 calculated the followings:\n"
      "Task: d.dat x1 y2 r0 e0 .\n"
      "\n"
      "Data of Ax^3+Bx^2+Cx+D-s of spline:\n" + cells + "\n" +
      " 0.000e+00  2.000e+00  0.000e+00  0.000e+00  2.000e+00  1.000e+00"
      "  1.000e+00  2.000e+00  0.000e+00  0.000e+00  0.000e+00  4.000e-06\n" +
      " 2.000e+00" + std::string(56, ' ') +
      " 5.000e+00  2.000e+00  0.000e+00  0.000e+00  6.000e+00";
  EXPECT_EQ(o.out, expected);
}

// Splits the file into its parts and checks every line against the layout
// for field width w.
void CheckLayout(const std::string& out, int w, bool curve, bool calculus, int n) {
  std::vector<std::string> lines;
  size_t start = 0;
  for (size_t nl; (nl = out.find('\n', start)) != std::string::npos; start = nl + 1)
    lines.push_back(out.substr(start, nl - start));
  const std::string last = out.substr(start);  // the closing row has no line end
  ASSERT_GE(lines.size(), 4u);
  size_t i = 2;
  if (curve) {
    EXPECT_EQ(lines[i++], "");
    EXPECT_EQ(lines[i++].size(), 6u * (w + 1));
    for (; i < lines.size() && !lines[i].empty(); ++i)
      ASSERT_EQ(lines[i].size(), 6u * w + 5) << "curve row " << i;
  }
  EXPECT_EQ(lines[i++], "");
  EXPECT_EQ(lines[i++], "Data of Ax^3+Bx^2+Cx+D-s of spline:");
  EXPECT_EQ(lines[i++].size(), 12u * (w + 1));
  int segments = 0, marks = 0;
  for (; i < lines.size(); ++i) {
    if (lines[i].rfind("  M", 0) == 0 || lines[i].rfind("  Point", 0) == 0) {
      ++marks;
      size_t label = lines[i].rfind("  Point", 0) == 0 ? 27 : 15;
      EXPECT_EQ(lines[i].size(), label + w) << lines[i];
    } else {
      ++segments;
      EXPECT_EQ(lines[i].size(), 12u * w + 11) << "segment row " << i;
    }
  }
  EXPECT_EQ(segments, n - 1);
  EXPECT_EQ(marks > 0, calculus);
  EXPECT_EQ(last.size(), 11u * w + 10);
}

std::string Wave(int n, double dx) {
  std::string data;
  for (int i = 0; i < n; ++i) {
    double x = i * dx;
    data += std::to_string(x) + " " + std::to_string(std::sin(x) + 0.01 * ((i * 37) % 11)) + "\n";
  }
  return data;
}

TEST(ResultFile, LayoutAtEveryWidthAndSwitch) {
  struct { const char* cfg; int w; bool curve, calculus; } cases[] = {
      {"NumberDigits=4", 10, true, true},
      {"", 13, true, true},
      {"NumberDigits=20\nWriteCurve=No", 26, false, true},
      {"ShowCalculus=NO\nWriteCurve=yes", 13, true, false},
      {"NumberDigits=9\nErrorValue=0.02", 15, true, true},
  };
  for (auto& c : cases) {
    Outcome o = RunKurvex(c.cfg, Wave(40, 0.25));
    SCOPED_TRACE(c.cfg);
    CheckLayout(o.out, c.w, c.curve, c.calculus, 40);
  }
}

// Points closer than the plot step: a single step passes several knots, so
// the walk ends with one more X[n] row for every knot it has not counted.
TEST(ResultFile, CloseKnotsRepeatTheLastCurveRow) {
  Outcome o = RunKurvex("", "0 0\n5 1\n9.9997 2\n9.9998 2\n9.9999 2\n10 2\n");
  std::vector<std::string> rows;
  size_t pos = o.out.find("  Int") + 1;
  pos = o.out.find('\n', pos) + 1;
  for (size_t nl; (nl = o.out.find('\n', pos)) != pos; pos = nl + 1)
    rows.push_back(o.out.substr(pos, nl - pos));
  ASSERT_GE(rows.size(), 4u);
  EXPECT_EQ(rows[0].substr(0, 13), " 0.000000e+00");
  const std::string lastRow = rows.back();
  EXPECT_EQ(lastRow.substr(0, 13), " 1.000000e+01");
  // The step that reaches X[n] passes the three close knots before it but
  // counts one of them, so X[n] is written once and then three times more.
  int repeated = 0;
  for (const std::string& r : rows) repeated += r == lastRow;
  EXPECT_EQ(repeated, 4);
  for (size_t i = rows.size() - 4; i < rows.size(); ++i) EXPECT_EQ(rows[i], lastRow);
}

TEST(DataStops, MessagesLogAndStatus) {
  const std::string alloc = "Allocating X[1..1,1..1] ..............successful.";
  struct {
    const char* name;
    std::string data;
    std::vector<std::string> args;
    std::string lastLog;
  } cases[] = {
      {"one row", "1 2\n", {}, "The number of data is less than two!"},
      {"no numeric rows", "a b\n", {}, "The number of data is less than two!"},
      {"duplicate", "2.5 1\n1 2\n2.5 3\n", {},
       "Duplicated independent value at  2.500000000000000e+00!"},
      {"negative duplicate", "-1.5 1\n-1.5 2\n", {},
       "Duplicated independent value at -1.500000000000000e+00!"},
      {"signed zero", "0 1\n-0 2\n", {},
       "Duplicated independent value at  0.000000000000000e+00!"},
  };
  for (auto& c : cases) {
    Outcome o = RunKurvex("", c.data, c.args);
    EXPECT_EQ(o.run.Status, 1) << c.name;
    ASSERT_FALSE(o.log.empty()) << c.name;
    EXPECT_EQ(o.log.back(), c.lastLog) << c.name;
    EXPECT_NE(o.run.Err.find(c.lastLog), std::string::npos) << c.name;
  }
  Outcome one = RunKurvex("", "1 2\n");
  ASSERT_EQ(one.log.size(), 7u);
  EXPECT_EQ(one.log[1], alloc);
}

TEST(DataStops, UnreadableDataFile) {
  TempDir dir;
  WriteFile(dir / "kurvex.cfg", "[Kurvex]\nGraphGRXDriver=memory\n");
  ::mkdir((dir / "adir").c_str(), 0755);
  for (const char* name : {"missing.dat", "adir"}) {
    auto r = RunProgram(dir.Path(), {KURVEX_BINARY, name});
    EXPECT_EQ(r.Status, 1);
    auto log = ReadLines(dir / "kurvex.log");
    ASSERT_EQ(log.size(), 3u);
    EXPECT_EQ(log[1], std::string("Input file (") + name + ") cannot be read!");
    EXPECT_EQ(log[2], "Check the configuration file and/or the first command line parameter!");
    EXPECT_NE(r.Err.find("Stopped with error!"), std::string::npos);
  }
}

}  // namespace
