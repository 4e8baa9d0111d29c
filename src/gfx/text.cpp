// Text in the built-in bitmap fonts: font lookup, measuring and drawing
// with alignment on the base line or the cell's middle.
#include <algorithm>
#include <cstddef>
#include <cstdint>

#include "gfx/gfx_state.h"

namespace gfx {

namespace {

const Font& FontOf(const TextOption& option) {
  return option.TextFont != nullptr ? *option.TextFont : FontLucs11;
}

// Index into the font's tables; characters outside 32..255 show as blanks.
int32_t GlyphIndex(int32_t character) {
  return character >= 32 && character <= 255 ? character - 32 : 0;
}

int32_t GlyphWidth(const Font& font, int32_t character) {
  return font.Widths[GlyphIndex(character)];
}

// One character cell with its top left corner at (x, top).
void DrawGlyph(const Font& font, int32_t character, int64_t x, int64_t top,
               const TextOption& option) {
  const int32_t index = GlyphIndex(character);
  const int32_t width = font.Widths[index];
  const int32_t pitch = (width + 7) / 8;
  const uint8_t* bits = font.Bits + font.Offsets[index];
  for (int32_t r = 0; r < font.Height; ++r) {
    if (option.OpaqueBackground && width > 0) FillSpan(x, x + width - 1, top + r, option.Background);
    const uint8_t* row = bits + static_cast<ptrdiff_t>(r) * pitch;
    for (int32_t c = 0; c < width;) {  // each run of set bits is one span
      if ((row[c / 8] & (0x80 >> (c % 8))) == 0) {
        ++c;
        continue;
      }
      const int32_t start = c;
      while (c < width && (row[c / 8] & (0x80 >> (c % 8))) != 0) ++c;
      FillSpan(x + start, x + c - 1, top + r, option.Foreground);
    }
  }
}

int64_t LeftEdge(int64_t x, int64_t width, HAlign align) {
  if (align == HAlign::Right) return x - width;
  if (align == HAlign::Centre) return x - width / 2;
  return x;
}

int64_t TopEdge(const Font& font, int64_t y, VAlign align) {
  return align == VAlign::Centre ? y - font.Height / 2 : y - font.Baseline;
}

}  // namespace

const Font* FindFont(const std::string& name) {
  for (const Font* f : {&FontLucs11, &FontLucs15, &FontLucs21})
    if (name == f->Name) return f;
  return nullptr;
}

int32_t CharWidth(int32_t character, const TextOption& option) {
  return GlyphWidth(FontOf(option), character);
}

int32_t CharHeight(const TextOption& option) { return FontOf(option).Height; }

int32_t StringWidth(const std::string& text, const TextOption& option) {
  // At most 255 pixels a character, so any string that fits in memory but
  // not in 32 bits is absurd; the sum is still held in 64 bits and capped.
  int64_t sum = 0;
  for (unsigned char ch : text) sum += GlyphWidth(FontOf(option), ch);
  return static_cast<int32_t>(std::min<int64_t>(sum, INT32_MAX));
}

void DrawString(const std::string& text, int32_t x, int32_t y, const TextOption& option) {
  const Context* c = CurrentContext();
  if (c == nullptr) return;
  const Font& font = FontOf(option);
  int64_t left = LeftEdge(x, StringWidth(text, option), option.Horizontal);
  const int64_t top = TopEdge(font, y, option.Vertical);
  for (unsigned char ch : text) {
    if (left > c->ClipX1) break;  // the rest lies right of the clip box
    const int32_t w = GlyphWidth(font, ch);
    if (left + w > c->ClipX0) DrawGlyph(font, ch, left, top, option);
    left += w;
  }
  AfterDrawing();
}

void DrawChar(int32_t character, int32_t x, int32_t y, const TextOption& option) {
  if (CurrentContext() == nullptr) return;
  const Font& font = FontOf(option);
  const int64_t left = LeftEdge(x, GlyphWidth(font, character), option.Horizontal);
  DrawGlyph(font, character, left, TopEdge(font, y, option.Vertical), option);
  AfterDrawing();
}

}  // namespace gfx
