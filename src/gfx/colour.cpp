// Colours: the palette of the palette depths (1 to 8 bits), the packing of
// RGB into 15-, 16-, 24- and 32-bit pixel values, and their decoding.
#include <algorithm>

#include "gfx/gfx_state.h"

namespace gfx {

namespace {

// The 16 standard colours that depths 4 and 8 start with: the classic text
// colours at their usual 6-bit-DAC intensities (0, 84, 168, 252), except
// that entry 15 is pure white, so that White() is white.
const Rgb StandardColours[16] = {
    {0, 0, 0},       {0, 0, 168},     {0, 168, 0},     {0, 168, 168},
    {168, 0, 0},     {168, 0, 168},   {168, 84, 0},    {168, 168, 168},
    {84, 84, 84},    {84, 84, 252},   {84, 252, 84},   {84, 252, 252},
    {252, 84, 84},   {252, 84, 252},  {252, 252, 84},  {255, 255, 255}};

bool PaletteDepth(int32_t bpp) { return bpp >= 1 && bpp <= 8; }

int32_t Clamp255(int32_t v) { return std::clamp(v, 0, 255); }

void SetEntry(int32_t index, Rgb rgb) {
  G.Palette[index] = rgb;
  G.PaletteUsed[index] = true;
}

int64_t Distance(Rgb a, Rgb b) {
  int64_t dr = a.Red - b.Red, dg = a.Green - b.Green, db = a.Blue - b.Blue;
  return dr * dr + dg * dg + db * db;
}

// Palette modes: exact match, else the first free entry, else the nearest.
Colour AllocPaletteColour(Rgb rgb) {
  const int32_t n = static_cast<int32_t>(G.Palette.size());
  for (int32_t i = 0; i < n; ++i)
    if (G.PaletteUsed[i] && Distance(G.Palette[i], rgb) == 0) return i;
  for (int32_t i = 0; i < n; ++i)
    if (!G.PaletteUsed[i]) {
      SetEntry(i, rgb);
      return i;
    }
  int32_t best = 0;
  for (int32_t i = 1; i < n; ++i)
    if (Distance(G.Palette[i], rgb) < Distance(G.Palette[best], rgb)) best = i;
  return best;
}

// Widens a 5- or 6-bit component to 8 bits so that all ones gives 255.
int32_t Widen(uint32_t v, int32_t bits) {
  return static_cast<int32_t>((v << (8 - bits)) | (v >> (2 * bits - 8)));
}

}  // namespace

bool ValidDepth(int32_t bpp) {
  switch (bpp) {
    case 1: case 2: case 4: case 8: case 15: case 16: case 24: case 32: return true;
    default: return false;
  }
}

uint32_t DepthMask(int32_t bpp) {
  if (PaletteDepth(bpp)) return (1u << bpp) - 1;
  if (bpp == 15) return 0x7FFF;
  if (bpp == 16) return 0xFFFF;
  return 0xFFFFFF;  // 24 and 32: the colour bits only
}

void ResetPalette(int32_t bpp) {
  G.Palette.clear();
  G.PaletteUsed.clear();
  if (!PaletteDepth(bpp)) return;
  const int32_t n = 1 << bpp;
  G.Palette.assign(n, Rgb{});
  G.PaletteUsed.assign(n, false);
  if (bpp >= 4) {
    for (int32_t i = 0; i < 16; ++i) SetEntry(i, StandardColours[i]);
  } else {
    SetEntry(0, StandardColours[0]);
    SetEntry(n - 1, StandardColours[15]);
  }
}

Rgb DecodePixel(int32_t bpp, uint32_t value) {
  value &= DepthMask(bpp);
  switch (bpp) {
    case 15: return {Widen((value >> 10) & 31, 5), Widen((value >> 5) & 31, 5), Widen(value & 31, 5)};
    case 16: return {Widen((value >> 11) & 31, 5), Widen((value >> 5) & 63, 6), Widen(value & 31, 5)};
    case 24:
    case 32: return {int32_t(value >> 16), int32_t((value >> 8) & 255), int32_t(value & 255)};
    default:
      // A context kept from a mode of another depth may hold numbers beyond
      // the present palette: those show black rather than read past it.
      if (value < G.Palette.size()) return G.Palette[value];
      return Rgb{};
  }
}

Colour AllocColour(int32_t red, int32_t green, int32_t blue) {
  const Rgb rgb{Clamp255(red), Clamp255(green), Clamp255(blue)};
  const int32_t bpp = CurrentBpp();
  if (PaletteDepth(bpp)) return AllocPaletteColour(rgb);
  const uint32_t r = rgb.Red, g = rgb.Green, b = rgb.Blue;
  if (bpp == 15) return static_cast<Colour>(((r >> 3) << 10) | ((g >> 3) << 5) | (b >> 3));
  if (bpp == 16) return static_cast<Colour>(((r >> 3) << 11) | ((g >> 2) << 5) | (b >> 3));
  return static_cast<Colour>((r << 16) | (g << 8) | b);
}

void SetColour(Colour index, int32_t red, int32_t green, int32_t blue) {
  const int32_t bpp = CurrentBpp();
  if (!PaletteDepth(bpp)) return;
  SetEntry(static_cast<int32_t>(static_cast<uint32_t>(index) & DepthMask(bpp)),
           Rgb{Clamp255(red), Clamp255(green), Clamp255(blue)});
}

Colour Black() { return 0; }

Colour White() {
  const int32_t bpp = CurrentBpp();
  if (bpp >= 4 && bpp <= 8) return 15;
  return static_cast<Colour>(DepthMask(bpp));
}

Rgb ColourRgb(Colour colour) { return DecodePixel(CurrentBpp(), static_cast<uint32_t>(colour)); }

Colour MaskColour(Colour colour) {
  return static_cast<Colour>(static_cast<uint32_t>(colour) & DepthMask(CurrentBpp()));
}

}  // namespace gfx
