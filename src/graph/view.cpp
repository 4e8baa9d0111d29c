// The first view of the data.
#include "graph/view.h"

#include "spline/curve_walk.h"

namespace graph {

void InitialView(int32_t n, const long double* X, long double yMin, long double yMax) {
  ViewWindowRecord& v = ViewWindow;
  const spline::WalkScale s = spline::InitialWalkScale(n, X, yMin, yMax);
  v.Xlow = X[1] - 0.01L * (X[n] - X[1]);
  v.Xrange = s.XRange;
  v.Ylow = yMin - 0.01L * (yMax - yMin);
  v.Yrange = s.YRange;
  // A flat Y: the band is centred on the value.
  if (!(1.02L * (yMax - yMin) > 0)) v.Ylow = yMin - v.Yrange / 2;
  v.CurveStep = s.Step;
  XPlace.XP = v.Xlow + v.Xrange / 2;
}

spline::WalkScale ViewScale() {
  const ViewWindowRecord& v = ViewWindow;
  return spline::WalkScale{v.CurveStep, v.Xrange, v.Yrange};
}

}  // namespace graph
