// The built-in fonts: metrics, widths as sums, the empty top rows the text
// layout relies on, glyphs that can be told apart, and where aligned text
// lands.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "gfx/gfx.h"
#include "gfx_test_support.h"

namespace {

struct Bounds {
  int32_t X0 = INT32_MAX, Y0 = INT32_MAX, X1 = -1, Y1 = -1;
};

// The smallest rectangle holding every pixel not of colour `except`.
Bounds Changed(const gfx::Context* c, int32_t except) {
  Bounds b;
  for (int32_t y = 0; y < c->Height; ++y)
    for (int32_t x = 0; x < c->Width; ++x)
      if (gfx::PixelAt(c, x, y) != except) {
        b.X0 = std::min(b.X0, x), b.Y0 = std::min(b.Y0, y);
        b.X1 = std::max(b.X1, x), b.Y1 = std::max(b.Y1, y);
      }
  return b;
}

std::string AllCharacters() {
  std::string s;
  for (int32_t c = 32; c < 256; ++c) s += static_cast<char>(c);
  return s;
}

TEST(GfxFonts, MetricsOfTheThreeFonts) {
  struct Expect {
    const char* name;
    int32_t height, baseline;
  };
  for (const Expect& e : {Expect{"lucs11", 11, 8}, Expect{"lucs15", 15, 12}, Expect{"lucs21", 21, 17}}) {
    const gfx::Font* f = gfx::FindFont(e.name);
    ASSERT_NE(f, nullptr) << e.name;
    EXPECT_EQ(f->Height, e.height);
    EXPECT_EQ(f->Baseline, e.baseline);
    const gfx::TextOption o{f};
    EXPECT_EQ(gfx::CharHeight(o), e.height);
    int32_t sum = 0;
    for (int32_t c = 32; c < 256; ++c) sum += gfx::CharWidth(c, o);
    EXPECT_EQ(gfx::StringWidth(AllCharacters(), o), sum) << e.name;
    EXPECT_EQ(gfx::StringWidth("", o), 0);
    // Characters outside the font measure (and draw) as blanks.
    EXPECT_EQ(gfx::CharWidth(7, o), gfx::CharWidth(' ', o));
    EXPECT_EQ(gfx::CharWidth(300, o), gfx::CharWidth(' ', o));
    EXPECT_GT(gfx::CharWidth('W', o), gfx::CharWidth('i', o));  // proportional
  }
  EXPECT_EQ(gfx::FindFont("lucs12"), nullptr);
  EXPECT_EQ(gfx::FindFont("LUCS11"), nullptr);
  EXPECT_EQ(gfx::CharHeight(gfx::TextOption{}), 11);  // no font: lucs11
}

// Text rows are laid out so that the last two rows of one line's cells are
// the first two rows of the next line's. Clearing a line must not wipe the
// tops of the letters below it, so plain ASCII leaves those rows empty.
TEST(GfxFonts, AsciiLeavesTheTopTwoRowsOfTheCellEmpty) {
  for (const char* name : {"lucs11", "lucs15", "lucs21"}) {
    const gfx::Font* f = gfx::FindFont(name);
    for (int32_t c = 33; c < 127; ++c) {
      const int32_t i = c - 32, w = f->Widths[i], pitch = (w + 7) / 8;
      bool ink = false, topInk = false;
      for (int32_t b = 0; b < pitch * f->Height; ++b) {
        ink |= f->Bits[f->Offsets[i] + b] != 0;
        topInk |= b < 2 * pitch && f->Bits[f->Offsets[i] + b] != 0;
      }
      EXPECT_TRUE(ink) << name << " " << char(c);
      EXPECT_FALSE(topInk) << name << " " << char(c);
    }
  }
}

using gfxtest::GlyphBit;

// Pixels in which two glyphs differ, laid over each other at the left.
int32_t GlyphDistance(const gfx::Font* f, int32_t a, int32_t b) {
  const int32_t w = std::max(f->Widths[a - 32], f->Widths[b - 32]);
  int32_t n = 0;
  for (int32_t r = 0; r < f->Height; ++r)
    for (int32_t c = 0; c < w; ++c) n += GlyphBit(f, a, r, c) != GlyphBit(f, b, r, c);
  return n;
}

// Regression: in the 11-pixel font 6 and E differed in 2 pixels ("16" read
// as "1E"), and the grave accent, a legend word of its own, was 1 pixel.
// Every digit differs from every other and from the letters it resembles
// in at least 3 pixels, and the accent has at least 3.
TEST(GfxFonts, DigitsAndTheGraveAccentCanBeTold) {
  std::vector<std::string> pairs = {"0O", "0D", "1l", "1I", "2Z", "5S",
                                    "6E", "6G", "6b", "8B", "9g"};
  for (char a = '0'; a <= '9'; ++a)
    for (char b = a + 1; b <= '9'; ++b) pairs.push_back({a, b});
  for (const char* name : {"lucs11", "lucs15", "lucs21"}) {
    SCOPED_TRACE(name);
    const gfx::Font* f = gfx::FindFont(name);
    for (const std::string& p : pairs) EXPECT_GE(GlyphDistance(f, p[0], p[1]), 3) << p;
    int32_t accent = 0;
    for (int32_t r = 0; r < f->Height; ++r)
      for (int32_t c = 0; c < f->Widths['`' - 32]; ++c) accent += GlyphBit(f, '`', r, c);
    EXPECT_GE(accent, 3);
  }
}

class GfxText : public ::testing::Test {
 protected:
  void SetUp() override {
    gfxtest::MemoryMode(16);
    canvas = gfxtest::Canvas(120, 50, paper);
  }
  void TearDown() override { gfx::DestroyContext(canvas); }
  const gfx::Colour paper = 0x001F, ink = 0xF800, cell = 0x07E0;
  gfx::Context* canvas = nullptr;
};

TEST_F(GfxText, AlignmentPlacesTheCell) {
  const gfx::Font* f = gfx::FindFont("lucs15");
  gfx::TextOption o{f, ink, cell};
  const int32_t w = gfx::StringWidth("Fy", o);
  struct Case {
    gfx::HAlign h;
    gfx::VAlign v;
    int32_t left, top;
  };
  const Case cases[] = {{gfx::HAlign::Left, gfx::VAlign::Baseline, 60, 30 - 12},
                        {gfx::HAlign::Right, gfx::VAlign::Baseline, 60 - w, 30 - 12},
                        {gfx::HAlign::Centre, gfx::VAlign::Centre, 60 - w / 2, 30 - 15 / 2}};
  for (const Case& c : cases) {
    gfx::ClearClipBox(paper);
    o.Horizontal = c.h, o.Vertical = c.v;
    gfx::DrawString("Fy", 60, 30, o);
    const Bounds b = Changed(canvas, paper);
    EXPECT_EQ(b.X0, c.left);
    EXPECT_EQ(b.X1, c.left + w - 1);
    EXPECT_EQ(b.Y0, c.top);
    EXPECT_EQ(b.Y1, c.top + 14);
  }
  // On the base line the letters stand on the row above y, and a
  // descender reaches below it.
  gfx::ClearClipBox(paper);
  o.OpaqueBackground = false, o.Horizontal = gfx::HAlign::Left, o.Vertical = gfx::VAlign::Baseline;
  gfx::DrawString("x", 10, 30, o);
  EXPECT_EQ(Changed(canvas, paper).Y1, 29);
  gfx::DrawString("y", 20, 30, o);
  EXPECT_GT(Changed(canvas, paper).Y1, 29);
}

TEST_F(GfxText, TransparentTextDrawsInkOnlyAndIsClipped) {
  gfx::TextOption o{gfx::FindFont("lucs21"), ink, cell, false};
  gfx::SetClipBox(0, 0, 14, 49);
  gfx::DrawString("MM", 5, 30, o);
  const Bounds b = Changed(canvas, paper);
  EXPECT_LE(b.X1, 14);
  for (int32_t y = 0; y < 50; ++y)
    for (int32_t x = 0; x < 120; ++x) EXPECT_NE(gfx::PixelAt(canvas, x, y), cell);
  // DrawChar and DrawString agree.
  gfx::Context* other = gfxtest::Canvas(120, 50, paper);
  gfx::SetClipBox(0, 0, 14, 49);
  gfx::DrawChar('M', 5, 30, o);
  gfx::DrawChar('M', 5 + gfx::CharWidth('M', o), 30, o);
  EXPECT_EQ(other->Pixels, canvas->Pixels);
  gfx::DestroyContext(other);
}

}  // namespace
