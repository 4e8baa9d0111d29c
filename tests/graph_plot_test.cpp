// The plot's mapping and legend in process: rounding to pixels (halves away
// from zero, far-off and non-finite values clamped), the initial view of
// constant data, and the legend's word columns with the key each one gives.
#include <gtest/gtest.h>

#include <cfloat>
#include <cmath>
#include <limits>
#include <string>

#include "gfx/gfx.h"
#include "gfx_test_support.h"
#include "graph/commands.h"
#include "graph/graph_state.h"
#include "graph/graphics_setup.h"
#include "graph/navigation.h"
#include "graph/plot.h"
#include "graph/view.h"

namespace {

constexpr long double kInf = std::numeric_limits<long double>::infinity();
constexpr long double kNaN = std::numeric_limits<long double>::quiet_NaN();

TEST(GraphMapping, RoundToPixel) {
  struct {
    long double v;
    int32_t want;
  } cases[] = {
      {0, 0},           {0.5L, 1},       {-0.5L, -1},     {1.5L, 2},        {-1.5L, -2},
      {2.5L, 3},        {-2.5L, -3},     {2.25L, 2},      {-2.75L, -3},
      {999999999.5L, 1000000000},        {-999999999.5L, -1000000000},
      // Beyond a billion pixels everything lands far outside any plot.
      {1e9L + 1, 1000000000},            {-1e9L - 1, -1000000000},
      {4294967296.5L, 1000000000},       {1e300L, 1000000000},
      {LDBL_MAX, 1000000000},            {-LDBL_MAX, -1000000000},
      {kInf, 1000000000},                {-kInf, -1000000000},
      {kNaN, 0},                         {-kNaN, 0},
  };
  for (const auto& c : cases)
    EXPECT_EQ(graph::RoundToPixel(c.v), c.want) << static_cast<double>(c.v);
}

// A deep zoom, a degenerate view and non-finite values still give
// coordinates, never an out-of-range conversion.
TEST(GraphMapping, ExtremeViews) {
  graph::GraphLayoutRecord saved = graph::Layout;
  graph::ViewWindowRecord savedView = graph::ViewWindow;
  graph::Layout.PX0 = 2, graph::Layout.PW = 635, graph::Layout.PY1 = 431, graph::Layout.PH = 429;
  graph::ViewWindow = {0, 1e-4000L, 0, 1e-4000L, 0};
  EXPECT_EQ(graph::ToScreenX(1), 2 + 1000000000);
  EXPECT_EQ(graph::ToScreenX(-1), 2 - 1000000000);
  EXPECT_EQ(graph::ToScreenY(1), 431 - 1000000000);
  EXPECT_EQ(graph::ToScreenX(0), 2);
  EXPECT_EQ(graph::ToScreenX(kNaN), 2);
  graph::ViewWindow = {0, 0, -kInf, kInf, 0};
  EXPECT_EQ(graph::ToScreenX(1), 2 + 1000000000);
  EXPECT_EQ(graph::ToScreenX(0), 2);  // 0 / 0
  EXPECT_EQ(graph::ToScreenY(5), 431);  // inf / inf
  graph::Layout = saved;
  graph::ViewWindow = savedView;
}

// Constant Y gets a band of 2% of the value (or 1 around 0) centred on it.
TEST(GraphMapping, InitialViewOfConstantData) {
  const long double X[4] = {0, 0, 2, 4};  // X[1..3]; element 0 is not used
  struct {
    long double y, range;
  } cases[] = {{5, 0.1L}, {-3, 0.06L}, {0, 1}, {1e-30L, 2e-32L}};
  for (const auto& c : cases) {
    graph::InitialView(3, X, c.y, c.y);
    const graph::ViewWindowRecord& v = graph::ViewWindow;
    EXPECT_NEAR(static_cast<double>(v.Yrange / c.range), 1, 1e-15) << static_cast<double>(c.y);
    EXPECT_NEAR(static_cast<double>((v.Ylow + v.Yrange / 2 - c.y) / c.range), 0, 1e-15);
    EXPECT_NEAR(static_cast<double>(v.Xlow), -0.04, 1e-15);
    EXPECT_NEAR(static_cast<double>(v.Xrange), 4.08, 1e-15);
    EXPECT_NEAR(static_cast<double>(v.CurveStep), 0.02, 1e-15);
    EXPECT_NEAR(static_cast<double>(graph::XPlace.XP), 2, 1e-15);
  }
}

// ---- The legend -----------------------------------------------------------------

// Colour counts of a block of screen columns on the legend's rows.
struct Inks {
  int32_t keys = 0, text = 0;
};
Inks InksIn(int32_t x0, int32_t x1, int32_t top, int32_t height) {
  Inks inks;
  for (int32_t y = top; y < top + height; ++y)
    for (int32_t x = x0; x <= x1; ++x) {
      const int32_t p = gfx::PixelAt(gfx::ScreenContext(), x, y);
      inks.keys += p == graph::GraphColours.Keys;
      inks.text += p == graph::GraphColours.Text;
    }
  return inks;
}

// The set bits of a text's glyphs.
int32_t InkPixels(const gfx::Font* font, const std::string& text) {
  int32_t n = 0;
  for (unsigned char ch : text)
    for (int32_t r = 0; r < font->Height; ++r)
      for (int32_t c = 0; c < font->Widths[ch - 32]; ++c) n += gfxtest::GlyphBit(font, ch, r, c);
  return n;
}

// Each command's keys give that command and no other: a key given to two
// commands would leave the later one's word dead.
TEST(GraphCommands, EveryKeyGivesItsOwnCommand) {
  for (const graph::Command& c : graph::kCommands) {
    SCOPED_TRACE(c.Word);
    EXPECT_EQ(graph::CommandOfKey(c.Key), &c);
    if (c.OtherKey != 0) {
      EXPECT_EQ(graph::CommandOfKey(c.OtherKey), &c);
    }
  }
}

// The words' columns follow from the font: "active keys: ", then each word
// with a comma and a 2-pixel gap after it, " and " before "q", then "uit".
// Each word is in the key colour, the rest in the text colour, and a click
// counts for a word only within its own columns. At the narrowest windows
// of lucs15 and lucs21 and the widest of lucs11 the legend reads to the
// end of quit with at least 2 columns to spare (regression: at 800 it
// ended "... Y and qu").
TEST(GraphLegend, WordColumnsAndKeys) {
  for (const int32_t width : {570, 571, 640, 800}) {
    SCOPED_TRACE(width);
    ASSERT_TRUE(gfx::SetDriver(gfx::MemoryDriverName));
    ASSERT_TRUE(gfx::SetMode(width, 480, 4));
    graph::GraphColours = {15, 0, 4, 1, 8, 5, 12};
    graph::PrepareStyles(width);
    gfx::ClearScreen(15);
    graph::DrawLegend();
    gfx::TextOption font;
    font.TextFont = gfx::FindFont(width > 799 ? "lucs21" : width > 570 ? "lucs15" : "lucs11");
    EXPECT_EQ(graph::Layout.CharHeight, font.TextFont->Height);
    const int32_t top = 479 - 4 - font.TextFont->Baseline, height = font.TextFont->Height;
    int32_t x = 1 + gfx::StringWidth("active keys: ", font);
    EXPECT_GT(InksIn(1, x - 1, top, height).text, 0);
    const int32_t gap = gfx::CharWidth(',', font) + 2;
    const int last = graph::kKeyWords - 1;  // "q", after " and "
    for (int k = 0; k <= last; ++k) {
      const graph::Command& c = graph::kCommands[k];
      SCOPED_TRACE(c.Word);
      if (k == last) x += gfx::StringWidth(" and ", font);
      const int32_t xmax = x + gfx::StringWidth(c.Word, font) - 1;
      EXPECT_EQ(graph::Layout.KeyAreas[k + 1].xmin, x);
      EXPECT_EQ(graph::Layout.KeyAreas[k + 1].xmax, xmax);
      EXPECT_EQ(graph::LegendKeyAt(x), c.Key);
      EXPECT_EQ(graph::LegendKeyAt(xmax), c.Key);
      EXPECT_EQ(graph::LegendKeyAt(x - 1), 0);
      EXPECT_EQ(graph::LegendKeyAt(xmax + 1), 0);
      const Inks word = InksIn(x, xmax, top, height);
      EXPECT_GT(word.keys, 0);
      EXPECT_EQ(word.text, 0);
      if (k < last - 1) {
        const Inks comma = InksIn(xmax + 1, xmax + gap, top, height);
        EXPECT_GT(comma.text, 0);
        EXPECT_EQ(comma.keys, 0);
        // The comma comes straight after the word; the gap after the comma.
        EXPECT_EQ(InksIn(xmax + gap - 1, xmax + gap, top, height).text, 0);
      }
      x = xmax + 1 + (k < last - 1 ? gap : 0);
    }
    const int32_t end = x + gfx::StringWidth("uit", font) - 1;
    const Inks uit = InksIn(x, end, top, height);
    EXPECT_EQ(uit.text, InkPixels(font.TextFont, "uit"));
    EXPECT_EQ(uit.keys, 0);
    EXPECT_LE(end, width - 3);
    EXPECT_EQ(graph::LegendKeyAt(-1), 0);
    EXPECT_EQ(graph::LegendKeyAt(width), 0);
  }
}

}  // namespace
