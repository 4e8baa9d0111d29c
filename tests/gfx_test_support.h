// Helpers of the graphics tests: a mode of the memory driver, pictures of
// small contexts as text, one character per pixel, so that an expected
// drawing reads like the drawing itself, and the glyphs' bits.
#pragma once
#include <gtest/gtest.h>

#include <map>
#include <string>

#include "gfx/gfx.h"

namespace gfxtest {

// Selects the memory driver and sets a 640 x 480 mode of the given depth.
inline void MemoryMode(int32_t bpp) {
  ASSERT_TRUE(gfx::SetDriver(gfx::MemoryDriverName));
  ASSERT_TRUE(gfx::SetMode(640, 480, bpp));
}

// Each row of the context as characters, rows separated by '\n'. Values not
// in `chars` show as '?'.
inline std::string Picture(const gfx::Context* c, const std::map<int32_t, char>& chars) {
  std::string out;
  for (int32_t y = 0; y < c->Height; ++y) {
    for (int32_t x = 0; x < c->Width; ++x) {
      auto it = chars.find(gfx::PixelAt(c, x, y));
      out += it == chars.end() ? '?' : it->second;
    }
    out += '\n';
  }
  return out;
}

// Whether the glyph of character c has ink at (col, row) of its cell; false
// right of its width.
inline bool GlyphBit(const gfx::Font* f, int32_t c, int32_t row, int32_t col) {
  const int32_t i = c - 32, w = f->Widths[i];
  if (col >= w) return false;
  return (f->Bits[f->Offsets[i] + row * ((w + 7) / 8) + col / 8] & (0x80 >> (col % 8))) != 0;
}

// A memory context of w x h cleared to `background`, made current.
inline gfx::Context* Canvas(int32_t w, int32_t h, gfx::Colour background) {
  gfx::Context* c = gfx::CreateContext(w, h);
  gfx::SetContext(c);
  gfx::ClearClipBox(background);
  return c;
}

}  // namespace gfxtest
