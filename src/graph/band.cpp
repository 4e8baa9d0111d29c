// The uncertainty band: the curve walk once more, with the sigma of the
// value at each of its points from the latest fit's covariance bands.
#include "graph/band.h"

#include <cstdint>

#include "data/dataset.h"
#include "graph/graph_state.h"
#include "graph/plot.h"
#include "graph/view.h"
#include "spline/criterion.h"
#include "spline/curve_walk.h"
#include "spline/fit.h"
#include "spline/uncertainty.h"

namespace graph {

void DrawBand(bool wholeCurve) {
  const spline::CovarianceBands& b = spline::LastBands;
  if (!b.Defined) return;
  const ViewWindowRecord& v = ViewWindow;
  const data::DataSetRecord& d = data::DataSet;
  const spline::SplineSegment* A = spline::Fit.Segments;
  spline::CurveWalk walk =
      wholeCurve ? spline::StartCurveWalk(d.Count, d.XValues, A, ViewScale())
                 : spline::StartCurveWalk(d.Count, d.XValues, A, ViewScale(), v.Xlow, v.Xlow + v.Xrange);
  const gfx::LineOption thin{GraphColours.Line, 1, {}};
  long double x;
  spline::Evaluation e;
  bool first = true;
  int32_t px = 0, pLow = 0, pHigh = 0;
  while (spline::NextCurvePoint(walk, x, e)) {
    const long double s = 2 * spline::SigmasAt(b, x).Value;
    const int32_t sx = ToScreenX(x), low = ToScreenY(e.Value - s), high = ToScreenY(e.Value + s);
    if (!first) {
      gfx::CustomLine(sx, low, px, pLow, thin);
      gfx::CustomLine(sx, high, px, pHigh, thin);
    }
    first = false;
    px = sx, pLow = low, pHigh = high;
  }
}

}  // namespace graph
