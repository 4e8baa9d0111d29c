// The graph's global state: colours, styles, layout, the legend's key areas
// and the two off-screen areas. Set up once at start-up; the view and the
// cursor (view.h) are what the commands change.
#pragma once
#include <cstdint>

#include "gfx/gfx.h"

namespace graph {

// The seven colours by role.
struct GraphColoursRecord {
  gfx::Colour Background = 0, Text = 0, Symbol = 0, Line = 0, Calculus = 0,
              Xplace = 0, Keys = 0;
};
extern GraphColoursRecord GraphColours;

// Text and line styles, all in the font chosen by the configured width.
struct GraphStylesRecord {
  const gfx::Font* GraphFont = nullptr;
  gfx::TextOption TextStyle, KeyStyle, XplaceStyle, KeyStyleRight, TextStyleRight;
  gfx::LineOption CurveLine, ExtremumLine, InflectionLine, XplaceLine;
};
extern GraphStylesRecord GraphStyles;

// A legend word's columns, for clicks on it.
struct KeyArea {
  int32_t xmin = 0, xmax = -1;
};
inline constexpr int kKeyWords = 27;

// Screen geometry: M and N are the largest x and y; the plot box spans
// PX0..PX1 by PY0..PY1 and leaves three text rows below it.
struct GraphLayoutRecord {
  int32_t M = 0, N = 0, CharHeight = 0;
  int32_t PX0 = 0, PX1 = 0, PY0 = 0, PY1 = 0, PW = 0, PH = 0;
  int32_t StatusY = 0;          // N - CharHeight
  int32_t StatusTextWidth = 0;  // width of the last fit-quality text drawn
  // The lowest row of the fit-quality text, at most StatusY + 1: clearing the
  // right part of that row stops here, so it never reaches the legend's ink.
  int32_t QualityBottom = 0;
  KeyArea KeyAreas[kKeyWords + 1];  // 1..27, in legend order
};
extern GraphLayoutRecord Layout;

// The screen under the X-place line, and the picture an image is made from.
extern gfx::Context* XplaceStrip;
extern gfx::Context* GraphSnapshot;

}  // namespace graph
