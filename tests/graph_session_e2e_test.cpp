// The interactive graph driven end to end through the memory driver: the
// typical session, the cursor under keys and clicks, the legend words, pan
// and zoom, the results-pending rule, the image numbering and every error
// stop, each checked in the files the program leaves.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <set>
#include <string>
#include <vector>

#include "config/settings.h"
#include "driver/startup.h"
#include "gfx/gfx.h"
#include "graph/commands.h"
#include "graph/navigation.h"
#include "graph_e2e_support.h"

namespace {

using graphtest::CalRows;
using graphtest::ColumnX;
using graphtest::Session;
using graphtest::kBanner;

std::string AllocationLine(const std::string& array, int32_t lo, int32_t n, int32_t hi2) {
  std::string text = "Allocating " + array + "[" + std::to_string(lo) + ".." +
                     std::to_string(n) + "," + std::to_string(lo) + ".." +
                     std::to_string(hi2) + "] ";
  text.resize(38, '.');
  return text + "successful.";
}

std::vector<std::string> PngFiles(const std::string& dir) {
  std::vector<std::string> names;
  for (const auto& e : std::filesystem::directory_iterator(dir))
    if (e.path().extension() == ".png") names.push_back(e.path().filename().string());
  std::sort(names.begin(), names.end());
  return names;
}

void ExpectNear(long double got, long double want, const std::string& what) {
  EXPECT_LE(std::fabs(got - want), 1e-14L * std::max(1.0L, std::fabs(want)))
      << what << ": got " << static_cast<double>(got) << ", want " << static_cast<double>(want);
}

const graphtest::Geometry kVga = graphtest::GeometryFor(640, 480);
// The line data's view: X from -1 to 101, the cursor at 50, which maps to
// 317.5 pixels into the plot: the half rounds up, to column 320.
const graphtest::View kLineView = graphtest::InitialView(0, 100, 1, 201);
constexpr int32_t kLineXS = 320;

// ---- The typical session ----------------------------------------------------

// Errors doubled by "2", the cursor two steps left, two rows, one image, quit.
TEST(GraphSession, TypicalRun) {
  Session s("ErrorValue=0.25", graphtest::SineData());
  const testutil::RunResult r = s.Run("2 F1 F1 F3 F3 F4 q");
  EXPECT_EQ(r.Status, 0);
  EXPECT_EQ(r.Err, "");

  EXPECT_EQ(s.Lines("kurvex.log"),
            (std::vector<std::string>{kBanner + " has started ...", AllocationLine("X", 1, 21, 1),
                                      AllocationLine("Y", 1, 21, 1), AllocationLine("D", 1, 21, 1),
                                      AllocationLine("A", 0, 21, 4), AllocationLine("R", 0, 21, 6),
                                      "Sorting ...", kBanner + " has stopped nicely."}));

  // After "2" the spline data file is the one a run with doubled errors writes.
  const std::string afterTwo = s.Read("kurvex.out");
  s.Run("q");
  const std::string single = s.Read("kurvex.out");
  s.SetConfig("ErrorValue=0.5");
  s.Run("q");
  EXPECT_EQ(afterTwo, s.Read("kurvex.out"));
  EXPECT_NE(afterTwo, single);

  const std::vector<std::string> cal = s.Lines("kurvex.cal");
  ASSERT_EQ(cal.size(), 5u);
  EXPECT_EQ(cal[0], kBanner + " calculated the next user required values ");
  EXPECT_EQ(cal[1], "(with the \"d.dat x1 y2 r0 e0 \" parameters):");
  EXPECT_EQ(cal[2].size(), 84u);
  EXPECT_EQ(cal[3].size(), 83u);
  EXPECT_EQ(cal[3], cal[4]);
  // Two steps left of the middle of the X window, on a whole column.
  const graphtest::View view = graphtest::ViewOfData(graphtest::SineData());
  const int32_t xs = graphtest::ScreenX(kVga, view, view.Xlow + view.Xrange / 2);
  EXPECT_NEAR(static_cast<double>(graphtest::Numbers(cal[3])[0]),
              static_cast<double>(ColumnX(kVga, view, xs - 2)), 5e-6);

  EXPECT_EQ(PngFiles(s.Path()), std::vector<std::string>{"kurvi000.png"});
  const pngread::Image image = pngread::ReadPng(s / "kurvi000.png");
  EXPECT_EQ(image.Width, 638);
  EXPECT_EQ(image.Height, 464);
  EXPECT_EQ(image.BitDepth, 8);
  EXPECT_EQ(image.ColourType, 2);  // RGB
  EXPECT_EQ(image.Interlace, 0);
}

// ---- The cursor -------------------------------------------------------------

// Each F3 row's X, as the screen column the cursor stands on (or -1 for
// the cursor's initial place, X = 50 exactly, which is no column's X).
struct CursorCase {
  const char* name;
  const char* cfg;
  std::string script;
  std::vector<int32_t> columns;
};

std::string Repeat(const std::string& word, int times) {
  std::string s;
  for (int i = 0; i < times; ++i) s += word + " ";
  return s;
}

TEST(GraphSession, CursorStepsAndClicks) {
  using graphtest::Click;
  const int32_t plotRow = 100, bandRow = kVga.PY1 + 9, legendRow = kVga.N - 6;
  const std::vector<CursorCase> cases = {
      {"keys", "", "F3 F1 F3 F2 F2 F3 ctrl+left ctrl+left F3 ctrl+right F3", {-1, 319, 321, 319, 320}},
      // JumpSize 3: 10 pixels left is 3 steps; 2 pixels is no step, yet the
      // cursor is put back on its column; 7 pixels right is 2 steps. Clicks
      // in the value band and on the cursor's own column do nothing.
      {"clicks", "JumpSize=3",
       Click(322, plotRow) + " F3 " + Click(310, plotRow) + " F3 " + Click(313, plotRow) + " F3 " +
           Click(318, plotRow) + " F3 " + Click(200, bandRow) + " F3 " + Click(317, plotRow) + " F3",
       {320, 311, 311, 317, 317, 317}},
      // A click anywhere in the plot's rows, the top row too.
      {"click on the top row", "", Click(100, 0) + " F3", {100}},
      // The right click appends the row just as F3 does, wherever it is.
      {"right click", "", "F3 rclick 100 100 rclick 5 " + std::to_string(legendRow), {-1, -1, -1}},
      // 319 = 11 x 29: 28 steps left end on column 12 = PX0 + JumpSize - 1,
      // where a further step is refused.
      {"left edge", "JumpSize=11", Repeat("F1", 28) + "F3 F1 F3", {12, 12}},
      {"right edge", "JumpSize=5", Repeat("F2", 63) + "F3 F2 F3", {635, 635}},
      // JumpSize 0: no step moves, but a step (and a click, which then
      // divides by 1) still puts the cursor on its column.
      {"JumpSize 0", "JumpSize=0", "F3 F1 F3 " + Click(100, plotRow) + " F3 F2 F3", {-1, 320, 320, 320}},
      // A negative JumpSize is a pixel count too large for any step.
      {"JumpSize -1", "JumpSize=-1", "F1 F3 F2 F3 " + Click(100, plotRow) + " F3", {-1, -1, 320}},
      // At depth 2 the mouse is not used: clicks do nothing, keys still work.
      {"no mouse at depth 2", "GraphColorBits=2",
       Click(100, plotRow) + " rclick 5 5 F3 F1 F3", {-1, 319}},
  };
  for (const CursorCase& c : cases) {
    SCOPED_TRACE(c.name);
    Session s(std::string("NumberDigits=18\n") + c.cfg, graphtest::LineData());
    const testutil::RunResult r = s.Run(c.script + " q");
    EXPECT_EQ(r.Status, 0) << r.Err;
    const auto rows = CalRows(s);
    ASSERT_EQ(rows.size(), c.columns.size());
    for (size_t i = 0; i < rows.size(); ++i) {
      const long double x = c.columns[i] < 0 ? 50 : ColumnX(kVga, kLineView, c.columns[i]);
      ExpectNear(rows[i][0], x, "row " + std::to_string(i) + " X");
      // The fit of points on a line is the line: y = 2x + 1, integral from 0.
      ExpectNear(rows[i][1], 2 * x + 1, "Y");
      ExpectNear(rows[i][2], 2, "Der1");
      ExpectNear(rows[i][5], x * x + x, "Int");
    }
  }
}

// ---- The legend words ---------------------------------------------------------

// The legend's word columns, measured with the font of a 640-wide window.
struct WordColumns {
  int32_t xmin, xmax;
};

std::vector<WordColumns> LegendColumns() {
  gfx::TextOption text;
  text.TextFont = gfx::FindFont("lucs15");
  std::vector<WordColumns> words;
  int32_t x = 1 + gfx::StringWidth("active keys: ", text);
  const int32_t gap = gfx::CharWidth(',', text) + 2;
  const int last = graph::kKeyWords - 1;  // "q", after " and "
  for (int k = 0; k <= last; ++k) {
    if (k == last) x += gfx::StringWidth(" and ", text);
    const int32_t width = gfx::StringWidth(graph::kCommands[k].Word, text);
    words.push_back({x, x + width - 1});
    x += width + (k < last - 1 ? gap : 0);
  }
  return words;
}

// The memory driver's script word for a command's key: a character key is
// typed as itself ("Q" for the legend's "q"); the legend words of the
// others ("left", "F1") are the driver's names for their keys.
std::string ScriptWord(const graph::Command& c) {
  return c.Key < 256 ? std::string(1, static_cast<char>(c.Key)) : c.Word;
}

// How many of the commands are of one kind.
size_t CommandsOf(graph::CommandKind kind) {
  size_t n = 0;
  for (const graph::Command& c : graph::kCommands) n += c.Kind == kind;
  return n;
}

// Every word clicked does what its key does: the same rows, the same spline
// data file, the same images. Words are clicked on the legend row and, every
// other one, on the fit-quality row above it, which counts the same. After
// "q" nothing more is done.
TEST(GraphSession, LegendWordsActAsTheirKeys) {
  const std::vector<WordColumns> columns = LegendColumns();
  std::string keys, clicks;
  for (int k = 0; k < graph::kKeyWords; ++k) {
    const int32_t row = k % 2 == 0 ? kVga.N - 6 : kVga.StatusY - 4;
    const int32_t column = k % 3 == 0 ? columns[k].xmin : k % 3 == 1 ? columns[k].xmax
                                                        : (columns[k].xmin + columns[k].xmax) / 2;
    keys += ScriptWord(graph::kCommands[k]) + " F3 F4 ";
    clicks += graphtest::Click(column, row) + " F3 F4 ";
  }
  Session byKey("ErrorValue=0.3", graphtest::SineData());
  Session byClick("ErrorValue=0.3", graphtest::SineData());
  EXPECT_EQ(byKey.Run(keys).Status, 0);
  EXPECT_EQ(byClick.Run(clicks).Status, 0);

  // Every word but the last ("q") with F3 and F4 after it, plus the words
  // F3 and F4 themselves.
  const size_t followed = graph::kKeyWords - 1;
  EXPECT_EQ(CalRows(byKey).size(), followed + CommandsOf(graph::CommandKind::Values));
  const std::vector<std::string> images = PngFiles(byKey.Path());
  ASSERT_EQ(images.size(), followed + CommandsOf(graph::CommandKind::Image));
  std::set<std::string> distinct;
  for (const std::string& name : images) distinct.insert(byKey.Read(name));
  EXPECT_GT(distinct.size(), 15u) << "the keys should change the picture";

  EXPECT_EQ(byClick.Read("kurvex.cal"), byKey.Read("kurvex.cal"));
  EXPECT_EQ(byClick.Read("kurvex.out"), byKey.Read("kurvex.out"));
  EXPECT_EQ(PngFiles(byClick.Path()), images);
  for (const std::string& name : images) EXPECT_EQ(byClick.Read(name), byKey.Read(name)) << name;
  EXPECT_EQ(byClick.Lines("kurvex.log").back(), kBanner + " has stopped nicely.");
}

// Clicks between the words (on a comma, on the gap, before the first word,
// after "quit") are ignored.
TEST(GraphSession, ClicksBesideTheWordsAreIgnored) {
  const std::vector<WordColumns> columns = LegendColumns();
  const int32_t row = kVga.N - 6;
  std::string script;
  for (int32_t x : {columns[0].xmin - 1, columns[0].xmax + 1, columns[1].xmin - 1,
                    columns.back().xmax + 1, columns.back().xmax + 20, 0})
    script += graphtest::Click(x, row) + " ";
  Session clicked("", graphtest::SineData()), plain("", graphtest::SineData());
  EXPECT_EQ(clicked.Run(script + "F3 F4 q").Status, 0);
  plain.Run("F3 F4 q");
  EXPECT_EQ(clicked.Read("kurvex.cal"), plain.Read("kurvex.cal"));
  EXPECT_EQ(clicked.Read("kurvi000.png"), plain.Read("kurvi000.png"));
}

// ---- Factor keys ---------------------------------------------------------------

// After a factor key the spline data file is the one that a run starting
// with the scaled error values writes; "-" divides by the latest factor.
TEST(GraphSession, FactorKeysScaleTheErrors) {
  struct {
    const char* keys;
    const char* errorValue;
  } cases[] = {{"0", "0.125"}, {"1", "0.275"}, {"2", "0.5"},    {"5", "1.25"},
               {"9", "2.25"},  {"`", "0.2525"}, {"2 -", "0.25"}, {"3 1 -", "0.75"},
               {"-", "0.25"},  {"2 - -", "0.125"}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.keys);
    Session keyed("ErrorValue=0.25", graphtest::SineData());
    Session direct(std::string("ErrorValue=") + c.errorValue, graphtest::SineData());
    ASSERT_EQ(keyed.Run(std::string(c.keys) + " q").Status, 0);
    ASSERT_EQ(direct.Run("q").Status, 0);
    EXPECT_EQ(keyed.Read("kurvex.out"), direct.Read("kurvex.out"));
  }
}

// ---- Pan and zoom -------------------------------------------------------------

// After the keys the cursor (still at X = 50) stands on its column of the
// new view; one step right and one back give two columns' X values, which
// fix the view's X window.
struct ViewCase {
  const char* keys;
  const char* cfg;
  long double centre, range;  // of the X window afterwards
};

TEST(GraphSession, PanAndZoomMoveTheXWindow) {
  const long double r = 102;
  const std::vector<ViewCase> cases = {
      {"", "", 50, r},
      {"x", "", 50, r * 0.92L},
      {"x x", "", 50, r * 0.92L * 0.92L},
      {"x X", "", 50, r},
      {"X", "", 50, r / 0.92L},
      {"b B", "", 50, r},
      {"ctrl+up", "", 50, r * 0.92L},
      {"ctrl+up ctrl+down", "", 50, r},
      {"left", "", 50 + 0.04L * r, r},
      {"right right", "", 50 - 0.08L * r, r},
      {"y Y up down", "", 50, r},
      {"x x", "SizingStep=0.1", 50, r * 0.64L},
      {"left", "SizingStep=0.1", 50 + 0.1L * r, r},
  };
  // 641 pixels wide: the plot is 636 wide, so the centre falls on a whole
  // column and no rounding of a half decides the cursor's column.
  const graphtest::Geometry g = graphtest::GeometryFor(641, 480);
  for (const ViewCase& c : cases) {
    SCOPED_TRACE(std::string(c.keys) + " " + c.cfg);
    Session s(std::string("GraphResolution=641x480\nNumberDigits=18\n") + c.cfg,
              graphtest::LineData());
    ASSERT_EQ(s.Run(std::string(c.keys) + " F2 F3 F1 F3 q").Status, 0);
    const graphtest::View v{c.centre - c.range / 2, c.range, 0, 1};
    const int32_t xs = graphtest::ScreenX(g, v, 50);
    const auto rows = CalRows(s);
    ASSERT_EQ(rows.size(), 2u);
    ExpectNear(rows[0][0], ColumnX(g, v, xs + 1), "right of the cursor");
    ExpectNear(rows[1][0], ColumnX(g, v, xs), "on the cursor");
  }
}

// Pixels that differ between two images of the same size.
int32_t DifferentPixels(const pngread::Image& a, const pngread::Image& b) {
  int32_t n = 0;
  for (int32_t y = 0; y < a.Height; ++y)
    for (int32_t x = 0; x < a.Width; ++x) n += !(a.At(x, y) == b.At(x, y));
  return n;
}

// Keys that undo each other give back the picture. The view they leave may
// differ from the first in its last bits, which can move a curve point that
// lay on a pixel's edge; anything more is a view not restored.
TEST(GraphSession, ZoomAndPanUndone) {
  Session s("", graphtest::SineData());
  s.Run("F4 q");
  const pngread::Image before = pngread::ReadPng(s / "kurvi000.png");
  ASSERT_TRUE(before.Valid());
  for (const char* keys : {"x X", "y Y", "b B", "ctrl+up ctrl+down", "left right", "up down", "x"}) {
    s.Remove("kurvi000.png");
    s.Run(std::string(keys) + " F4 q");
    const pngread::Image after = pngread::ReadPng(s / "kurvi000.png");
    ASSERT_EQ(after.Width, before.Width);
    if (std::string(keys) == "x") {
      EXPECT_GT(DifferentPixels(before, after), 1000);
    } else {
      EXPECT_LE(DifferentPixels(before, after), 10) << keys;
    }
  }
}

// Pan and zoom redraw without writing results: were the spline data file
// rewritten after the zoom, its curve rows would follow the finer step. The
// next factor key writes it again, with the rows of the zoomed view.
TEST(GraphSession, ViewKeysDoNotRewriteTheResults) {
  Session s("ErrorValue=0.3", graphtest::SineData());
  s.Run("q");
  const std::string first = s.Read("kurvex.out");
  s.Run("x left right up down y Y b ctrl+up q");
  EXPECT_EQ(s.Read("kurvex.out"), first);

  s.Run("2 q");
  const std::string refit = s.Read("kurvex.out");
  s.Run("x 2 q");
  const std::string zoomedRefit = s.Read("kurvex.out");
  EXPECT_NE(refit, first);
  EXPECT_GT(zoomedRefit.size(), refit.size()) << "more curve rows at the finer step";
}

// The smallest windows the graphics layer sets still leave a plot of at
// least one pixel each way, and every command works in them; smaller ones
// are refused with the mode report.
TEST(GraphSession, SmallestWindows) {
  struct {
    const char* size;
    int status;
  } cases[] = {{"6x70", 0}, {"800x70", 0}, {"5x70", 1}, {"6x69", 1}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.size);
    Session s(std::string("GraphResolution=") + c.size + "\nJumpSize=-1",
              graphtest::SineData());
    const testutil::RunResult r = s.Run(
        "F1 F2 x X b B y Y left right up down click 3 3 click 3 60 move 3 3 rclick 3 3 2 - F3 F4 q");
    EXPECT_EQ(r.Status, c.status) << r.Err;
    EXPECT_EQ(s.Lines("kurvex.log").back(),
              kBanner + (c.status == 0 ? " has stopped nicely." : " has stopped."));
    if (c.status == 0) {
      EXPECT_TRUE(pngread::ReadPng(s / "kurvi000.png").Valid());
    }
  }
}

// ---- Images -------------------------------------------------------------------

TEST(GraphSession, ImageNumbering) {
  Session s("", graphtest::LineData());
  s.Run("F4 F4 q");
  EXPECT_EQ(PngFiles(s.Path()), (std::vector<std::string>{"kurvi000.png", "kurvi001.png"}));
  s.Remove("kurvi000.png");
  s.Run("F4 q");
  EXPECT_EQ(PngFiles(s.Path()), (std::vector<std::string>{"kurvi000.png", "kurvi001.png"}));

  // A base name with a folder is placed after the program's folder.
  ASSERT_EQ(::mkdir((s / "pictures").c_str(), 0755), 0);
  s.SetConfig("ImageBaseFileName=pictures/run");
  s.Run("F4 q");
  EXPECT_TRUE(s.Has("pictures/run000.png"));
}

// Images go beside the program file, not into the working folder.
TEST(GraphSession, ImagesGoBesideTheProgram) {
  Session program("", graphtest::LineData());
  testutil::TempDir work;
  testutil::WriteFile(work / "kurvex.cfg", "[Kurvex]\nGraphGRXDriver=memory\n");
  testutil::WriteFile(work / "d.dat", graphtest::LineData());
  const auto r = testutil::RunProgram(work.Path(), {program / "kurvex", "d.dat"}, "F4 q",
                                      program / "kurvex");
  EXPECT_EQ(r.Status, 0) << r.Err;
  EXPECT_TRUE(program.Has("kurvi000.png"));
  EXPECT_TRUE(PngFiles(work.Path()).empty());
  EXPECT_TRUE(testutil::FileExists(work / "kurvex.out"));
}

// An installed program's folder (a bin folder) takes no images: they go to
// the working folder, or to ImageFolder, or to an absolute base name, and
// standard error names each one, since the user would not look there.
TEST(GraphSession, ImagesOfAnInstalledProgramGoWhereTheUserWorks) {
  testutil::TempDir top;
  ASSERT_EQ(::mkdir((top / "bin").c_str(), 0755), 0);
  ASSERT_EQ(::mkdir((top / "pictures").c_str(), 0755), 0);
  ASSERT_EQ(::symlink(KURVEX_BINARY, (top / "bin/kurvex").c_str()), 0);
  testutil::WriteFile(top / "d.dat", graphtest::LineData());
  const struct {
    std::vector<std::string> Options;
    std::string Image;
  } cases[] = {
      {{}, top / "kurvi000.png"},
      {{"-c", "ImageFolder=pictures"}, "pictures/kurvi000.png"},
      {{"-c", "ImageBaseFileName=" + (top / "pictures/abs")}, top / "pictures/abs000.png"},
  };
  for (const auto& c : cases) {
    std::vector<std::string> argv = {top / "bin/kurvex", "--batch"};
    argv.insert(argv.end(), c.Options.begin(), c.Options.end());
    argv.push_back("d.dat");
    const auto r = testutil::RunProgram(top.Path(), argv, "F4 q", top / "bin/kurvex");
    EXPECT_EQ(r.Status, 0) << r.Err;
    EXPECT_EQ(r.Err, "kurvex: image saved as " + c.Image + "\n");
    EXPECT_TRUE(testutil::FileExists(c.Image[0] == '/' ? c.Image : top / c.Image)) << c.Image;
    EXPECT_TRUE(PngFiles(top / "bin").empty());
  }
}

// Empty files under all the names an image can have.
void TakeEveryImageNumber(const Session& s) {
  char name[32];
  for (int n = 0; n <= 999; ++n) {
    std::snprintf(name, sizeof name, "kurvi%03d.png", n);
    testutil::WriteFile(s / name, "");
  }
}

// With every number taken nothing is overwritten: the export is refused and
// the run goes on.
TEST(GraphSession, NoFreeImageNumber) {
  Session s("", graphtest::LineData());
  TakeEveryImageNumber(s);
  const testutil::RunResult r = s.Run("F4 F3 q");
  EXPECT_EQ(r.Status, 0) << r.Err;
  // Without a window only standard error can tell that nothing was saved.
  EXPECT_EQ(r.Err, "kurvex: no free image number: " + s.Path() + "/kurvi000.png to " + s.Path() +
                       "/kurvi999.png exist; no image saved\n");
  EXPECT_EQ(s.Read("kurvi999.png"), "");
  EXPECT_EQ(s.Read("kurvi000.png"), "");
  EXPECT_EQ(PngFiles(s.Path()).size(), 1000u);
  EXPECT_EQ(CalRows(s).size(), 1u);
  EXPECT_EQ(s.Lines("kurvex.log").back(), kBanner + " has stopped nicely.");
}

// Runs the program in a child process on the memory driver with the keys of
// `script` and saves its screen as it is when the run ends (the quit clears
// only the plot) to `picture`; the child's exit status.
std::string ScreenAtExitPath;
void SaveScreenAtExit() { gfx::SavePng(gfx::ScreenContext(), ScreenAtExitPath); }

int RunForScreen(const Session& s, const std::string& script, const std::string& picture) {
  std::fflush(nullptr);  // nothing buffered is written twice
  const pid_t pid = ::fork();
  if (pid == 0) {
    ::alarm(30);
    if (::chdir(s.Path().c_str()) != 0) ::_exit(126);
    config::SaveCommandLine({s / "kurvex", "d.dat"});
    gfx::SetMemoryInputText(script);
    ScreenAtExitPath = picture;
    std::atexit(SaveScreenAtExit);
    driver::StartUp();
    graph::RunInteractiveLoop();
    driver::NormalEnd();
  }
  int status = 0;
  ::waitpid(pid, &status, 0);
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

// Regression: the factor key's clearing stopped one row short of the
// lucs21 text cell, so the "g" of the refused export's notice left its
// descender on row StatusY + 1 after the refit. Nothing in the key colour
// stays above the legend's ink, which begins 2 rows into its cell.
TEST(GraphSession, NoticeGoesWithTheRefit) {
  Session s("GraphResolution=800x600\nGraphColorBits=24", graphtest::LineData());
  TakeEveryImageNumber(s);
  testutil::TempDir out;
  ASSERT_EQ(RunForScreen(s, "F4 2 q", out / "screen.png"), 0);
  const pngread::Image screen = pngread::ReadPng(out / "screen.png");
  ASSERT_EQ(screen.Height, 600);
  // The legend's base line is above row N - 4, lucs21's cell 17 rows higher.
  const int32_t legendInk = 599 - 4 - 17 + 2;
  const pngread::Pixel keys = graphtest::DefaultScheme(24).Keys;
  int32_t left = 0;
  for (int32_t y = 0; y < legendInk; ++y)
    for (int32_t x = 0; x < screen.Width; ++x) left += screen.At(x, y) == keys;
  EXPECT_EQ(left, 0);
}

// ---- Error stops ----------------------------------------------------------------

struct StopCase {
  const char* name;
  std::string cfg, data;
  std::vector<std::string> args;
  std::string script;
  bool memoryDriver;
  std::string lastLogLine, lastErrLine;
  int status;
};

std::string ZigZag(int32_t n) {
  std::string rows;
  for (int32_t i = 0; i < n; ++i) rows += std::to_string(i) + (i % 2 ? " -1\n" : " 1\n");
  return rows;
}

TEST(GraphSession, ErrorStops) {
  const std::string modeStop =
      "kurvex: The required graphic mode cannot be initialized; the supported modes are listed "
      "in the run log.";
  const std::string line = graphtest::LineData();
  const std::vector<StopCase> cases = {
      {"missing data file", "", line, {"missing.dat"}, "", true,
       "Check the configuration file and/or the first command line parameter!",
       "Check the configuration file and/or the first command line parameter!", 1},
      {"one row", "", "1 2\n", {"d.dat"}, "", true, "The number of data is less than two!",
       "kurvex: The number of data is less than two!", 1},
      {"duplicated X", "", "1.5 2\n0 1\n1.5 3\n", {"d.dat"}, "", true,
       "Duplicated independent value at  1.500000000000000e+00!",
       "kurvex: Duplicated independent value at  1.500000000000000e+00!", 1},
      // The zig-zag needs 12 iterations with these error values.
      {"iteration limit", "MaxIteration=10\nErrorValue=1", ZigZag(20), {"d.dat"}, "", true,
       "10 iterations are not enough!", "kurvex: 10 iterations are not enough!", 1},
      {"iteration limit after a key", "MaxIteration=11\nErrorValue=0.5", ZigZag(20), {"d.dat"},
       "2 q", true, "11 iterations are not enough!", "kurvex: 11 iterations are not enough!", 1},
      {"image not written", "ImageBaseFileName=missing/img", line, {"d.dat"}, "F4 q", true,
       "The image file creating has failed!", "", 1},
      {"mode refused", "GraphResolution=5x5", line, {"d.dat"}, "", true,
       kBanner + " has stopped.", modeStop, 1},
      {"resolution unparsable", "GraphResolution=640*480", line, {"d.dat"}, "", true,
       kBanner + " has stopped.", modeStop, 1},
      {"no window without a display", "GraphGRXDriver=win32", line, {"d.dat"}, "", false,
       kBanner + " has stopped.", modeStop, 1},
      {"normal end", "", line, {"d.dat"}, "q", true, kBanner + " has stopped nicely.", "", 0},
  };
  for (const StopCase& c : cases) {
    SCOPED_TRACE(c.name);
    Session s(c.cfg, c.data, c.memoryDriver);
    const testutil::RunResult r = s.Run(c.script, c.args);
    EXPECT_EQ(r.Status, c.status);
    EXPECT_EQ(s.Lines("kurvex.log").back(), c.lastLogLine);
    std::vector<std::string> err;
    for (size_t start = 0, nl; (nl = r.Err.find('\n', start)) != std::string::npos; start = nl + 1)
      err.push_back(r.Err.substr(start, nl - start));
    if (c.status == 0) {
      EXPECT_EQ(r.Err, "");
    } else if (!c.lastErrLine.empty()) {
      ASSERT_FALSE(err.empty());
      EXPECT_EQ(err.back(), c.lastErrLine);
    } else {
      ASSERT_FALSE(err.empty());
      EXPECT_EQ(err.back().rfind("kurvex: " + c.lastLogLine, 0), 0u) << err.back();
    }
  }
}

// The unreadable data file is told in the message box (the memory
// driver's is standard error), once, before the two log lines.
TEST(GraphSession, DataFileStopShowsTheMessage) {
  Session s("", "");
  const testutil::RunResult r = s.Run("", {"missing.dat"});
  EXPECT_EQ(r.Err, "Stopped with error!\n\nInput file (missing.dat) cannot be read!\n"
                   "Reason: No such file or directory\n"
                   "Check the configuration file and/or the first command line parameter!\n");
  const auto log = s.Lines("kurvex.log");
  ASSERT_EQ(log.size(), 4u);
  EXPECT_EQ(log[1], "Input file (missing.dat) cannot be read!");
}

}  // namespace
