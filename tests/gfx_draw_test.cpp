// Drawing primitives, clip boxes and block copies, checked pixel by pixel in
// small memory contexts at depths 1, 4, 8, 16 and 32.
#include <gtest/gtest.h>

#include <climits>

#include "gfx/gfx.h"
#include "gfx_test_support.h"

namespace {

using gfxtest::Canvas;
using gfxtest::Picture;

class GfxDraw : public ::testing::TestWithParam<int32_t> {
 protected:
  void SetUp() override {
    gfxtest::MemoryMode(GetParam());
    bg = gfx::Black();
    fg = gfx::White();
  }
  void TearDown() override { gfx::DestroyContext(canvas); }
  std::string Show() const { return Picture(canvas, {{bg, '.'}, {gfx::MaskColour(fg), '#'}}); }

  gfx::Colour bg = 0, fg = 0;
  gfx::Context* canvas = nullptr;
};

TEST_P(GfxDraw, FilledCircleHasDiameterTwoRPlusOneAndIsClipped) {
  canvas = Canvas(9, 7, bg);
  gfx::FilledCircle(3, 3, 2, fg);
  gfx::FilledCircle(8, 0, 0, fg);   // radius 0: one pixel
  gfx::FilledCircle(8, 6, -1, fg);  // negative radius: nothing
  EXPECT_EQ(Show(),
            "........#\n"
            "..###....\n"
            ".#####...\n"
            ".#####...\n"
            ".#####...\n"
            "..###....\n"
            ".........\n");
  gfx::ClearClipBox(bg);
  gfx::SetClipBox(3, 2, 8, 3);  // corners of the clip box are inclusive
  gfx::FilledCircle(3, 3, 2, fg);
  EXPECT_EQ(Show(),
            ".........\n"
            ".........\n"
            "...###...\n"
            "...###...\n"
            ".........\n"
            ".........\n"
            ".........\n");
}

TEST_P(GfxDraw, LinesAndBoxesStayInsideTheClipBox) {
  canvas = Canvas(8, 6, bg);
  gfx::SetClipBox(6, 4, 1, 1);  // corners in any order
  gfx::Box(0, 0, 7, 5, fg);     // the outline lies outside: nothing
  gfx::HLine(-100, 100, 2, fg);
  gfx::VLine(3, 100, -100, fg);
  gfx::FilledBox(5, 4, 9, 9, fg);
  EXPECT_EQ(Show(),
            "........\n"
            "...#....\n"
            ".######.\n"
            "...#....\n"
            "...#.##.\n"
            "........\n");
  gfx::ResetClipBox();
  gfx::ClearClipBox(bg);
  gfx::Box(6, 4, 1, 1, fg);
  gfx::Box(7, 0, 7, 0, fg);  // a one-pixel box
  EXPECT_EQ(Show(),
            ".......#\n"
            ".######.\n"
            ".#....#.\n"
            ".#....#.\n"
            ".######.\n"
            "........\n");
}

TEST_P(GfxDraw, DashPatternCountsFromTheFirstEndEvenWhereClipped) {
  canvas = Canvas(12, 4, bg);
  gfx::LineOption dashed{fg, 1, {3, 2}};
  gfx::CustomLine(0, 0, 11, 0, dashed);
  gfx::CustomLine(11, 1, 0, 1, dashed);  // starts at the right end
  gfx::SetClipBox(4, 2, 11, 2);
  gfx::CustomLine(0, 2, 11, 2, dashed);  // clipped: same phase as unclipped
  gfx::ResetClipBox();
  gfx::CustomLine(0, 3, 11, 3, gfx::LineOption{fg, 1, {2}});  // odd count: 2 on, 2 off
  EXPECT_EQ(Show(),
            "###..###..##\n"
            "##..###..###\n"
            ".....###..##\n"
            "##..##..##..\n");
}

TEST_P(GfxDraw, WideLinesAreCentredAsTheCursorStripAssumes) {
  canvas = Canvas(10, 5, bg);
  gfx::CustomLine(2, 0, 2, 4, gfx::LineOption{fg, 3, {}});  // columns 1..3
  gfx::CustomLine(7, 4, 7, 0, gfx::LineOption{fg, 4, {}});  // columns 6..9
  EXPECT_EQ(Show(),
            ".###..####\n"
            ".###..####\n"
            ".###..####\n"
            ".###..####\n"
            ".###..####\n");
  gfx::ClearClipBox(bg);
  gfx::CustomLine(0, 2, 9, 2, gfx::LineOption{fg, 2, {}});  // rows 2..3
  gfx::CustomLine(0, 0, 4, 4, gfx::LineOption{fg, 0, {}});  // width 0 draws as 1
  EXPECT_EQ(Show(),
            "#.........\n"
            ".#........\n"
            "##########\n"
            "##########\n"
            "....#.....\n");
}

TEST_P(GfxDraw, SteepAndShallowLinesHitBothEnds) {
  canvas = Canvas(7, 9, bg);
  gfx::CustomLine(1, 0, 3, 8, gfx::LineOption{fg, 1, {}});
  gfx::CustomLine(6, 0, 4, 1, gfx::LineOption{fg, 1, {}});
  EXPECT_EQ(Show(),
            ".#....#\n"
            ".#..##.\n"
            "..#....\n"
            "..#....\n"
            "..#....\n"
            "..#....\n"
            "...#...\n"
            "...#...\n"
            "...#...\n");
}

TEST_P(GfxDraw, ExtremeCoordinatesAreClippedNotOverflowed) {
  canvas = Canvas(5, 4, bg);
  gfx::Box(INT32_MIN, INT32_MIN, INT32_MAX, INT32_MAX, fg);  // outline far outside
  gfx::FilledCircle(INT32_MIN, 2, INT32_MAX, fg);           // reaches column -1 only
  gfx::HLine(INT32_MAX, INT32_MIN, INT32_MIN, fg);
  gfx::DrawString("far", INT32_MAX, INT32_MAX, gfx::TextOption{nullptr, fg, bg});
  gfx::DrawString("far", INT32_MIN, INT32_MIN, gfx::TextOption{nullptr, fg, bg});
  gfx::FramedBox(INT32_MAX, INT32_MAX, INT32_MIN, INT32_MIN, INT32_MAX,
                 gfx::FrameColours{bg, fg, fg, fg, fg});  // inner box covers everything
  EXPECT_EQ(Show(), ".....\n.....\n.....\n.....\n");
  // The diagonal through the whole 32-bit plane passes (0,0), (1,1), ...
  // with its dash phase counted from INT32_MIN: 2^31 steps = 3 mod 5.
  gfx::CustomLine(INT32_MIN, INT32_MIN, INT32_MAX, INT32_MAX, gfx::LineOption{fg, 1, {3, 2}});
  gfx::FilledCircle(4, 0, INT32_MAX, bg);
  gfx::CustomLine(INT32_MIN, INT32_MIN, INT32_MAX, INT32_MAX, gfx::LineOption{fg, 1, {3, 2}});
  EXPECT_EQ(Show(),
            ".....\n"
            ".....\n"
            "..#..\n"
            "...#.\n");
  gfx::FilledBox(INT32_MIN, INT32_MIN, INT32_MAX, INT32_MAX, fg);
  EXPECT_EQ(Show(), "#####\n#####\n#####\n#####\n");
}

TEST_P(GfxDraw, FramedBoxSidesAndInnerInTheirColours) {
  if (GetParam() < 4) GTEST_SKIP() << "five colours need a depth of 4 or more";
  const gfx::Colour inner = gfx::AllocColour(0, 0, 168), top = gfx::AllocColour(0, 168, 0);
  const gfx::Colour right = gfx::AllocColour(168, 0, 0), bottom = gfx::AllocColour(168, 168, 0);
  canvas = Canvas(9, 7, bg);
  gfx::FramedBox(3, 2, 5, 4, 2, gfx::FrameColours{inner, top, right, bottom, fg});
  EXPECT_EQ(Picture(canvas, {{bg, '.'}, {gfx::MaskColour(fg), 'L'}, {inner, 'i'}, {top, 't'},
                             {right, 'r'}, {bottom, 'b'}}),
            ".ttttttt.\n"
            ".Ltttttr.\n"
            ".LLiiirr.\n"
            ".LLiiirr.\n"
            ".LLiiirr.\n"
            ".Lbbbbbr.\n"
            ".bbbbbbb.\n");
}

TEST_P(GfxDraw, BlitIsClippedAtSourceAndTarget) {
  // A 4 x 5 "F" to copy around.
  gfx::Context* f = Canvas(4, 5, bg);
  gfx::HLine(0, 3, 0, fg);
  gfx::VLine(0, 0, 4, fg);
  gfx::HLine(0, 2, 2, fg);
  canvas = Canvas(7, 6, bg);
  gfx::BitBlt(canvas, -1, -2, f, 0, 0, 3, 4);  // cut at the target's edge
  gfx::BitBlt(canvas, 5, 1, f, 2, -3, 9, 2);   // cut at the source: from (2,0) to (3,2)
  EXPECT_EQ(Show(),
            "##.....\n"
            ".......\n"
            ".......\n"
            ".......\n"
            ".....##\n"
            ".......\n");
  gfx::ClearClipBox(bg);
  gfx::SetClipBox(1, 1, 6, 3);  // the target's clip box cuts too
  gfx::BitBlt(nullptr, 0, 0, f, 3, 4, 0, 0);  // nullptr: the current context
  EXPECT_EQ(Show(),
            ".......\n"
            ".......\n"
            ".##....\n"
            ".......\n"
            ".......\n"
            ".......\n");
  gfx::DestroyContext(f);
}

TEST_P(GfxDraw, OverlappingBlitWithinOneContext) {
  canvas = Canvas(6, 2, bg);
  gfx::HLine(0, 2, 0, fg);
  gfx::FilledCircle(0, 1, 0, fg);
  gfx::BitBlt(canvas, 1, 0, canvas, 0, 0, 4, 1);  // shift right by one
  EXPECT_EQ(Show(), "####..\n##....\n");
}

TEST_P(GfxDraw, ColoursBeyondTheDepthAreMasked) {
  canvas = Canvas(2, 1, bg);
  gfx::FilledBox(0, 0, 0, 0, -1);
  gfx::FilledBox(1, 0, 1, 0, INT32_MIN);
  const uint32_t mask = GetParam() <= 8 ? (1u << GetParam()) - 1 : GetParam() == 16 ? 0xFFFF : 0xFFFFFF;
  EXPECT_EQ(uint32_t(gfx::PixelAt(canvas, 0, 0)), mask);
  EXPECT_EQ(gfx::PixelAt(canvas, 1, 0), 0);
  EXPECT_EQ(gfx::PixelAt(canvas, 2, 0), -1);  // outside the context
  const gfx::Rgb rgb = gfx::ColourRgb(-1);    // resolves without reading past the palette
  EXPECT_GE(rgb.Red, 0);
}

INSTANTIATE_TEST_SUITE_P(Depths, GfxDraw, ::testing::Values(1, 4, 8, 16, 32));

TEST(GfxContext, DestroyingTheCurrentContextFallsBackToTheScreen) {
  gfxtest::MemoryMode(8);
  gfx::Context* c = gfx::CreateContext(3, 3);
  ASSERT_NE(c, nullptr);
  EXPECT_EQ(c->Bpp, 8);
  gfx::SetContext(c);
  EXPECT_EQ(gfx::CurrentContext(), c);
  gfx::DestroyContext(c);
  EXPECT_EQ(gfx::CurrentContext(), gfx::ScreenContext());
  gfx::DestroyContext(gfx::ScreenContext());  // ignored
  EXPECT_NE(gfx::ScreenContext(), nullptr);
  EXPECT_EQ(gfx::CreateContext(0, 5), nullptr);
  EXPECT_EQ(gfx::CreateContext(40000, 1), nullptr);
  EXPECT_EQ(gfx::CreateContext(30000, 30000), nullptr);  // more than 2^25 pixels
}

TEST(GfxContext, ClearScreenIgnoresClipBoxAndCurrentContext) {
  gfxtest::MemoryMode(4);
  gfx::Context* c = Canvas(2, 2, 3);
  gfx::SetContext(nullptr);
  gfx::SetClipBox(5, 5, 6, 6);
  gfx::ClearScreen(9);
  EXPECT_EQ(gfx::PixelAt(gfx::ScreenContext(), 0, 0), 9);
  EXPECT_EQ(gfx::PixelAt(gfx::ScreenContext(), 639, 479), 9);
  EXPECT_EQ(gfx::PixelAt(c, 1, 1), 3);
  gfx::SetClipBox(-5, -5, -1, -1);  // wholly outside: nothing to draw in
  gfx::ClearClipBox(1);
  EXPECT_EQ(gfx::PixelAt(gfx::ScreenContext(), 0, 0), 9);
  gfx::DestroyContext(c);
}

TEST(GfxModes, SetModeRefusesWhatItCannotProvide) {
  EXPECT_FALSE(gfx::SetDriver("win32"));
  EXPECT_EQ(gfx::CurrentDriverName(), "");
  EXPECT_FALSE(gfx::SetMode(640, 480, 8));  // no driver
  ASSERT_TRUE(gfx::SetDriver("memory"));
  struct Case {
    int32_t w, h, bpp;
    bool ok;
  };
  const Case cases[] = {
      {640, 480, 3, false},      {640, 480, 0, false},       {640, 480, 64, false},
      {0, 480, 8, false},        {640, -1, 8, false},        {INT32_MIN, INT32_MIN, 8, false},
      {32768, 100, 8, false},    {8000, 8000, 32, false},    {5, 480, 8, false},
      {640, 69, 8, false},       {6, 70, 8, true},           {8193, 4096, 1, false},
      {32767, 70, 1, true},
      {1024, 768, 15, true},     {801, 333, 2, true}};
  for (const Case& c : cases) {
    EXPECT_EQ(gfx::SetMode(c.w, c.h, c.bpp), c.ok) << c.w << "x" << c.h << "x" << c.bpp;
    if (c.ok) {
      EXPECT_EQ(gfx::MaxX(), c.w - 1);
      EXPECT_EQ(gfx::MaxY(), c.h - 1);
      EXPECT_EQ(gfx::CurrentBpp(), c.bpp);
    }
  }
}

TEST(GfxModes, EachDriverListsStandardSizesAtEveryDepth) {
  ASSERT_TRUE(gfx::SetDriver("memory"));
  const std::vector<gfx::VideoMode> modes = gfx::DriverModes();
  ASSERT_FALSE(modes.empty());
  EXPECT_EQ(modes.front().Width, 640);
  EXPECT_EQ(modes.front().Height, 480);
  EXPECT_TRUE(gfx::DriverAcceptsAnySize());
  for (int32_t bpp : {1, 2, 4, 8, 15, 16, 24, 32}) {
    int32_t n = 0;
    for (const gfx::VideoMode& m : modes) {
      n += m.Bpp == bpp;
      EXPECT_GE(m.Width, 640);
    }
    EXPECT_GE(n, 1) << bpp;
  }
  for (const gfx::VideoMode& m : modes)
    if (m.Width <= 800) {
      EXPECT_TRUE(gfx::SetMode(m.Width, m.Height, m.Bpp));
    }
}

TEST(GfxColours, PaletteReusesTakesFreeEntriesThenTheNearest) {
  gfxtest::MemoryMode(2);
  EXPECT_EQ(gfx::Black(), 0);
  EXPECT_EQ(gfx::White(), 3);
  EXPECT_EQ(gfx::AllocColour(255, 255, 255), 3);
  EXPECT_EQ(gfx::AllocColour(0, 0, 168), 1);   // first free entry
  EXPECT_EQ(gfx::AllocColour(0, 0, 168), 1);   // reused
  EXPECT_EQ(gfx::AllocColour(0, 168, 0), 2);
  EXPECT_EQ(gfx::AllocColour(10, 10, 180), 1);  // full: the nearest
  EXPECT_EQ(gfx::AllocColour(-5, 999, -1), 2);  // clamped to (0,255,0), nearest green
  ASSERT_TRUE(gfx::SetMode(640, 480, 2));     // a new mode resets the palette
  EXPECT_EQ(gfx::AllocColour(0, 168, 0), 1);

  gfxtest::MemoryMode(4);  // the 16 standard colours are there already
  EXPECT_EQ(gfx::AllocColour(168, 0, 0), 4);
  EXPECT_EQ(gfx::AllocColour(252, 252, 252), 15);  // nearest: white
  EXPECT_EQ(gfx::White(), 15);

  gfxtest::MemoryMode(8);
  EXPECT_EQ(gfx::AllocColour(84, 84, 252), 9);
  EXPECT_EQ(gfx::AllocColour(20, 20, 20), 16);
  EXPECT_EQ(gfx::AllocColour(20, 20, 20), 16);
  for (int32_t i = 0; i < 239; ++i) gfx::AllocColour(i, 1, 2);  // fills 17..255
  EXPECT_EQ(gfx::AllocColour(20, 20, 21), 16);
  EXPECT_EQ(gfx::ColourRgb(16).Red, 20);
}

TEST(GfxColours, PackedDepthsPackAndWidenEachComponent) {
  gfxtest::MemoryMode(15);
  EXPECT_EQ(gfx::AllocColour(168, 0, 0), 0x5400);
  EXPECT_EQ(gfx::AllocColour(0, 0, 168), 0x0015);
  EXPECT_EQ(gfx::White(), 0x7FFF);
  EXPECT_EQ(gfx::ColourRgb(0x7FFF).Blue, 255);
  gfxtest::MemoryMode(16);
  EXPECT_EQ(gfx::AllocColour(168, 0, 0), 0xA800);
  EXPECT_EQ(gfx::AllocColour(0, 255, 0), 0x07E0);
  const gfx::Rgb rgb = gfx::ColourRgb(0x07E0);
  EXPECT_EQ(rgb.Red, 0);
  EXPECT_EQ(rgb.Green, 255);
  gfxtest::MemoryMode(24);
  EXPECT_EQ(gfx::AllocColour(252, 84, 80), 0xFC5450);
  EXPECT_EQ(gfx::ColourRgb(0xFC5450).Blue, 80);
  EXPECT_EQ(gfx::MaskColour(-1), 0xFFFFFF);
}

}  // namespace
