// Drawing the plot from the latest fit: the data points, the curve along
// the walk, the marks, the cursor line and the fit-quality line.
#include "graph/draw_pass.h"

#include <algorithm>
#include <cstdint>
#include <memory>
#include <new>

#include "config/analysis_settings.h"
#include "config/settings.h"
#include "data/dataset.h"
#include "gfx/gfx.h"
#include "graph/band.h"
#include "graph/graph_state.h"
#include "graph/plot.h"
#include "graph/view.h"
#include "spline/curve_walk.h"
#include "spline/fit.h"
#include "spline/significance.h"

namespace graph {
namespace {

// The curve's lines within one screen column. With a million knots on a few
// hundred columns most lines of the walk are vertical steps inside a column;
// they are all drawn in one colour after the points and before the marks,
// and pixels are written, not mixed, so only the union of their pixels
// counts: for a solid line that is one vertical line over the column's
// lowest to highest point, and a line of zero length (which lies along the
// column, not across it) at the lowest and at the highest point where one
// was drawn. Lines between columns are drawn as they come.
void FlushRun(const ColumnRun& r, const gfx::LineOption& line) {
  if (r.vertical) gfx::CustomLine(r.x, r.yLo, r.x, r.yHi, line);
  if (r.still) {
    gfx::CustomLine(r.x, r.stillLo, r.x, r.stillLo, line);
    if (r.stillHi != r.stillLo) gfx::CustomLine(r.x, r.stillHi, r.x, r.stillHi, line);
  }
}

// The line from (px, py) to (sx, sy) into the run of its column, or drawn.
void AddCurveLine(ColumnRun& r, int32_t px, int32_t py, int32_t sx, int32_t sy,
                  const gfx::LineOption& line) {
  if (sx != px || !line.Dashes.empty()) {
    FlushRun(r, line);
    gfx::CustomLine(sx, sy, px, py, line);
    r = ColumnRun{sx, sy, sy};
  } else if (sy == py) {
    r.stillLo = r.still ? std::min(r.stillLo, sy) : sy;
    r.stillHi = r.still ? std::max(r.stillHi, sy) : sy;
    r.still = true;
  } else {
    r.yLo = std::min({r.yLo, sy, py}), r.yHi = std::max({r.yHi, sy, py});
    r.vertical = true;
  }
}

// Draws the line of a mark unless a longer one of the same column, edge,
// direction and style is there already. A vertical mark line starts at the
// plot's top or bottom edge with its dashes counted from there, so the
// shorter is part of the longer. With many marks on few columns (noisy data
// fitted closely) that leaves a few lines per column instead of a line per
// mark; all of them are drawn in one colour, so only the union of their
// pixels counts.
void DrawMarkLine(MarkPen& pen, int32_t x, int32_t from, int32_t to, bool inflection, bool fromTop) {
  const gfx::LineOption& style = inflection ? GraphStyles.InflectionLine : GraphStyles.ExtremumLine;
  const int64_t length = int64_t{to} - from;
  if (length == 0 || x < 0 || x >= static_cast<int32_t>(pen.drawn.size() / 8)) {
    gfx::CustomLine(x, from, x, to, style);  // a dot, or outside the screen
    return;
  }
  const std::size_t key = static_cast<std::size_t>(x) * 8 + (inflection ? 4 : 0) +
                          (fromTop ? 2 : 0) + (length > 0 ? 1 : 0);
  const int64_t reach = length > 0 ? length : -length;
  if (reach <= pen.drawn[key]) return;
  pen.drawn[key] = reach;
  gfx::CustomLine(x, from, x, to, style);
}

}  // namespace

// Circles whose centres fall on the same pixel are drawn once: with a
// million points on a plot a few hundred pixels wide most of them do, and a
// circle drawn again in its colour changes nothing (pixels are written, not
// mixed). Centres near the plot box are remembered in a bitmap; others are
// passed on as they are. Without memory for the bitmap every circle is drawn,
// which gives the same picture, only more slowly.
void DrawDataPoints() {
  const data::DataSetRecord& d = data::DataSet;
  const GraphLayoutRecord& L = Layout;
  const int32_t radius = config::Settings.SizeSymbol;
  const int64_t margin = std::max<int64_t>(radius, 0);
  const int64_t x0 = L.PX0 - margin, y0 = L.PY0 - margin;
  const int64_t width = std::max<int64_t>(L.PX1 + margin - x0 + 1, 0);
  const int64_t height = std::max<int64_t>(L.PY1 + margin - y0 + 1, 0);
  const std::size_t words = static_cast<std::size_t>(width * height) / 64 + 1;
  std::unique_ptr<uint64_t[]> drawn(new (std::nothrow) uint64_t[words]());
  for (int32_t i = 1; i <= d.Count; ++i) {
    const int32_t sx = ToScreenX(d.XValues[i]), sy = ToScreenY(d.YValues[i]);
    const int64_t col = sx - x0, row = sy - y0;
    if (drawn && col >= 0 && col < width && row >= 0 && row < height) {
      const std::size_t at = static_cast<std::size_t>(row * width + col);
      const uint64_t bit = uint64_t{1} << (at % 64);
      if (drawn[at / 64] & bit) continue;
      drawn[at / 64] |= bit;
    }
    gfx::FilledCircle(sx, sy, radius, GraphColours.Symbol);
  }
}

void DrawCurvePoint(CurvePen& pen, long double x, const spline::Evaluation& e) {
  const int32_t sx = ToScreenX(x), sy = ToScreenY(e.Value);
  if (pen.first) pen.run = ColumnRun{sx, sy, sy};
  else AddCurveLine(pen.run, pen.px, pen.py, sx, sy, GraphStyles.CurveLine);
  pen.first = false;
  pen.px = sx, pen.py = sy;
}

void FinishCurve(CurvePen& pen) {
  if (!pen.first) FlushRun(pen.run, GraphStyles.CurveLine);
}

void StartMarks(MarkPen& pen) {
  pen.drawn.assign(static_cast<std::size_t>(gfx::MaxX() + 1) * 8, 0);
}

// A vertical line from the plot's edge to the curve: maxima hang from the
// top, minima stand on the bottom, a flat minimum spans the whole height,
// and an inflection comes from the side its cubic term points away from.
void DrawMark(MarkPen& pen, const spline::CalculusMark& m) {
  const GraphLayoutRecord& L = Layout;
  const int32_t sx = ToScreenX(m.X), sy = ToScreenY(m.Value);
  const int32_t top = L.PY0 + 1, bottom = L.PY1 - 1;
  switch (m.Kind) {
    case spline::MarkKind::Maximum: DrawMarkLine(pen, sx, top, sy, false, true); break;
    case spline::MarkKind::Minimum:
      DrawMarkLine(pen, sx, bottom, m.ZeroSecondDerivative ? top : sy, false, false);
      break;
    case spline::MarkKind::Inflection:
      DrawMarkLine(pen, sx, m.NegativeD ? top : bottom, sy, true, m.NegativeD);
      break;
  }
}

void FinishPass() {
  DrawXplaceLine();
  DrawQualityLine(QualityText(spline::FitQuality()));
}

void DrawPass() {
  const data::DataSetRecord& d = data::DataSet;
  const ViewWindowRecord& v = ViewWindow;
  SetPlotClip();
  DrawDataPoints();
  if (config::AnalysisSettings.ShowBand) DrawBand(false);
  // Only the part in view is walked, so that a deep zoom stays quick to redraw.
  spline::CurveWalk walk = spline::StartCurveWalk(d.Count, d.XValues, spline::Fit.Segments,
                                                  ViewScale(), v.Xlow, v.Xlow + v.Xrange);
  CurvePen curve;
  long double x;
  spline::Evaluation e;
  while (spline::NextCurvePoint(walk, x, e)) DrawCurvePoint(curve, x, e);
  FinishCurve(curve);
  MarkPen marks;
  StartMarks(marks);
  spline::MarkSieve sieve = spline::ProgramSieve();
  for (int32_t i = 1; i < d.Count && config::Settings.ShowCalculus; ++i) {
    spline::SegmentMarks found;
    spline::AnalyseSegment(i, found);
    spline::SiftMarks(sieve, found);
    for (int32_t m = 0; m < found.Count; ++m) DrawMark(marks, found.Mark[m]);
  }
  FinishPass();
}

}  // namespace graph
