// The drawing pass. The curve walk and the interval loop are shared by the
// result file and the picture, so the file's rows are the drawn points.
#include "graph/draw_pass.h"

#include <algorithm>
#include <cstdint>
#include <memory>
#include <new>
#include <vector>

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

// The curve's lines within one screen column. With a million knots on a few
// hundred columns most lines of the walk are vertical steps inside a column;
// they are all drawn in one colour after the points and before the marks,
// and pixels are written, not mixed, so only the union of their pixels
// counts: for a solid line that is one vertical line over the column's
// lowest to highest point, and a line of zero length (which lies along the
// column, not across it) at the lowest and at the highest point where one
// was drawn. Lines between columns are drawn as they come.
struct ColumnRun {
  int32_t x = 0, yLo = 0, yHi = 0;
  bool vertical = false;             // a vertical line was drawn in the column
  bool still = false;                // a line of zero length was
  int32_t stillLo = 0, stillHi = 0;  // its lowest and highest point
};

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

// A pass that writes the curve rows walks the whole curve; one that only
// draws walks the part in view, so that a deep zoom stays quick to redraw.
void DrawCurve(bool writeRows) {
  const ViewWindowRecord& v = ViewWindow;
  const gfx::LineOption& line = GraphStyles.CurveLine;
  CurveWalk walk = writeRows ? StartCurveWalk(v.CurveStep, v.Xrange, v.Yrange)
                             : StartCurveWalk(v.CurveStep, v.Xrange, v.Yrange, v.Xlow,
                                              v.Xlow + v.Xrange);
  long double x;
  spline::Evaluation e;
  bool first = true;
  int32_t px = 0, py = 0;
  ColumnRun run;
  while (NextCurvePoint(walk, x, e)) {
    if (writeRows) output::WriteCurveRow(x, e);
    const int32_t sx = ToScreenX(x), sy = ToScreenY(e.Value);
    if (first) run = ColumnRun{sx, sy, sy};
    else AddCurveLine(run, px, py, sx, sy, line);
    first = false;
    px = sx, py = sy;
  }
  if (!first) FlushRun(run, line);
}

const char* MarkLabel(spline::MarkKind kind) {
  switch (kind) {
    case spline::MarkKind::Minimum: return "  Minimum at x=";
    case spline::MarkKind::Maximum: return "  Maximum at x=";
    default: return "  Point of inflection at x=";
  }
}

// The marks' lines drawn so far in this pass. All of them are drawn in one
// colour, one after the other, so only the union of their pixels counts. A
// vertical mark line starts at the plot's top or bottom edge with its
// dashes counted from there, so of two lines in the same column from the
// same edge, in the same direction and style, the shorter is part of the
// longer: it is left out. With many marks on few columns (noisy data fitted
// closely) that leaves a few lines per column instead of a line per mark.
class MarkLines {
 public:
  void Draw(int32_t x, int32_t from, int32_t to, bool inflection, bool fromTop) {
    const gfx::LineOption& style = inflection ? GraphStyles.InflectionLine : GraphStyles.ExtremumLine;
    const int64_t length = int64_t{to} - from;
    if (length == 0 || x < 0 || x >= static_cast<int32_t>(drawn_.size() / 8)) {
      gfx::CustomLine(x, from, x, to, style);  // a dot, or outside the screen
      return;
    }
    const std::size_t key = static_cast<std::size_t>(x) * 8 + (inflection ? 4 : 0) +
                            (fromTop ? 2 : 0) + (length > 0 ? 1 : 0);
    const int64_t reach = length > 0 ? length : -length;
    if (reach <= drawn_[key]) return;
    drawn_[key] = reach;
    gfx::CustomLine(x, from, x, to, style);
  }
  // Forgets every line (a new pass draws on a cleared plot).
  void Reset(int32_t columns) { drawn_.assign(static_cast<std::size_t>(columns) * 8, 0); }

 private:
  std::vector<int64_t> drawn_;  // per column and kind of line: the longest drawn
};

// A vertical line from the plot's edge to the curve: maxima hang from the
// top, minima stand on the bottom, a flat minimum spans the whole height,
// and an inflection comes from the side its cubic term points away from.
void DrawMark(const spline::CalculusMark& m, MarkLines& lines) {
  const GraphLayoutRecord& L = Layout;
  const int32_t sx = ToScreenX(m.X), sy = ToScreenY(m.Value);
  const int32_t top = L.PY0 + 1, bottom = L.PY1 - 1;
  switch (m.Kind) {
    case spline::MarkKind::Maximum: lines.Draw(sx, top, sy, false, true); break;
    case spline::MarkKind::Minimum:
      lines.Draw(sx, bottom, m.ZeroSecondDerivative ? top : sy, false, false);
      break;
    case spline::MarkKind::Inflection:
      lines.Draw(sx, m.NegativeD ? top : bottom, sy, true, m.NegativeD);
      break;
  }
}

void WalkIntervals(bool writeResults) {
  const bool showCalculus = config::Settings.ShowCalculus;
  MarkLines lines;
  lines.Reset(gfx::MaxX() + 1);
  // The report takes the marks of a fitting pass from here, with the
  // result file, instead of looking for them again.
  if (writeResults) output::StartNotingMarks();
  for (int32_t i = 1; i < data::DataSet.Count; ++i) {
    if (writeResults) output::WriteSegmentRow(i);
    if (!showCalculus) continue;
    spline::SegmentMarks marks;
    spline::AnalyseSegment(i, marks);
    for (int32_t m = 0; m < marks.Count; ++m) {
      DrawMark(marks.Mark[m], lines);
      if (!writeResults) continue;
      output::WriteAnalysisLine(MarkLabel(marks.Mark[m].Kind), marks.Mark[m].X);
      output::NoteMark(marks.Mark[m], i);
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
