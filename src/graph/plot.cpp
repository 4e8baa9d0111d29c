// Layout, world-to-screen mapping, legend, frame and the X-place cursor.
#include "graph/plot.h"

#include <cmath>

#include "config/settings.h"
#include "base/text.h"
#include "gfx/gfx.h"
#include "graph/commands.h"
#include "graph/graph_state.h"
#include "graph/view.h"
#include "base/number_format.h"
#include "spline/evaluate.h"
#include "spline/fit.h"

namespace graph {

namespace {

// Draws a legend word in the key colour and records its columns.
int32_t DrawKeyWord(int k, int32_t x, int32_t y) {
  const GraphStylesRecord& st = GraphStyles;
  Layout.KeyAreas[k].xmin = x;
  gfx::DrawString(kCommands[k - 1].Word, x, y, st.KeyStyle);
  x += gfx::StringWidth(kCommands[k - 1].Word, st.KeyStyle);
  Layout.KeyAreas[k].xmax = x - 1;
  return x;
}

int32_t DrawPlain(const char* text, int32_t x, int32_t y) {
  gfx::DrawString(text, x, y, GraphStyles.TextStyle);
  return x + gfx::StringWidth(text, GraphStyles.TextStyle);
}

}  // namespace

// Rounds halves away from zero: v + 0.5 truncated for v >= 0, v - 0.5 for
// v < 0, so that a picture and its mirror image have the same pixels.
int32_t RoundToPixel(long double v) {
  if (std::isnan(v)) return 0;
  if (v > 1e9L) return 1000000000;
  if (v < -1e9L) return -1000000000;
  return static_cast<int32_t>(v >= 0 ? v + 0.5L : v - 0.5L);
}

int32_t ToScreenX(long double x) {
  const ViewWindowRecord& v = ViewWindow;
  return Layout.PX0 + RoundToPixel((x - v.Xlow) * Layout.PW / v.Xrange);
}

int32_t ToScreenY(long double y) {
  const ViewWindowRecord& v = ViewWindow;
  return Layout.PY1 - RoundToPixel((y - v.Ylow) * Layout.PH / v.Yrange);
}

long double WorldX(int32_t column) {
  const ViewWindowRecord& v = ViewWindow;
  return v.Xlow + static_cast<long double>(column - Layout.PX0) * v.Xrange / Layout.PW;
}

long double WorldY(int32_t row) {
  const ViewWindowRecord& v = ViewWindow;
  return v.Ylow + v.Yrange - static_cast<long double>(row - Layout.PY0) * v.Yrange / Layout.PH;
}

void DrawLegend() {
  const GraphStylesRecord& st = GraphStyles;
  GraphLayoutRecord& L = Layout;
  L.M = gfx::MaxX();
  L.N = gfx::MaxY();
  const int32_t y = L.N - 4;
  int32_t x = DrawPlain("active keys: ", 1, y);
  const int32_t gap = gfx::CharWidth(',', st.TextStyle) + 2;
  for (int k = 1; k < kKeyWords; ++k) {
    x = DrawKeyWord(k, x, y);
    if (k < kKeyWords - 1) {
      gfx::DrawString(",", x, y, st.TextStyle);
      x += gap;
    }
  }
  x = DrawPlain(" and ", x, y);
  x = DrawKeyWord(kKeyWords, x, y);
  DrawPlain("uit", x, y);
  L.CharHeight = gfx::CharHeight(st.KeyStyle);
}

void ComputeLayout() {
  GraphLayoutRecord& L = Layout;
  L.PX0 = 2;
  L.PX1 = L.M - 2;
  L.PY0 = 2;
  L.PY1 = L.N - 3 * L.CharHeight - 3;
  L.PW = L.PX1 - L.PX0;
  L.PH = L.PY1 - L.PY0;
  L.StatusY = L.N - L.CharHeight;
  const gfx::Font* f = GraphStyles.GraphFont;
  const int32_t textBottom = L.StatusY - 3 - f->Baseline + f->Height;
  L.QualityBottom = textBottom < L.StatusY + 1 ? textBottom : L.StatusY + 1;
}

void DrawFrame() {
  const GraphLayoutRecord& L = Layout;
  gfx::ResetClipBox();
  gfx::Box(L.PX0 - 1, L.PY0 - 1, L.PX1 + 1, L.PY1 + L.CharHeight + 3, GraphColours.Text);
  gfx::HLine(L.PX0, L.PX1, L.PY1 + 1, GraphColours.Text);
}

bool CreateOffScreenAreas(int32_t configuredWidth) {
  const GraphLayoutRecord& L = Layout;
  XplaceStrip = gfx::CreateContext(config::Settings.WidthXplace, L.PH + 1);
  GraphSnapshot = gfx::CreateContext(L.M - 1, L.StatusY + (configuredWidth > kLucs21Above ? 1 : 0));
  return XplaceStrip && GraphSnapshot;
}

void DestroyOffScreenAreas() {
  gfx::DestroyContext(GraphSnapshot);
  gfx::DestroyContext(XplaceStrip);
  GraphSnapshot = XplaceStrip = nullptr;
}

// The strip under the line is saved first, so that a cursor move can put
// the picture back without a full pass.
void DrawXplaceLine() {
  const GraphLayoutRecord& L = Layout;
  const int32_t width = config::Settings.WidthXplace;
  const int32_t h = (width - 1) / 2;
  XPlace.XS = ToScreenX(XPlace.XP);
  gfx::BitBlt(XplaceStrip, 0, 0, gfx::ScreenContext(), XPlace.XS - h, L.PY0,
              XPlace.XS - h + width, L.PY1);
  gfx::CustomLine(XPlace.XS, L.PY0, XPlace.XS, L.PY1, GraphStyles.XplaceLine);
}

void EraseXplaceLine() {
  const int32_t h = (config::Settings.WidthXplace - 1) / 2;
  gfx::BitBlt(gfx::ScreenContext(), XPlace.XS - h, Layout.PY0, XplaceStrip, 0, 0,
              config::Settings.WidthXplace, Layout.PH);
}

void DrawXplaceValues() {
  const GraphLayoutRecord& L = Layout;
  const int32_t digits = config::Settings.DisplayDigits;
  ClearBox(L.PX0, L.PY1 + 2, L.PX1, L.PY1 + L.CharHeight + 2);
  gfx::SetClipBox(L.PX0, L.PY0, L.PX1, L.N);
  spline::Evaluation e;
  spline::EvaluateSpline(XPlace.XP, e);
  auto f = [digits](long double v) { return base::FormatCompact(v, digits); };
  const std::string text = "y(" + f(XPlace.XP) + ")=" + f(e.Value) + "; y'=" + f(e.D1) +
                           "; y''=" + f(e.D2) + "; y'''=" + f(e.D3) +
                           "; finite integral=" + f(e.Int);
  gfx::DrawString(base::CutText(text), L.PX0 + 1, L.N - 2 * L.CharHeight - 4,
                  GraphStyles.XplaceStyle);
}

std::string QualityText(const spline::QualityFigures& q) {
  // A fixed 5 digits: the line must fit beside the graph whatever the settings.
  return base::CutText("base error=" + base::FormatCompact(q.BaseError, 5) +
                       "; average deviation=" + base::FormatCompact(q.AverageDeviation, 5));
}

void DrawQualityLine(const std::string& text) {
  GraphLayoutRecord& L = Layout;
  L.StatusTextWidth = gfx::StringWidth(text, GraphStyles.TextStyle);
  gfx::SetClipBox(L.PX0 - 1, L.PY0 - 1, L.PX1 + 1, L.N);
  gfx::DrawString(text, L.PX0 - 1, L.StatusY - 2, GraphStyles.TextStyle);
}

void ClearBox(int32_t x1, int32_t y1, int32_t x2, int32_t y2) {
  gfx::SetClipBox(x1, y1, x2, y2);
  gfx::ClearClipBox(GraphColours.Background);
}

void SetPlotClip() {
  const GraphLayoutRecord& L = Layout;
  gfx::SetClipBox(L.PX0, L.PY0, L.PX1, L.PY1);
}

}  // namespace graph
