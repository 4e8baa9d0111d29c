// The plot: the screen layout, the mapping from world to screen, and the
// fixed parts drawn once (legend, frame) or with every pass (the X-place
// line and its value line, the fit-quality line).
#pragma once
#include <cstdint>
#include <string>

#include "spline/fit.h"

namespace graph {

// The nearest integer, halves away from zero, kept within +-1e9 (and 0 for
// NaN) so that far-off points still reach the graphics layer as clippable
// coordinates.
int32_t RoundToPixel(long double v);
int32_t ToScreenX(long double x);
int32_t ToScreenY(long double y);
long double WorldX(int32_t column);
long double WorldY(int32_t row);

// Draws the legend and measures CharHeight; then the layout follows from it.
void DrawLegend();
void ComputeLayout();
void DrawFrame();
// The two off-screen areas; false when the memory cannot be had.
bool CreateOffScreenAreas(int32_t configuredWidth);
void DestroyOffScreenAreas();

void DrawXplaceLine();
void EraseXplaceLine();
void DrawXplaceValues();
// "base error=...; average deviation=...", at most 255 characters.
std::string QualityText(const spline::QualityFigures& q);
// The fit-quality line, which also sets StatusTextWidth.
void DrawQualityLine(const std::string& text);

// Fills a box with the background colour: the box becomes the clip box.
void ClearBox(int32_t x1, int32_t y1, int32_t x2, int32_t y2);
void SetPlotClip();

}  // namespace graph
