// Drawing the plot: a pass that only draws (after pan and zoom), and the
// pieces of it that the fitting pass draws with while it walks the curve
// and the intervals for the result file too.
#pragma once
#include <cstdint>
#include <vector>

#include "spline/analysis.h"
#include "spline/evaluate.h"

namespace graph {

// Data, band, the curve in view, the marks, the cursor line and the
// fit-quality line, from the latest fit.
void DrawPass();

// The data points; a circle whose centre falls on a pixel already drawn is
// left out.
void DrawDataPoints();

// The lines of the curve within one screen column, gathered: with a million
// knots on a few hundred columns most lines of the walk are vertical steps
// inside a column.
struct ColumnRun {
  int32_t x = 0, yLo = 0, yHi = 0;
  bool vertical = false;             // a vertical line was drawn in the column
  bool still = false;                // a line of zero length was
  int32_t stillLo = 0, stillHi = 0;  // its lowest and highest point
};
// The curve as it is drawn, point by point along a walk.
struct CurvePen {
  bool first = true;
  int32_t px = 0, py = 0;  // the previous point on the screen
  ColumnRun run;
};
void DrawCurvePoint(CurvePen& pen, long double x, const spline::Evaluation& e);
void FinishCurve(CurvePen& pen);

// The mark lines drawn so far in a pass, per column and kind of line: the
// longest, since a shorter one of the same column, edge and style is part
// of it and is left out.
struct MarkPen {
  std::vector<int64_t> drawn;
};
void StartMarks(MarkPen& pen);
void DrawMark(MarkPen& pen, const spline::CalculusMark& m);

// The cursor line and the fit-quality line, which end every pass.
void FinishPass();

}  // namespace graph
