// The user's files are never destroyed by a careless command line: a
// result file named like the data file or like another result file, a
// file name too long to be used whole, a misspelt key, a refit that fails.
// Each such run stops before it writes anything, or leaves the earlier
// result whole, and says why.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <string>
#include <vector>

#include "graph_e2e_support.h"

namespace {

using graphtest::Session;

// Runs on "d.dat" with `args` before it; the data file and an earlier
// kurvex.out must be untouched, and nothing else written, when `status` is 2.
TEST(UserFiles, RefusedCommandLinesWriteNothing) {
  const std::string longName = [] {
    std::string name;
    while (name.size() < 250) name += "./";
    return name + "d.dat.out";  // cut at 255 characters: the data file
  }();
  struct Case {
    std::vector<std::string> args;
    std::string err;  // the first line on standard error
  } cases[] = {
      {{"-c", "LogFileName=d.dat"}, "kurvex: LogFileName (d.dat) is the data file (d.dat): nothing was written"},
      {{"-c", "OutputFileName=./d.dat"}, "kurvex: OutputFileName (./d.dat) is the data file (d.dat): nothing was written"},
      {{"-c", "ReportFileName=sub/../d.dat"}, "kurvex: ReportFileName (sub/../d.dat) is the data file (d.dat): nothing was written"},
      {{"-c", "OutputFileName=same", "-c", "CalcDataFileName=same"},
       "kurvex: OutputFileName (same) and CalcDataFileName (same) are the same file: nothing was written"},
      {{"-c", "CalcDataFileName=kurvex.log"},
       "kurvex: LogFileName (kurvex.log) and CalcDataFileName (kurvex.log) are the same file: nothing was written"},
      {{"-c", "OutputFileName=" + longName}, "kurvex: OutputFileName: the file name is longer than 255 characters"},
      {{"-c", "ErorValue=0.5"}, "kurvex: -c ErorValue=0.5: no such key (did you mean ErrorValue?)"},
      {{"-c", "DecimalComma=yes", "-c", "ColumnSeparator=,"},
       "kurvex: DecimalComma = YES needs a ColumnSeparator other than a comma"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.err);
    Session s("", graphtest::LineData());
    testutil::WriteFile(s / "kurvex.out", "earlier\n");
    ::mkdir((s / "sub").c_str(), 0755);
    std::vector<std::string> args = c.args;
    args.push_back("d.dat");
    const testutil::RunResult r = s.Run("q", args);
    EXPECT_EQ(r.Status, 2);
    EXPECT_EQ(r.Err.substr(0, r.Err.find('\n')), c.err);
    EXPECT_EQ(s.Read("d.dat"), graphtest::LineData());
    EXPECT_EQ(s.Read("kurvex.out"), "earlier\n");
    EXPECT_FALSE(s.Has("kurvex.log"));
  }
  // Devices may be named twice: nothing of the user's is lost there.
  Session s("", graphtest::LineData());
  EXPECT_EQ(s.Run("F3 q", {"-c", "OutputFileName=/dev/null", "-c", "CalcDataFileName=/dev/null", "d.dat"}).Status, 0);
}

// Sigmas in units of Y read as millionths of the Y range give a curve
// through every point without a word: such a column, its unit unsaid, gets
// one line on standard error. In units of Y its values are the errors, as
// ErrorValue's is.
TEST(UserFiles, AnErrorColumnThatLooksLikeUnitsOfYIsQuestioned) {
  const std::string inY = "0 0 0.01\n1 1.3 0.02\n2 0.5 0.03\n3 1.1 0.02\n4 0.2 0.02\n";
  const std::string hint =
      "kurvex: the error column's values (0.01 to 0.03) look like units of Y, but are read as millionths "
      "of the Y range (1.3): set ErrorColumnUnit = Y if they are in units of Y\n";
  struct {
    std::string cfg;
    std::vector<std::string> args;
    std::string data, err;
  } cases[] = {
      {"ColumnError=3", {"d.dat"}, inY, hint},
      {"", {"d.dat", "1", "2", "0", "3"}, inY, hint},
      {"ColumnError=3\nErrorColumnUnit=millionths", {"d.dat"}, inY, ""},
      {"ColumnError=3\nErrorColumnUnit=Y", {"d.dat"}, inY, ""},
      {"ColumnError=3", {"d.dat"}, "0 0 5000\n1 1.3 20000\n2 0.5 9000\n", ""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.cfg + " " + c.args.back());
    Session s(c.cfg, c.data);
    const testutil::RunResult r = s.Run("q", c.args);
    EXPECT_EQ(r.Status, 0);
    EXPECT_EQ(r.Err, c.err);
  }
  const std::string constant = "0 0 0.02\n1 1.3 0.02\n2 0.5 0.02\n3 1.1 0.02\n4 0.2 0.02\n";
  Session column("ColumnError=3\nErrorColumnUnit=Y", constant), value("ErrorValue=0.02", constant);
  ASSERT_EQ(column.Run("q").Status, 0);
  ASSERT_EQ(value.Run("q").Status, 0);
  std::vector<std::string> a = column.Lines("kurvex.out"), b = value.Lines("kurvex.out");
  ASSERT_GT(a.size(), 2u);
  ASSERT_EQ(a.size(), b.size());
  EXPECT_EQ(a[1], "Task: d.dat x1 y2 r0 e3 .");
  a[1] = b[1];  // the task line names the column
  EXPECT_EQ(a, b);
}

// A refit that runs out of iterations stops the run as before, and the
// result of the fit before it stays in kurvex.out; a first fit that fails
// leaves the file of an earlier run.
TEST(UserFiles, AFailedFitLeavesTheEarlierResult) {
  std::string zigzag;
  for (int i = 0; i < 20; ++i) zigzag += std::to_string(i) + (i % 2 ? " -1\n" : " 1\n");
  Session s("MaxIteration=11\nErrorValue=0.5", zigzag);
  ASSERT_EQ(s.Run("q").Status, 0);
  const std::string first = s.Read("kurvex.out");
  EXPECT_EQ(s.Run("2 q").Status, 1);
  EXPECT_EQ(s.Read("kurvex.out"), first);
  s.SetConfig("MaxIteration=10\nErrorValue=1");
  EXPECT_EQ(s.Run("q").Status, 1);
  EXPECT_EQ(s.Read("kurvex.out"), first);
}

// A fit whose smoothing parameter overflows (X steps of 1e-800) cannot be
// mended by more iterations: the stop says so before its fixed line.
TEST(UserFiles, AnOverflowingFitSaysWhy) {
  Session s("ErrorValue=0.01", "0 0\n1e-800 2\n2e-800 1\n3e-800 3\n4e-800 2\n5e-800 4\n");
  const testutil::RunResult r = s.Run("q");
  EXPECT_EQ(r.Status, 1);
  const std::string reason =
      "Reason: the smoothing parameter left the range of numbers (X values or errors of an extreme "
      "scale); more iterations cannot help";
  EXPECT_EQ(r.Err, "kurvex: " + reason + "\nkurvex: 1000 iterations are not enough!\n");
  const std::vector<std::string> log = s.Lines("kurvex.log");
  ASSERT_GE(log.size(), 2u);
  EXPECT_EQ(std::vector<std::string>(log.end() - 2, log.end()),
            (std::vector<std::string>{reason, "1000 iterations are not enough!"}));
}

}  // namespace
