// The exported image checked pixel by pixel against where the layout and the
// world-to-screen mapping put things: frame, background, data points, the
// curve through the rows of the spline data file, the marks of its analysis
// lines, the cursor line, and nothing of the legend rows below.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <iterator>
#include <map>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "gfx/gfx.h"
#include "gfx_test_support.h"
#include "graph/graphics_setup.h"
#include "graph_e2e_support.h"

namespace {

using graphtest::Geometry;
using graphtest::Session;
using graphtest::View;
using pngread::Pixel;

// Screen pixel (x, y) of the image, which starts at screen column and row 1.
Pixel ScreenPixel(const pngread::Image& image, int32_t x, int32_t y) {
  return image.At(x - 1, y - 1);
}

std::string Rgb(const Pixel& p) {
  return "(" + std::to_string(p.Red) + "," + std::to_string(p.Green) + "," +
         std::to_string(p.Blue) + ")";
}

// Columns of the image that hold this colour somewhere, as screen columns.
std::set<int32_t> ColumnsWith(const pngread::Image& image, const Pixel& colour) {
  std::set<int32_t> columns;
  for (int32_t y = 0; y < image.Height; ++y)
    for (int32_t x = 0; x < image.Width; ++x)
      if (image.At(x, y) == colour) columns.insert(x + 1);
  return columns;
}

int32_t CountPixels(const pngread::Image& image, const Pixel& colour) {
  int32_t n = 0;
  for (int32_t y = 0; y < image.Height; ++y)
    for (int32_t x = 0; x < image.Width; ++x) n += image.At(x, y) == colour;
  return n;
}

// ---- Frame, background, size --------------------------------------------------

struct FrameCase {
  int32_t width, height, depth;
};

// The frame in the text colour around plot and value band with the line
// between them; the image ends at the fit-quality row (one row lower from
// a width of 800), so the legend, in the key colour, is not in it, and the
// "imaging..." notice (also in the key colour) was drawn after the copy.
TEST(GraphImage, FrameBackgroundAndSize) {
  for (const FrameCase c : {FrameCase{640, 480, 4}, FrameCase{800, 600, 24},
                            FrameCase{799, 600, 8}, FrameCase{570, 400, 16},
                            FrameCase{571, 400, 32}}) {
    SCOPED_TRACE(std::to_string(c.width) + "x" + std::to_string(c.height) + "x" +
                 std::to_string(c.depth));
    Session s("GraphResolution=" + std::to_string(c.width) + "x" + std::to_string(c.height) +
                  "\nGraphColorBits=" + std::to_string(c.depth),
              graphtest::LineData());
    ASSERT_EQ(s.Run("F4 q").Status, 0);
    const Geometry g = graphtest::GeometryFor(c.width, c.height);
    const pngread::Image image = pngread::ReadPng(s / "kurvi000.png");
    ASSERT_EQ(image.Width, g.M - 1);
    ASSERT_EQ(image.Height, g.StatusY + (c.width > 799 ? 1 : 0));
    const graphtest::Scheme colours = graphtest::DefaultScheme(c.depth);
    const int32_t bottom = g.PY1 + g.CharHeight + 3;
    int32_t wrongFrame = 0;
    for (int32_t x = 1; x <= g.M - 1; ++x)
      wrongFrame += !(ScreenPixel(image, x, 1) == colours.Text) +
                    !(ScreenPixel(image, x, bottom) == colours.Text);
    for (int32_t y = 1; y <= bottom; ++y)
      wrongFrame += !(ScreenPixel(image, 1, y) == colours.Text) +
                    !(ScreenPixel(image, g.M - 1, y) == colours.Text);
    for (int32_t x = g.PX0; x <= g.PX1; ++x)
      wrongFrame += !(ScreenPixel(image, x, g.PY1 + 1) == colours.Text);
    EXPECT_EQ(wrongFrame, 0);
    // The line data run from the bottom left to the top right: the other
    // two corners of the plot are empty.
    EXPECT_EQ(Rgb(ScreenPixel(image, g.PX0, g.PY0)), Rgb(colours.Background));
    EXPECT_EQ(Rgb(ScreenPixel(image, g.PX1, g.PY1)), Rgb(colours.Background));
    // Right of the fit-quality text, below the frame: background only.
    for (int32_t y = bottom + 1; y <= image.Height; ++y)
      for (int32_t x = g.M * 3 / 4; x <= g.M - 1; ++x)
        ASSERT_EQ(Rgb(ScreenPixel(image, x, y)), Rgb(colours.Background)) << x << "," << y;
    EXPECT_GT(CountPixels(image, colours.Symbol), 0);
    EXPECT_EQ(CountPixels(image, colours.Keys), 0) << "legend or notice in the image";
  }
}

// Colour keys replace the defaults when they fit the depth; a negative one
// is passed on (and shows as its low bits).
TEST(GraphImage, ColourKeys) {
  struct {
    const char* cfg;
    Pixel background, text;
  } cases[] = {
      {"GraphColorBits=4\nColorBackground=14", {252, 252, 84}, {0, 0, 0}},
      {"GraphColorBits=4\nColorBackground=16\nColorText=2", {255, 255, 255}, {0, 168, 0}},
      {"GraphColorBits=8\nColorBackground=9\nColorText=x", {84, 84, 252}, {0, 0, 0}},
      {"GraphColorBits=8\nColorBackground=256", {255, 255, 255}, {0, 0, 0}},
      {"GraphColorBits=24\nColorBackground=$102030\nColorText=-1", {16, 32, 48}, {255, 255, 255}},
      {"GraphColorBits=24\nColorBackground=16777216", {252, 252, 252}, {0, 0, 0}},
      {"GraphColorBits=1\nColorText=1\nColorBackground=0", {0, 0, 0}, {255, 255, 255}},
  };
  const Geometry g = graphtest::GeometryFor(640, 480);
  for (const auto& c : cases) {
    SCOPED_TRACE(c.cfg);
    Session s(c.cfg, graphtest::LineData());
    ASSERT_EQ(s.Run("F4 q").Status, 0);
    const pngread::Image image = pngread::ReadPng(s / "kurvi000.png");
    EXPECT_EQ(Rgb(ScreenPixel(image, g.PX0 + 5, g.PY0 + 5)), Rgb(c.background));
    EXPECT_EQ(Rgb(ScreenPixel(image, 1, 100)), Rgb(c.text));
  }
}

// At depth 8 a colour key names a colour number, which must show the colour
// that the colour chart shows for that code. Regression: allocation folded
// repeated colours (code 16 is black like code 0) into earlier entries, so
// every code from 17 on showed the colour of the code before it.
TEST(GraphImage, ColourKeyNumbersMatchTheChart) {
  const Geometry g = graphtest::GeometryFor(640, 480);
  for (const int32_t code : {15, 16, 17, 40, 100, 247}) {
    SCOPED_TRACE(code);
    Session s("GraphColorBits=8\nColorBackground=" + std::to_string(code), graphtest::LineData());
    ASSERT_EQ(s.Run("F4 q").Status, 0);
    const pngread::Image image = pngread::ReadPng(s / "kurvi000.png");
    const gfx::Rgb want = graph::DefaultPalette[code];
    const Pixel p = ScreenPixel(image, g.PX0 + 5, g.PY0 + 5);
    EXPECT_LE(std::abs(p.Red - want.Red) + std::abs(p.Green - want.Green) + std::abs(p.Blue - want.Blue), 9)
        << Rgb(p);
  }
}

// ---- Data points and the cursor --------------------------------------------------

// y = +-1 alternately with large errors: the curve is the straight line
// through the middle, far from every point, so each point's disc shows whole.
TEST(GraphImage, DataPointsAndCursorLine) {
  std::string data;
  for (int32_t i = 0; i <= 10; ++i) data += std::to_string(i) + (i % 2 ? " -1\n" : " 1\n");
  for (const int32_t depth : {4, 24}) {
    // Radius 7 reaches past the plot's edges: clipped there.
    for (const int32_t radius : {4, 7}) {
      SCOPED_TRACE("depth " + std::to_string(depth) + " radius " + std::to_string(radius));
      Session s("ErrorValue=1000\nShowCalculus=no\nGraphColorBits=" + std::to_string(depth) +
                    "\nSizeSymbol=" + std::to_string(radius),
                data);
      ASSERT_EQ(s.Run("F4 q").Status, 0);
      const Geometry g = graphtest::GeometryFor(640, 480);
      const View v = graphtest::InitialView(0, 10, -1, 1);
      const graphtest::Scheme colours = graphtest::DefaultScheme(depth);
      const pngread::Image image = pngread::ReadPng(s / "kurvi000.png");
      ASSERT_TRUE(image.Valid());
      const int32_t xs = graphtest::ScreenX(g, v, 5);  // the cursor, in the middle
      for (int32_t y = g.PY0; y <= g.PY1; ++y)
        ASSERT_EQ(Rgb(ScreenPixel(image, xs, y)), Rgb(colours.Xplace)) << "cursor row " << y;
      EXPECT_EQ(Rgb(ScreenPixel(image, xs - 1, g.PY0 + 1)), Rgb(colours.Background));
      for (int32_t i = 0; i <= 10; ++i) {
        const int32_t sx = graphtest::ScreenX(g, v, i), sy = graphtest::ScreenY(g, v, i % 2 ? -1 : 1);
        int32_t symbol = 0, disc = 0;
        for (int32_t dy = -radius; dy <= radius; ++dy)
          for (int32_t dx = -radius; dx <= radius; ++dx)
            if (dx * dx + dy * dy <= radius * radius + radius && sx + dx != xs &&
                sx + dx >= g.PX0 && sx + dx <= g.PX1 && sy + dy >= g.PY0 && sy + dy <= g.PY1) {
              ++disc;
              symbol += ScreenPixel(image, sx + dx, sy + dy) == colours.Symbol;
            }
        EXPECT_EQ(symbol, disc) << "point " << i << " at " << sx << "," << sy;
        // Just outside the disc, left and right: background.
        if (sx - radius - 1 >= g.PX0) {
          EXPECT_EQ(Rgb(ScreenPixel(image, sx - radius - 1, sy)), Rgb(colours.Background)) << i;
        }
        if (sx + radius + 1 <= g.PX1) {
          EXPECT_EQ(Rgb(ScreenPixel(image, sx + radius + 1, sy)), Rgb(colours.Background)) << i;
        }
        // The frame stays where a clipped disc would have reached it.
        EXPECT_EQ(Rgb(ScreenPixel(image, sx, sy < g.PY0 + radius ? g.PY0 - 1 : g.PY1 + 1)),
                  Rgb(colours.Text));
      }
      EXPECT_EQ(CountPixels(image, colours.Calculus), 0);
    }
  }
}

// ---- Curve and marks -------------------------------------------------------------

// What the spline data file says was drawn: the curve's points, and each
// mark with the cubic coefficient of its interval.
struct Mark {
  std::string kind;
  long double x, cubic;
};
struct Drawn {
  std::vector<std::pair<long double, long double>> curve;
  std::vector<Mark> marks;
};

Drawn ReadSplineFile(const Session& s) {
  Drawn d;
  const std::vector<std::string> lines = s.Lines("kurvex.out");
  size_t i = 4;
  for (; i < lines.size() && !lines[i].empty(); ++i) {
    const std::vector<long double> v = graphtest::Numbers(lines[i]);
    d.curve.emplace_back(v.at(0), v.at(1));
  }
  long double cubic = 0;
  for (i += 3; i < lines.size(); ++i) {
    const std::string& line = lines[i];
    const size_t at = line.find(" at x=");
    if (at == std::string::npos) {
      cubic = graphtest::Numbers(line).at(2);
      continue;
    }
    d.marks.push_back({line.substr(2, at - 2), std::strtold(line.c_str() + at + 6, nullptr), cubic});
  }
  return d;
}

// y = x^3 - 3x on [-2.5, 2.7] with the default (tiny) errors: a maximum near
// -1, a minimum near 1, inflections near 0 and at both ends (a natural
// spline has no curvature there). The window's middle, where the cursor
// stands, is 0.1, clear of the inflection's column.
std::string CubicData() {
  return graphtest::DataRows(21, [](int32_t i) { return -2.5L + 0.26L * i; },
                             [](long double x, int32_t) { return x * x * x - 3 * x; });
}

TEST(GraphImage, CurveAndMarks) {
  const std::string data = CubicData();
  // A curve one pixel wide passes exactly through the ends of its segments.
  Session s("WidthLine=1", data);
  ASSERT_EQ(s.Run("F4 q").Status, 0);
  const Geometry g = graphtest::GeometryFor(640, 480);
  const View v = graphtest::ViewOfData(data);
  const graphtest::Scheme colours = graphtest::DefaultScheme(4);
  const pngread::Image image = pngread::ReadPng(s / "kurvi000.png");
  ASSERT_TRUE(image.Valid());
  const Drawn drawn = ReadSplineFile(s);
  ASSERT_GT(drawn.curve.size(), 150u);
  ASSERT_EQ(drawn.marks.size(), 5u);

  // The marks: a vertical dashed line in the marks' colour from the plot's
  // edge to the curve, and no other column holds that colour.
  std::set<int32_t> markColumns;
  for (const Mark& m : drawn.marks) {
    SCOPED_TRACE(m.kind + " at " + std::to_string(static_cast<double>(m.x)));
    const int32_t sx = graphtest::ScreenX(g, v, m.x);
    markColumns.insert(sx);
    const bool fromTop = m.kind == "Maximum" || (m.kind == "Point of inflection" && m.cubic < 0);
    const int32_t edge = fromTop ? g.PY0 + 1 : g.PY1 - 1, dir = fromTop ? 1 : -1;
    // The curve's row there, near enough: the spline passes the points.
    const int32_t length = std::abs(graphtest::ScreenY(g, v, m.x * m.x * m.x - 3 * m.x) - edge);
    // Extremum: 6 pixels drawn, 6 skipped; inflection: 1 drawn, 5 skipped.
    const bool inflection = m.kind == "Point of inflection";
    const int32_t drawnRun = inflection ? 1 : 6, period = inflection ? 6 : 12;
    for (int32_t k = 0; k < length - 2; ++k) {
      const bool on = ScreenPixel(image, sx, edge + dir * k) == colours.Calculus;
      EXPECT_EQ(on, k % period < drawnRun) << "pixel " << k << " from the edge";
    }
    EXPECT_EQ(Rgb(ScreenPixel(image, sx, edge)), Rgb(colours.Calculus));
  }
  EXPECT_EQ(ColumnsWith(image, colours.Calculus), markColumns);

  // The curve passes through every point of its walk, except where a mark
  // or the cursor was drawn over it afterwards.
  const int32_t xs = graphtest::ScreenX(g, v, v.Xlow + v.Xrange / 2);
  int32_t checked = 0;
  for (const auto& [x, y] : drawn.curve) {
    const int32_t sx = graphtest::ScreenX(g, v, x), sy = graphtest::ScreenY(g, v, y);
    if (sx == xs || markColumns.count(sx)) continue;
    EXPECT_EQ(Rgb(ScreenPixel(image, sx, sy)), Rgb(colours.Line)) << "curve at " << sx << "," << sy;
    ++checked;
  }
  EXPECT_GT(checked, 100);

  // Without the marks the picture has none of their colour.
  s.SetConfig("WidthLine=1\nShowCalculus=no");
  s.Remove("kurvi000.png");
  ASSERT_EQ(s.Run("F4 q").Status, 0);
  const pngread::Image plain = pngread::ReadPng(s / "kurvi000.png");
  ASSERT_TRUE(plain.Valid());
  EXPECT_EQ(CountPixels(plain, colours.Calculus), 0);
  EXPECT_GT(CountPixels(plain, colours.Line), 0);

  // Nor with a significance no mark reaches, after the fit and after a
  // redraw of the view.
  s.SetConfig("WidthLine=1\nMarkSignificance=1e30");
  s.Remove("kurvi000.png");
  ASSERT_EQ(s.Run("F4 left right F4 q").Status, 0);
  EXPECT_TRUE(ReadSplineFile(s).marks.empty());
  for (const char* name : {"kurvi000.png", "kurvi001.png"})
    EXPECT_EQ(CountPixels(pngread::ReadPng(s / name), colours.Calculus), 0) << name;
}

// Constant Y: the view is a band around the value, so the points and the
// curve run across the middle of the plot.
TEST(GraphImage, ConstantDataAcrossTheMiddle) {
  Session s("", "0 5\n1 5\n2 5\n3 5\n");
  ASSERT_EQ(s.Run("F4 q").Status, 0);
  const Geometry g = graphtest::GeometryFor(640, 480);
  const View v = graphtest::InitialView(0, 3, 4.95L, 5.05L);  // 2% of 5, centred
  const graphtest::Scheme colours = graphtest::DefaultScheme(4);
  const pngread::Image image = pngread::ReadPng(s / "kurvi000.png");
  ASSERT_TRUE(image.Valid());
  const int32_t sy = graphtest::ScreenY(g, v, 5);
  EXPECT_EQ(sy, g.PY1 - (g.PH + 1) / 2);
  for (int32_t i = 0; i <= 3; ++i) {
    const int32_t sx = graphtest::ScreenX(g, v, i);
    EXPECT_EQ(Rgb(ScreenPixel(image, sx, sy)), Rgb(colours.Line)) << i;
    EXPECT_EQ(Rgb(ScreenPixel(image, sx, sy - 3)), Rgb(colours.Symbol)) << i;
    EXPECT_EQ(Rgb(ScreenPixel(image, sx, sy + 3)), Rgb(colours.Symbol)) << i;
  }
  EXPECT_EQ(Rgb(ScreenPixel(image, g.PX0 + 20, g.PY0 + 20)), Rgb(colours.Background));
}

// Screen columns whose plot rows differ between two pictures.
std::set<int32_t> ChangedPlotColumns(const pngread::Image& a, const pngread::Image& b,
                                     const Geometry& g) {
  std::set<int32_t> columns;
  for (int32_t y = g.PY0; y <= g.PY1; ++y)
    for (int32_t x = g.PX0; x <= g.PX1; ++x)
      if (!(ScreenPixel(a, x, y) == ScreenPixel(b, x, y))) columns.insert(x);
  return columns;
}

// A cursor step puts back the strip under the old line and draws the line
// at the new column: the plot differs from the first picture only in the
// columns of the two lines. A wide line (4 pixels: one left of its column,
// two right) is saved and put back whole.
TEST(GraphImage, CursorStepsRestoreThePicture) {
  const Geometry g = graphtest::GeometryFor(640, 480);
  const View v = graphtest::ViewOfData(CubicData());
  const int32_t xs = graphtest::ScreenX(g, v, v.Xlow + v.Xrange / 2);
  struct {
    const char* keys;
    int32_t width, newColumn;
  } cases[] = {{"F2 F2", 1, xs + 2},        {"F1 F2", 1, xs},
               {"F2 F2 F2 F1", 1, xs + 2},  {"F1 F1 F1 F1 F1", 4, xs - 5},
               {"F2 F2", 4, xs + 2},        {"click 100 100", 4, 100},
               {"click 600 100 click 100 100 F1", 1, 99}};
  std::map<int32_t, pngread::Image> first;  // by line width
  for (const int32_t width : {1, 4}) {
    Session s("WidthXplace=" + std::to_string(width), CubicData());
    s.Run("F4 q");
    first[width] = pngread::ReadPng(s / "kurvi000.png");
  }
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.keys) + " width " + std::to_string(c.width));
    Session s("WidthXplace=" + std::to_string(c.width), CubicData());
    s.Run(std::string(c.keys) + " F4 q");
    const pngread::Image moved = pngread::ReadPng(s / "kurvi000.png");
    ASSERT_TRUE(first[c.width].Valid() && moved.Valid());
    // Columns under the old line or the new one, but not both.
    const int32_t h = (c.width - 1) / 2;
    std::set<int32_t> lines;
    for (int32_t x = -h; x < c.width - h; ++x) lines.insert(xs + x);
    for (int32_t x = -h; x < c.width - h; ++x)
      if (!lines.insert(c.newColumn + x).second) lines.erase(c.newColumn + x);
    EXPECT_EQ(ChangedPlotColumns(first[c.width], moved, g), lines);
    for (int32_t y = g.PY0; y <= g.PY1; ++y)
      ASSERT_EQ(Rgb(ScreenPixel(moved, c.newColumn, y)), Rgb(graphtest::DefaultScheme(4).Xplace));
  }
}

// The mouse position shown at the right of the fit-quality row is erased
// before the picture is taken.
TEST(GraphImage, MousePositionIsNotInTheImage) {
  Session s("", CubicData());
  s.Run("F4 q");
  const std::string plain = s.Read("kurvi000.png");
  s.Remove("kurvi000.png");
  s.Run("move 300 200 F4 q");
  EXPECT_EQ(s.Read("kurvi000.png"), plain);
}

// ---- The cursor's value line -------------------------------------------------

// 40 points of a tiny, steep curve: every value at the cursor comes in
// exponent form, which gives the longest line of the default digits.
std::string ExponentData() {
  std::string rows;
  char line[64];
  for (int i = 0; i < 40; ++i) {
    std::snprintf(line, sizeof line, "%.6e %.6e\n", -2e-5 + i * 1e-6,
                  -1e-5 * (1 + 0.3 * std::sin(i / 3.0)));
    rows += line;
  }
  return rows;
}

using Points = std::set<std::pair<int32_t, int32_t>>;

// The screen points of `text` in `font` with its base line above row y,
// read from the font's bit tables, nothing clipped.
Points TextInk(const std::string& text, const gfx::Font* font, int32_t x, int32_t y) {
  Points ink;
  for (unsigned char ch : text) {
    for (int32_t r = 0; r < font->Height; ++r)
      for (int32_t c = 0; c < font->Widths[ch - 32]; ++c)
        if (gfxtest::GlyphBit(font, ch, r, c)) ink.insert({x + c, y - font->Baseline + r});
    x += font->Widths[ch - 32];
  }
  return ink;
}

// Regression: at 800 x 600 the line was cut inside its last number
// ("finite integral=-1.9521E-"), which reads as another number. At the
// narrowest windows of lucs15 and lucs21 and the widest of lucs11 the
// whole line is drawn, ending inside the plot's columns.
TEST(GraphImage, ValueLineInExponentFormFits) {
  const std::string line =
      "y(-5E-7)=-1.0645E-5; y'=-0.97661; y''=71366; y'''=1.0899E+11; finite integral=-1.9521E-10";
  for (const auto& [width, height] : {std::pair{570, 430}, {571, 430}, {640, 480}, {800, 600}}) {
    SCOPED_TRACE(width);
    Session s("GraphResolution=" + std::to_string(width) + "x" + std::to_string(height) +
                  "\nGraphColorBits=24\nErrorValue=0",
              ExponentData());
    ASSERT_EQ(s.Run("F4 q").Status, 0);
    const Geometry g = graphtest::GeometryFor(width, height);
    const gfx::Font* font =
        gfx::FindFont(width > 799 ? "lucs21" : width > 570 ? "lucs15" : "lucs11");
    const Points want = TextInk(line, font, g.PX0 + 1, g.N - 2 * g.CharHeight - 4);
    EXPECT_LE(std::prev(want.end())->first, g.PX1);
    const pngread::Image image = pngread::ReadPng(s / "kurvi000.png");
    const Pixel xplace = graphtest::DefaultScheme(24).Xplace;
    Points drawn;
    for (int32_t y = g.PY1 + 2; y <= g.PY1 + g.CharHeight + 2; ++y)
      for (int32_t x = 1; x <= g.M - 1; ++x)
        if (ScreenPixel(image, x, y) == xplace) drawn.insert({x, y});
    EXPECT_TRUE(drawn == want);
  }
}

// ---- Reviewed pictures --------------------------------------------------------

// Pictures whose every pixel was looked at and found right, kept as hashes
// of their pixels (made with the same data, keys and settings; the files
// are an image export).
TEST(GraphImage, ReviewedPictures) {
  struct Case {
    const char* name;
    std::string cfg, data, script;
    uint64_t hash;
  };
  const Case cases[] = {
      {"sine at 800x600, 24 bits, marks and cursor", "ErrorValue=0.25\nGraphResolution=800x600\nGraphColorBits=24",
       graphtest::SineData(), "F1 F1 F4 q", 1438796209565496897ull},
      {"line at 571x430, 4 bits, zoomed in", "GraphResolution=571x430", graphtest::LineData(),
       "x F2 F4 q", 12271692376321941740ull},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Session s(c.cfg, c.data);
    ASSERT_EQ(s.Run(c.script).Status, 0);
    const pngread::Image image = pngread::ReadPng(s / "kurvi000.png");
    ASSERT_TRUE(image.Valid());
    EXPECT_EQ(pngread::PixelHash(image), c.hash) << "look at the picture before taking its hash";
  }
}

}  // namespace
