// The drawing pass. The curve walk and the interval loop are shared by the
// result file and the picture, so the file's rows are the drawn points.
#include "graph/draw_pass.h"

#include <algorithm>
#include <cstdint>
#include <memory>
#include <new>

#include "config/analysis_settings.h"
#include "config/settings.h"
#include "data/dataset.h"
#include "base/stop.h"
#include "gfx/gfx.h"
#include "graph/band.h"
#include "graph/curve_walk.h"
#include "graph/graph_state.h"
#include "graph/plot.h"
#include "graph/view.h"
#include "base/number_format.h"
#include "output/analysis_report.h"
#include "output/spline_file.h"
#include "spline/analysis.h"
#include "spline/criterion.h"
#include "spline/fit.h"

namespace graph {
namespace {

// A fit that fails leaves the result file with only its head.
void Fit(bool writeResults) {
  const int32_t limit = config::Settings.MaxIteration;
  const config::AnalysisSettingsRecord& a = config::AnalysisSettings;
  const spline::SmoothingChoice choice{static_cast<spline::Criterion>(a.SmoothingCriterion),
                                       a.FixedP, a.SmoothingParameter};
  if (spline::FitAsChosen(limit, choice, config::UncertaintyWanted()) != spline::FitStatus::IterationLimit) return;
  if (writeResults) output::EndSplineFileAfterFailedFit();
  base::ErrorStop({base::IntText(limit) + " iterations are not enough!"});
}

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

// A pass that writes the curve rows walks the whole curve; one that only
// draws walks the part in view, so that a deep zoom stays quick to redraw.
void DrawCurve(bool writeRows) {
  const ViewWindowRecord& v = ViewWindow;
  CurveWalk walk = writeRows ? StartCurveWalk(v.CurveStep, v.Xrange, v.Yrange)
                             : StartCurveWalk(v.CurveStep, v.Xrange, v.Yrange, v.Xlow,
                                              v.Xlow + v.Xrange);
  long double x;
  spline::Evaluation e;
  bool first = true, still = false;
  int32_t px = 0, py = 0;
  while (NextCurvePoint(walk, x, e)) {
    if (writeRows) output::WriteCurveRow(x, e);
    const int32_t sx = ToScreenX(x), sy = ToScreenY(e.Value);
    // The walk may repeat its last point many times (once per knot it fell
    // behind); the same line drawn again sets the same pixels, so it is drawn once.
    const bool same = sx == px && sy == py;
    if (!first && !(same && still)) gfx::CustomLine(sx, sy, px, py, GraphStyles.CurveLine);
    first = false, still = same;
    px = sx, py = sy;
  }
}

const char* MarkLabel(spline::MarkKind kind) {
  switch (kind) {
    case spline::MarkKind::Minimum: return "  Minimum at x=";
    case spline::MarkKind::Maximum: return "  Maximum at x=";
    default: return "  Point of inflection at x=";
  }
}

// A vertical line from the plot's edge to the curve: maxima hang from the
// top, minima stand on the bottom, a flat minimum spans the whole height,
// and an inflection comes from the side its cubic term points away from.
void DrawMark(const spline::CalculusMark& m) {
  const GraphLayoutRecord& L = Layout;
  const int32_t sx = ToScreenX(m.X), sy = ToScreenY(m.Value);
  const int32_t top = L.PY0 + 1, bottom = L.PY1 - 1;
  const GraphStylesRecord& st = GraphStyles;
  switch (m.Kind) {
    case spline::MarkKind::Maximum: gfx::CustomLine(sx, top, sx, sy, st.ExtremumLine); break;
    case spline::MarkKind::Minimum:
      if (m.ZeroSecondDerivative) gfx::CustomLine(sx, bottom, sx, top, st.ExtremumLine);
      else gfx::CustomLine(sx, bottom, sx, sy, st.ExtremumLine);
      break;
    case spline::MarkKind::Inflection:
      gfx::CustomLine(sx, m.NegativeD ? top : bottom, sx, sy, st.InflectionLine);
      break;
  }
}

void WalkIntervals(bool writeResults) {
  const bool showCalculus = config::Settings.ShowCalculus;
  for (int32_t i = 1; i < data::DataSet.Count; ++i) {
    if (writeResults) output::WriteSegmentRow(i);
    if (!showCalculus) continue;
    spline::SegmentMarks marks;
    spline::AnalyseSegment(i, marks);
    for (int32_t m = 0; m < marks.Count; ++m) {
      DrawMark(marks.Mark[m]);
      if (writeResults) output::WriteAnalysisLine(MarkLabel(marks.Mark[m].Kind), marks.Mark[m].X);
    }
  }
}

}  // namespace

void DrawPass(bool refit, bool writeResults) {
  SetPlotClip();
  if (writeResults) output::BeginSplineFile();
  if (refit) Fit(writeResults);
  if (writeResults) output::FormatSegmentRowsAhead();
  DrawDataPoints();
  if (config::AnalysisSettings.ShowBand) DrawBand(writeResults && config::Settings.WriteCurve);
  DrawCurve(writeResults && config::Settings.WriteCurve);
  if (writeResults) output::WriteTableHead();
  WalkIntervals(writeResults);
  if (writeResults) output::EndSplineFile();
  DrawXplaceLine();
  DrawQualityLine(QualityText(spline::FitQuality()));
  if (refit) output::WriteAnalysisReport();
}

}  // namespace graph
