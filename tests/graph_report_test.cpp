// The two diagnostic screens: the mode report's text, from a made-up driver
// list and from the real program's log, and the colour chart, which reads
// no data file and whose cells are checked in a picture of the screen.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "config/settings.h"
#include "gfx/gfx.h"
#include "graph/colour_chart.h"
#include "graph/graphics_setup.h"
#include "graph/mode_report.h"
#include "graph_e2e_support.h"

namespace {

using graph::DriverEntry;
using graph::ModeReportLines;
using graphtest::kBanner;

const std::vector<std::string> kOpening = {
    "",
    "The required graphic mode cannot be initialized. Supported graphic modes for",
    "the available drivers are (BPP: color depth in bits, Width and Height:",
    "horizontal and vertical sizes of the graph given in pixels):",
    "",
    "BPP Width Height   BPP Width Height   BPP Width Height   BPP Width Height   "};
const std::vector<std::string> kClosing = {
    "Behind the driver name, (!) denotes that (besides the standard sizes) the",
    "driver allows to choose arbitrary width and height within the physical",
    "limitation of the graphics adapter and the RAM.",
    "",
    "Please, choose valid graphic driver and mode (i.e. correct BPP, width and",
    "height values) in the \"kurvex.cfg\" configuration file!",
    "",
    kBanner + " has stopped."};

std::string Cell(int32_t bpp, int32_t width, int32_t height) {
  char text[64];
  std::snprintf(text, sizeof text, "%3d %5dx%d        ", bpp, width, height);
  return std::string(text).substr(0, 19);
}

std::vector<std::string> Report(const std::vector<std::string>& blocks) {
  std::vector<std::string> lines = kOpening;
  lines.insert(lines.end(), blocks.begin(), blocks.end());
  lines.insert(lines.end(), kClosing.begin(), kClosing.end());
  return lines;
}

DriverEntry Driver(const std::string& name, bool anySize, int cells) {
  DriverEntry d{name, anySize, {}};
  for (int i = 0; i < cells; ++i) d.Modes.push_back({8, 640 + 160 * i, 480 + 120 * i});
  return d;
}

// ---- The report's text ------------------------------------------------------

TEST(ModeReport, CellsTitlesAndLineEnds) {
  const std::string a = Cell(8, 640, 480), b = Cell(8, 800, 600), c = Cell(8, 960, 720),
                    d = Cell(8, 1120, 840), e = Cell(8, 1280, 960);
  EXPECT_EQ(a, "  8   640x480      ");
  struct {
    std::vector<DriverEntry> drivers;
    std::vector<std::string> blocks;
  } cases[] = {
      // Four cells fill the line exactly: one line end, no empty line.
      {{Driver("win32", true, 4)},
       {std::string(24, ' ') + "*** Driver: win32 (!) ***", a + b + c + d}},
      {{Driver("win32", false, 5)},
       {std::string(26, ' ') + "*** Driver: win32 ***", a + b + c + d, e}},
      // Both drivers, in order; a driver without modes has its title only.
      {{Driver("win32", false, 1), Driver("memory", true, 0)},
       {std::string(26, ' ') + "*** Driver: win32 ***", a,
        std::string(24, ' ') + "*** Driver: memory (!) ***"}},
      // The label is held in 19 characters.
      {{Driver("a-driver-with-a-long-name", true, 0)},
       {std::string(9 + 45 - 35, ' ') + "*** Driver: a-driver-with-a-lon ***"}},
      {{}, {}},
  };
  for (const auto& t : cases) EXPECT_EQ(ModeReportLines(t.drivers), Report(t.blocks));
}

// A huge size still gives a 19-character cell.
TEST(ModeReport, WideCellsAreCut) {
  const auto lines = ModeReportLines({DriverEntry{"m", false, {{32, 123456, 1234567890}}}});
  EXPECT_EQ(lines.at(7), " 32 123456x12345678");
}

// ---- The report from the program ----------------------------------------------

// Without a display only the memory driver can be selected: its block holds
// every standard mode, and it accepts any size.
std::vector<std::string> MemoryDriverBlock() {
  EXPECT_TRUE(gfx::SetDriver(gfx::MemoryDriverName));
  std::vector<std::string> block = {std::string(24, ' ') + "*** Driver: memory (!) ***"};
  std::string line;
  int n = 0;
  for (const gfx::VideoMode& m : gfx::DriverModes()) {
    line += Cell(m.Bpp, m.Width, m.Height);
    if (++n % 4 == 0) block.push_back(line), line.clear();
  }
  if (!line.empty()) block.push_back(line);
  return block;
}

// A size no driver takes says why on a line of its own.
std::string Why(const std::string& size) {
  return "kurvex: GraphResolution " + size +
         ": a window has at least 6x70 and at most 32767 pixels a side and 33554432 in all\n";
}

TEST(ModeReport, WrittenToTheLogOnEveryModeStop) {
  const std::string stderrLine =
      "kurvex: The required graphic mode cannot be initialized; the supported modes are listed "
      "in the run log.\n";
  struct {
    const char* name;
    std::string cfg;
    int status;
    std::string err;
  } cases[] = {
      {"listing request", "GraphResolution=?\nGraphGRXDriver=?", 0, ""},
      {"unparsable size", "GraphGRXDriver=memory\nGraphResolution=640x", 1, stderrLine},
      {"no separator", "GraphGRXDriver=memory\nGraphResolution=640", 1, stderrLine},
      {"refused size", "GraphGRXDriver=memory\nGraphResolution=640x20", 1, Why("640x20") + stderrLine},
      {"too wide", "GraphGRXDriver=memory\nGraphResolution=100000x480", 1, Why("100000x480") + stderrLine},
      {"too many pixels", "GraphGRXDriver=memory\nGraphResolution=32767x1025", 1,
       Why("32767x1025") + stderrLine},
  };
  std::vector<std::string> expected = {kBanner + " has started ..."};
  const std::vector<std::string> report = Report(MemoryDriverBlock());
  expected.insert(expected.end(), report.begin(), report.end());
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    graphtest::Session s(c.cfg, graphtest::LineData(), false);
    const testutil::RunResult r = s.Run("");
    EXPECT_EQ(r.Status, c.status);
    EXPECT_EQ(r.Err, c.err);
    EXPECT_EQ(s.Lines("kurvex.log"), expected);
    EXPECT_FALSE(s.Has("kurvex.out"));
  }
}

// ---- The colour chart -----------------------------------------------------------

// The chart reads no data file, not even a missing one, and leaves only the
// log's first line; it is not shown for depths above 8 or without "yes".
TEST(ColourChart, ReadsNoDataFile) {
  struct {
    const char* cfg;
    bool chart;
  } cases[] = {
      {"GraphColorBits=4\nGetColorCodes=yes", true},
      {"GraphColorBits=8\nGetColorCodes=YES", true},
      {"GraphColorBits=1\nGetColorCodes=Yes", true},
      {"GraphColorBits=16\nGetColorCodes=yes", false},
      {"GraphColorBits=4\nGetColorCodes=no", false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.cfg);
    graphtest::Session s(std::string(c.cfg) + "\nInputFileName=missing.dat");
    const testutil::RunResult r = s.Run("x", {"missing.dat"});
    const auto log = s.Lines("kurvex.log");
    if (c.chart) {
      EXPECT_EQ(r.Status, 0);
      EXPECT_EQ(r.Err, "");
      EXPECT_EQ(log, std::vector<std::string>{kBanner + " has started ..."});
    } else {
      EXPECT_EQ(r.Status, 1);
      EXPECT_EQ(log.back(), "Check the configuration file and/or the first command line parameter!");
    }
  }
}

// Draws the chart in a child process, whose exit (after the one key) saves
// the screen as a PNG, since the chart never returns.
std::string ChartPicturePath;
void SaveScreenAtExit() { gfx::SavePng(gfx::ScreenContext(), ChartPicturePath); }

pngread::Image ChartPicture(int32_t depth, const std::string& path) {
  std::fflush(nullptr);  // nothing buffered is written twice
  const pid_t pid = ::fork();
  if (pid == 0) {
    ::alarm(20);
    config::Settings.GraphColorBits = depth;
    config::Settings.GraphWidth = 640;
    if (!gfx::SetDriver(gfx::MemoryDriverName)) ::_exit(3);
    graph::SetGraphicsMode(640, 480, depth);
    gfx::SetMemoryInputText("x");
    ChartPicturePath = path;
    std::atexit(SaveScreenAtExit);
    graph::ShowColourChart();
  }
  int status = 0;
  ::waitpid(pid, &status, 0);
  return pngread::ReadPng(path);
}

bool Near(const pngread::Pixel& p, const gfx::Rgb& want) {
  return std::abs(p.Red - want.Red) <= 3 && std::abs(p.Green - want.Green) <= 3 &&
         std::abs(p.Blue - want.Blue) <= 3;
}

// Where cell j of the 640 x 480 chart with G cells a row lies: its centre
// (M div 2G + M (j mod G) div G + 1, N (j div G) div G + N div 2G + 1) and
// its half sizes.
struct ChartCell {
  int32_t cx, cy, hx, hy;
};
ChartCell CellOf(int32_t j, int32_t G) {
  const int32_t M = 639, N = 479;
  return {M / (2 * G) + M * (j % G) / G + 1, N * (j / G) / G + N / (2 * G) + 1,
          M / (G == 4 ? 9 : 36) - 1, N / (G == 4 ? 9 : 36) - 1};
}

// Cell j is framed in black, filled with colour code j, and carries its
// number in black on white.
TEST(ColourChart, CellsShowTheirCodes) {
  testutil::TempDir dir;
  for (const int32_t depth : {4, 8}) {
    SCOPED_TRACE("depth " + std::to_string(depth));
    const pngread::Image image = ChartPicture(depth, dir / ("chart" + std::to_string(depth) + ".png"));
    ASSERT_EQ(image.Width, 640);
    const int32_t G = depth == 8 ? 16 : 4;
    const pngread::Pixel black{0, 0, 0}, white{255, 255, 255};
    EXPECT_EQ(image.At(0, 0), white);
    for (int32_t j = 0; j < G * G; ++j) {
      SCOPED_TRACE("code " + std::to_string(j));
      const auto [cx, cy, hx, hy] = CellOf(j, G);
      EXPECT_TRUE(Near(image.At(cx - hx, cy - hy), graph::DefaultPalette[j]));
      EXPECT_TRUE(Near(image.At(cx + hx, cy + hy), graph::DefaultPalette[j]));
      EXPECT_EQ(image.At(cx - hx - 1, cy), black);
      EXPECT_EQ(image.At(cx + hx + 1, cy), black);
      EXPECT_EQ(image.At(cx, cy - hy - 1), black);
      EXPECT_EQ(image.At(cx - hx - 2, cy), white);
      int32_t blacks = 0, whites = 0;
      for (int32_t y = cy - 4; y <= cy + 4; ++y)
        for (int32_t x = cx - 4; x <= cx + 4; ++x)
          blacks += image.At(x, y) == black, whites += image.At(x, y) == white;
      EXPECT_GT(blacks, 0);
      EXPECT_GT(whites, 0);
    }
  }
}

// What a colour key of this number draws: the plot's background in the
// program's own image with ColorBackground set to it.
pngread::Pixel KeyColour(int32_t depth, int32_t code) {
  graphtest::Session s("GraphColorBits=" + std::to_string(depth) +
                           "\nColorBackground=" + std::to_string(code),
                       graphtest::LineData());
  s.Run("F4 q");
  return pngread::ReadPng(s / "kurvi000.png").At(6, 6);
}

// Regression: at depths 1 and 2 the cells showed the colours the colour
// table allocated, not those the keys give (depth 1: cell 1 black, yet
// ColorText = 1 draws white; depth 2: cell 3 blue, yet a key of 3 draws
// white). Every cell the depth can show has the colour of a key of its
// number (at depth 8 a sample of them); the rest are black.
TEST(ColourChart, CellsShowWhatTheColourKeysDraw) {
  testutil::TempDir dir;
  const std::vector<int32_t> sample8 = {0, 9, 15, 16, 31, 100, 247, 255};
  for (const int32_t depth : {1, 2, 4, 8}) {
    SCOPED_TRACE("depth " + std::to_string(depth));
    const pngread::Image image =
        ChartPicture(depth, dir / ("keys" + std::to_string(depth) + ".png"));
    const int32_t G = depth == 8 ? 16 : 4;
    for (int32_t j = 0; j < G * G; ++j) {
      if (depth == 8 && std::find(sample8.begin(), sample8.end(), j) == sample8.end()) continue;
      SCOPED_TRACE("code " + std::to_string(j));
      const auto [cx, cy, hx, hy] = CellOf(j, G);
      const pngread::Pixel want =
          j <= config::MaxColourValue(depth) ? KeyColour(depth, j) : pngread::Pixel{0, 0, 0};
      EXPECT_EQ(image.At(cx - hx, cy - hy), want);
    }
  }
}

}  // namespace
