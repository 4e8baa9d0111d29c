// Regression tests of what the fuzzing and the fault injection found. Each
// says what went wrong; the inputs are also kept in fuzz/corpus (replayed
// by every test run).
#include <gtest/gtest.h>
#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <cmath>
#include <string>
#include <vector>

#include "gfx/gfx.h"
#include "graph_e2e_support.h"
#include "base/number_format.h"

namespace {

using graphtest::Session;

const std::string kNicely = graphtest::kBanner + " has stopped nicely.";

std::vector<std::string> FilesIn(const std::string& dir) {
  std::vector<std::string> names;
  if (DIR* d = ::opendir(dir.c_str())) {
    while (const dirent* e = ::readdir(d))
      if (e->d_name[0] != '.') names.emplace_back(e->d_name);
    ::closedir(d);
  }
  std::sort(names.begin(), names.end());
  return names;
}

// The curve walk shrank its step without limit: where knots a hair apart
// make the spline swing far outside the view, and after a deep zoom (300
// presses of "x"), a single pass took hours and a refit wrote its rows
// without end. A pass that only draws walks the part in view, and every
// walk ends at X[n] after a bounded number of points (a million for a
// picture; the bound of a walk that writes rows is tried in CurveWalk).
TEST(ReliabilityFindings, SteepCurvesAndDeepZoomsStayBounded) {
  struct {
    const char* name;
    std::string cfg, data, script;
  } cases[] = {
      {"knots 1e-15 apart", "ErrorValue=0\nWriteCurve=no", "0 0\n1e-15 1\n1 0\n2 1\n3 0\n", "x X q"},
      {"300 zooms, then a refit", "WriteCurve=no", graphtest::SineData(), ""},
  };
  for (int i = 0; i < 300; ++i) cases[1].script += "x ";
  cases[1].script += "F2 F3 2 q";
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    Session s(c.cfg, c.data);
    const testutil::RunResult r = s.Run(c.script);
    EXPECT_EQ(r.Status, 0) << r.Err;
    EXPECT_EQ(s.Lines("kurvex.log").back(), kNicely);
    EXPECT_GT(s.Lines("kurvex.out").size(), 5u);
  }
}

// A copy of the whole screen went through a buffer of its own size, which
// a large window under a memory limit could not have (an uncaught exception
// ended the run; see ReliabilityMemory). The copy now moves row by row; within
// one context it must still see every pixel before it is overwritten, in
// whichever direction the rectangle moves.
TEST(ReliabilityFindings, OverlappingCopyWithinOneContextInEveryDirection) {
  ASSERT_TRUE(gfx::SetDriver(gfx::MemoryDriverName));
  ASSERT_TRUE(gfx::SetMode(640, 480, 32));
  constexpr int32_t W = 7, H = 6;
  gfx::Context* c = gfx::CreateContext(W, H);
  ASSERT_NE(c, nullptr);
  for (int32_t dy = -3; dy <= 3; ++dy)
    for (int32_t dx = -3; dx <= 3; ++dx) {
      gfx::SetContext(c);
      for (int32_t y = 0; y < H; ++y)
        for (int32_t x = 0; x < W; ++x) gfx::FilledBox(x, y, x, y, y * W + x + 1);
      std::vector<int32_t> want(W * H);
      for (int32_t y = 0; y < H; ++y)
        for (int32_t x = 0; x < W; ++x) {
          const int32_t sx = x - dx, sy = y - dy;  // the rectangle 1..5 x 1..4 moves by (dx, dy)
          const bool moved = sx >= 1 && sx <= 5 && sy >= 1 && sy <= 4;
          want[y * W + x] = moved ? sy * W + sx + 1 : y * W + x + 1;
        }
      gfx::BitBlt(c, 1 + dx, 1 + dy, c, 1, 1, 5, 4);
      for (int32_t y = 0; y < H; ++y)
        for (int32_t x = 0; x < W; ++x)
          ASSERT_EQ(gfx::PixelAt(c, x, y), want[y * W + x]) << "move " << dx << "," << dy << " at " << x << "," << y;
    }
  gfx::DestroyContext(c);
}

// Widths within a few characters of the most negative integer overflowed
// while the padding was worked out (undefined behaviour, then a string of
// some 2^64 characters): the fuzz inputs are in fuzz/corpus/number_format/.
TEST(ReliabilityFindings, ExponentFormWithTheMostNegativeWidth) {
  EXPECT_EQ(base::FormatExponent(1.5L, INT32_MIN), " 1.5e+00");
  EXPECT_EQ(base::FormatExponent(0.0L / 0.0L, INT32_MIN), " NaN");
  EXPECT_EQ(base::IntText(5, INT32_MIN), "5");
}

// A knot near 7e4002 among knots from 10 to 60 gives curve rows whose values
// lie near 1e-4003 and 1e+4002. Each such number took some 25 microseconds to
// format (400 times an ordinary one), so the first pass over 65536 rows took
// seconds, and under the sanitizers longer than the fuzzer's 20-second step
// limit. The decimal scaling of such values is now a table search (large
// ones) or a certified product with the nearest power of ten (small ones).
// The fuzz input is fuzz/corpus/whole_run/extreme_exponents_slow_format.
// (Without a floor under its step, the walk over this curve now runs into
// its bound of 2^24 rows, more than a gigabyte: the run here writes the
// segment table of those values and draws the curve.)
TEST(ReliabilityFindings, ExtremeExponentsFormatQuickly) {
  Session s("WriteCurve=no", "10 21\n20 1\n50 101\n60 121\n701e4000 141\n");
  const testutil::RunResult r = testutil::RunProgram(s.Path(), {s / "kurvex", "d.dat"}, "q", s / "kurvex", 10);
  EXPECT_EQ(r.Status, 0) << r.Err;
}

// Error values so large that their squares pass the largest extended real
// made the fit's sums infinite: the run stopped with "1000 iterations are
// not enough!" instead of giving the straight line that large errors mean.
// Beyond the range of its sums the fit now forms that line directly.
TEST(ReliabilityFindings, HugeErrorValuesGiveTheStraightLine) {
  Session s("ErrorValue=1e4000", graphtest::SineData());
  const testutil::RunResult r = s.Run("q");
  EXPECT_EQ(r.Status, 0) << r.Err;
  EXPECT_EQ(s.Lines("kurvex.log").back(), kNicely);
}

// The spline data file was emptied when it was opened for rewriting, so a
// write that failed (a full disk; here a file-size limit) lost the earlier
// result with the new one. A temporary file now replaces the old one only
// when it is complete, and is removed when it fails.
TEST(ReliabilityFindings, EarlierResultSurvivesAFailedRewrite) {
  // A limit of a few kilobytes lets the log through but not the result; a
  // long file is written by a second thread, whose failure is reported too.
  // The limit's signal does not end the run: the failed write is reported.
  for (const int32_t rows : {0, 20000}) {
    SCOPED_TRACE(rows);
    Session s("", rows == 0 ? graphtest::SineData()
                            : graphtest::DataRows(rows, [](int32_t i) -> long double { return i; },
                                                  [](long double x, int32_t) { return std::sin(x); }));
    testutil::WriteFile(s / "kurvex.out", "earlier\n");
    const testutil::RunResult r = testutil::RunProgram(
        s.Path(), {"/bin/sh", "-c", "ulimit -f 8; exec \"$0\" d.dat", s / "kurvex"},
        "q", "/bin/sh", 30);
    EXPECT_EQ(r.Status, 2) << r.Err;
    EXPECT_EQ(r.Err, "kurvex: kurvex.out: File too large\n");
    EXPECT_EQ(s.Read("kurvex.out"), "earlier\n");
    EXPECT_EQ(FilesIn(s.Path()), (std::vector<std::string>{"d.dat", "kurvex", "kurvex.cfg", "kurvex.log", "kurvex.out"}));
  }
  Session s("", graphtest::SineData());
  testutil::WriteFile(s / "kurvex.out", "earlier\n");
  // A rewrite that succeeds keeps the old file's permissions, and so does
  // the required-values file, which replaces its predecessor at its first row.
  ASSERT_EQ(::chmod((s / "kurvex.out").c_str(), 0640), 0);
  testutil::WriteFile(s / "kurvex.cal", "earlier\n");
  ASSERT_EQ(::chmod((s / "kurvex.cal").c_str(), 0604), 0);
  // A file with a second name is written in place, so both names keep
  // showing the same, newest text.
  ASSERT_EQ(::link((s / "kurvex.cal").c_str(), (s / "linked.cal").c_str()), 0);
  ASSERT_EQ(s.Run("F3 q").Status, 0);
  for (const auto& [name, mode] : {std::pair{"kurvex.out", 0640}, std::pair{"kurvex.cal", 0604}}) {
    struct stat st;
    ASSERT_EQ(::stat((s / name).c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, static_cast<mode_t>(mode)) << name;
    EXPECT_NE(s.Read(name), "earlier\n") << name;
  }
  EXPECT_EQ(s.Read("linked.cal"), s.Read("kurvex.cal"));
  EXPECT_EQ(FilesIn(s.Path()).size(), 7u);
}

// A configuration candidate that is a device or a FIFO was read as a file:
// /dev/zero without end, a FIFO by waiting for a writer. Only regular files
// are candidates now; the next candidate (the program's directory) is used.
TEST(ReliabilityFindings, ConfigurationThatIsNoRegularFileIsSkipped) {
  for (const char* kind : {"device", "fifo"}) {
    SCOPED_TRACE(kind);
    testutil::TempDir dir;
    ::mkdir((dir / "prog").c_str(), 0755);
    ASSERT_EQ(::symlink(KURVEX_BINARY, (dir / "prog/kurvex").c_str()), 0);
    testutil::WriteFile(dir / "prog/kurvex.cfg", "[Kurvex]\nGraphGRXDriver=memory\n");
    testutil::WriteFile(dir / "d.dat", graphtest::LineData());
    if (std::string(kind) == "device")
      ASSERT_EQ(::symlink("/dev/zero", (dir / "kurvex.cfg").c_str()), 0);
    else
      ASSERT_EQ(::mkfifo((dir / "kurvex.cfg").c_str(), 0644), 0);
    const testutil::RunResult r =
        testutil::RunProgram(dir.Path(), {dir / "prog/kurvex", "d.dat"}, "q", dir / "prog/kurvex", 30);
    EXPECT_EQ(r.Status, 0) << r.Err;
    EXPECT_EQ(testutil::ReadLines(dir / "kurvex.log").back(), kNicely);
  }
}

// A data file that is no regular file cannot be read twice (once to count
// the rows, once to read them): /dev/zero was counted without end, a FIFO
// waited for a second writer, and a pipe's rows were counted and then lost,
// so that the run stopped with "The number of data is less than two!".
TEST(ReliabilityFindings, DataFileThatIsNoRegularFileIsRefused) {
  Session s("", graphtest::LineData());
  ASSERT_EQ(::mkfifo((s / "fifo").c_str(), 0644), 0);
  for (const char* name : {"/dev/zero", "fifo", "/dev/stdin"}) {
    SCOPED_TRACE(name);
    // The pipe: the data file's rows come through standard input.
    const testutil::RunResult r = testutil::RunProgram(
        s.Path(), {"/bin/sh", "-c", "cat d.dat | \"$0\" \"$1\"", s / "kurvex", name}, "",
        "/bin/sh", 10);
    EXPECT_EQ(r.Status, 1) << r.Err;
    const std::vector<std::string> log = s.Lines("kurvex.log");
    ASSERT_GE(log.size(), 2u);
    EXPECT_EQ(log[1], std::string("Input file (") + name + ") cannot be read!");
  }
}

}  // namespace
