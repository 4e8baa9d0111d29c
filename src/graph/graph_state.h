// The graph's global state, all of it in this one place (defined in
// graph_state.cpp): colours, styles, layout, the legend's key areas and the
// two off-screen areas, set up once at start-up; the view and the cursor,
// which the commands change; the mouse and the command loop's own state.
#pragma once
#include <cstdint>

#include "gfx/gfx.h"
#include "graph/commands.h"

namespace graph {

// Configured window widths at which the graph changes: in windows wider
// than kLucs21Above the texts are in lucs21 (and the image has one row more),
// wider than kLucs15Above in lucs15, else in lucs11; the colour chart's
// numbers are in lucs15 in windows wider than kChartLucs15Above.
inline constexpr int32_t kLucs21Above = 799, kLucs15Above = 570, kChartLucs15Above = 639;

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
  KeyArea KeyAreas[kKeyWords + 1];  // 1..kKeyWords, in legend order (commands.h)
};
extern GraphLayoutRecord Layout;

// The screen under the X-place line, and the picture an image is made from.
extern gfx::Context* XplaceStrip;
extern gfx::Context* GraphSnapshot;

// Colour code 0..255 to colour value, filled for depths of 8 bits or less.
extern gfx::Colour ColourTable[256];

// The visible world window. Set once from the data, then changed only by
// pan and zoom.
struct ViewWindowRecord {
  long double Xlow = 0, Xrange = 1, Ylow = 0, Yrange = 1;
  long double CurveStep = 0;  // the largest X step of the curve walk
};
extern ViewWindowRecord ViewWindow;

// The X-place cursor.
struct XPlaceRecord {
  long double XP = 0;  // world X of the cursor
  int32_t XS = 0;      // its screen column
};
extern XPlaceRecord XPlace;

// The mouse and the command loop.
struct GraphLoopRecord {
  bool MouseInUse = false;      // the graphics mouse is set up and must be released
  uint16_t JumpMultiplier = 1;  // what a click gives the next cursor step
  bool ResultsPending = true;   // the next fitting pass rewrites kurvex.out
};
extern GraphLoopRecord GraphLoop;

}  // namespace graph
