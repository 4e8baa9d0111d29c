// Hostile input end to end: huge lines and columns, NUL and binary files,
// and settings at and past every bound. Each run must end with its normal
// result or a clear stop (the message in the log and on standard error),
// never with a crash, a hang or a sanitizer report.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdint>
#include <string>
#include <vector>

#include "graph_e2e_support.h"

namespace {

using graphtest::Session;

const std::string kStopped = graphtest::kBanner + " has stopped.";
const std::string kNicely = graphtest::kBanner + " has stopped nicely.";
const std::string kTooFew = "The number of data is less than two!";

// Writes `head`, then `holeBytes` NUL bytes as a hole (no disk space, no
// time to write), then `tail`.
void WriteWithHole(const std::string& path, const std::string& head, off_t holeBytes,
                   const std::string& tail) {
  const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
  ASSERT_GE(fd, 0);
  ASSERT_EQ(::write(fd, head.data(), head.size()), static_cast<ssize_t>(head.size()));
  ASSERT_EQ(::lseek(fd, holeBytes, SEEK_CUR), static_cast<off_t>(head.size()) + holeBytes);
  ASSERT_EQ(::write(fd, tail.data(), tail.size()), static_cast<ssize_t>(tail.size()));
  ::close(fd);
}

// "x 0 0 ... 0 y": a line of `columns` values with x first and y last.
std::string WideLine(int32_t columns, int x, int y) {
  std::string line = std::to_string(x);
  line.reserve(static_cast<size_t>(columns) * 2 + 16);
  for (int32_t k = 2; k < columns; ++k) line += " 0";
  return line + " " + std::to_string(y) + "\n";
}

// The last line of standard error.
std::string LastErrLine(const std::string& err) {
  std::string e = err;
  while (!e.empty() && e.back() == '\n') e.pop_back();
  return e.substr(e.rfind('\n') == std::string::npos ? 0 : e.rfind('\n') + 1);
}

struct Outcome {
  testutil::RunResult run;
  std::vector<std::string> log;
};

Outcome RunSession(const Session& s, const std::string& script = "q",
            const std::vector<std::string>& args = {"d.dat"}) {
  Outcome o{s.Run(script, args), {}};
  o.log = s.Lines("kurvex.log");
  return o;
}

// The normal end, or the error stop with `stop` as the last line of the log
// and of standard error.
void ExpectEnding(const Outcome& o, int status, const std::string& lastLog) {
  EXPECT_EQ(o.run.Status, status) << o.run.Err;
  ASSERT_FALSE(o.log.empty());
  EXPECT_EQ(o.log.back(), lastLog);
  if (status == 0) {
    EXPECT_EQ(o.run.Err, "");
  } else if (lastLog != kStopped) {
    EXPECT_EQ(LastErrLine(o.run.Err), "kurvex: " + lastLog);
  }
}

// ---- Data files ------------------------------------------------------------

// One row of 100 MB: its values are read and the rest of the line is passed
// over in bounded memory; the rows around it are untouched.
TEST(ReliabilityAbuse, HundredMegabyteLine) {
  Session s("");
  WriteWithHole(s / "d.dat", "0 0\n1 1 ", 100 << 20, "\n2 4\n3 9\n");
  const Outcome o = RunSession(s, "F3 q");
  ExpectEnding(o, 0, kNicely);
  EXPECT_EQ(o.log.at(1).substr(0, 24), "Allocating X[1..4,1..1] ");
  EXPECT_EQ(graphtest::CalRows(s).size(), 1u);
}

// NUL bytes and arbitrary binary bytes are separators or parts of values
// that do not convert; neither can make a row of its own.
TEST(ReliabilityAbuse, NulAndBinaryFiles) {
  Session s("");
  WriteWithHole(s / "d.dat", "", 1 << 20, "");
  ExpectEnding(RunSession(s), 1, kTooFew);

  std::string binary(64 << 10, '\0');
  uint32_t state = 12345;
  for (char& c : binary) c = static_cast<char>((state = state * 1103515245u + 12345u) >> 24);
  testutil::WriteFile(s / "d.dat", binary);
  const Outcome o = RunSession(s, "F1 F3 2 q");
  ASSERT_TRUE(o.run.Status == 0 || o.run.Status == 1) << o.run.Status << o.run.Err;
  if (o.run.Status == 1) {  // no rows, or an X twice: a stop of its own, told as such
    const std::string last = o.log.back();
    EXPECT_TRUE(last == kTooFew || last.rfind("Duplicated independent value at ", 0) == 0) << last;
    ExpectEnding(o, 1, last);
  }
}

// A million columns on a line: the X and Y columns are found at both ends.
TEST(ReliabilityAbuse, MillionColumns) {
  Session s("ColumnY=1000000");
  testutil::WriteFile(s / "d.dat", WideLine(1000000, 1, 5) + WideLine(1000000, 2, 7));
  const Outcome o = RunSession(s, "F3 q");
  ExpectEnding(o, 0, kNicely);
  const auto rows = graphtest::CalRows(s);
  ASSERT_EQ(rows.size(), 1u);
  // The line through (1, 5) and (2, 7), at the cursor in the middle of the view.
  EXPECT_NEAR(static_cast<double>(rows[0][1]), 5 + 2 * (static_cast<double>(rows[0][0]) - 1), 1e-9);
}

// ---- Settings at and past their bounds ------------------------------------

struct SettingCase {
  const char* name;
  std::string cfg;
  std::vector<std::string> args;
  int status;
  std::string lastLog;
};

TEST(ReliabilityAbuse, SettingsAtTheirExtremes) {
  const std::vector<SettingCase> cases = {
      {"ColumnX 2147483647", "ColumnX=2147483647", {"d.dat"}, 1, kTooFew},
      {"ColumnX 2147483647 as argument", "", {"d.dat", "2147483647"}, 1, kTooFew},
      {"OmittedRows -2147483648 skips all", "OmittedRows=-2147483648", {"d.dat"}, 1, kTooFew},
      {"OmittedRows -2147483648 as argument skips none", "",
       {"d.dat", "1", "2", "-2147483648"}, 0, kNicely},
      {"MaxIteration $7FFFFFFF", "MaxIteration=$7FFFFFFF", {"d.dat"}, 0, kNicely},
      {"sizes one past the top",
       "SizeSymbol=255\nWidthLine=255\nWidthCalculus=255\nWidthXplace=255\nJumpSize=63\n"
       "MaxIteration=32001\nNumberDigits=21\nDisplayDigits=21\nGraphColorBits=33",
       {"d.dat"}, 0, kNicely},
      {"sizes one below the bottom",
       "SizeSymbol=0\nWidthLine=0\nWidthCalculus=0\nWidthXplace=0\nMaxIteration=9\n"
       "NumberDigits=0\nDisplayDigits=0\nGraphColorBits=0",
       {"d.dat"}, 0, kNicely},
      {"sizes at the top",
       "SizeSymbol=254\nWidthLine=254\nWidthCalculus=254\nWidthXplace=254\nJumpSize=62\n"
       "MaxIteration=32000\nNumberDigits=20\nDisplayDigits=20\nGraphColorBits=32",
       {"d.dat"}, 0, kNicely},
      {"window one past the widest", "GraphResolution=32768x100", {"d.dat"}, 1, kStopped},
      {"window one pixel past the largest", "GraphResolution=8193x4097", {"d.dat"}, 1, kStopped},
      {"window below the smallest", "GraphResolution=5x69", {"d.dat"}, 1, kStopped},
      {"GraphResolution 2147483647x2147483647", "GraphResolution=2147483647x2147483647",
       {"d.dat"}, 1, kStopped},
      {"GraphResolution -2147483648x-2147483648", "GraphResolution=-2147483648x-2147483648",
       {"d.dat"}, 1, kStopped},
      {"colour keys -2147483648, palette",
       "ColorBackground=-2147483648\nColorText=-2147483648\nColorSymbol=-2147483648\n"
       "ColorLine=-2147483648\nColorCalculus=-2147483648\nColorXplace=-2147483648\n"
       "ColorKeys=-2147483648",
       {"d.dat"}, 0, kNicely},
      {"colour keys -2147483648, 24 bits",
       "GraphColorBits=24\nColorBackground=-2147483648\nColorText=-2147483648\n"
       "ColorSymbol=-2147483648\nColorLine=-2147483648\nColorCalculus=-2147483648\n"
       "ColorXplace=-2147483648\nColorKeys=-2147483648",
       {"d.dat"}, 0, kNicely},
      {"JumpSize 0", "JumpSize=0", {"d.dat"}, 0, kNicely},
      {"JumpSize -32768", "JumpSize=-32768", {"d.dat"}, 0, kNicely},
      {"JumpSize -2147483648", "JumpSize=-2147483648", {"d.dat"}, 0, kNicely},
      {"SizingStep 1e4000", "SizingStep=1e4000", {"d.dat"}, 0, kNicely},
      {"SizingStep -1e4000", "SizingStep=-1e4000", {"d.dat"}, 0, kNicely},
      {"SizingStep 0.5", "SizingStep=0.5", {"d.dat"}, 0, kNicely},
      {"ErrorRatio past the data", "ErrorRatio=YES 2147483647", {"d.dat"}, 0, kNicely},
  };
  // Every command, clicks at the corners and far outside, so that each
  // setting meets every path that uses it.
  const std::string script =
      "F1 F2 F3 x X y Y b B left right up down 2 - ` 0 click 0 0 click 639 479 "
      "click 320 100 move 100 100 rclick 5000 5000 click -5 -5 F4 F2 F3 q";
  for (const SettingCase& c : cases) {
    SCOPED_TRACE(c.name);
    Session s(c.cfg, graphtest::SineData());
    ExpectEnding(RunSession(s, script, c.args), c.status, c.lastLog);
  }
}

// The fixed width of the result files holds whatever the number setting says.
TEST(ReliabilityAbuse, NumberWidthPastItsBoundsKeepsTheDefaultLayout) {
  Session s("NumberDigits=2147483647\nWriteCurve=no", graphtest::LineData());
  ExpectEnding(RunSession(s), 0, kNicely);
  const std::vector<std::string> out = s.Lines("kurvex.out");
  ASSERT_GE(out.size(), 6u);
  EXPECT_EQ(out[4].size(), 168u);  // twelve header cells of 14
  EXPECT_EQ(out[5].size(), 167u);  // twelve fields of 13 and their separators
}

}  // namespace
