// The curve walk and the initial view.
#include "graph/curve_walk.h"

#include <algorithm>
#include <cmath>

#include "data/dataset.h"
#include "graph/view.h"

namespace graph {

ViewWindowRecord ViewWindow;
XPlaceRecord XPlace;

void InitialView(int32_t n, const long double* X, long double yMin, long double yMax) {
  ViewWindowRecord& v = ViewWindow;
  v.Xlow = X[1] - 0.01L * (X[n] - X[1]);
  v.Xrange = 1.02L * (X[n] - X[1]);
  v.Ylow = yMin - 0.01L * (yMax - yMin);
  v.Yrange = 1.02L * (yMax - yMin);
  v.CurveStep = (X[n] - X[1]) / 200;
  XPlace.XP = v.Xlow + v.Xrange / 2;
}

CurveWalk StartCurveWalk(long double step, long double xRange, long double yRange) {
  const data::DataSetRecord& d = data::DataSet;
  return CurveWalk{d.XValues[1], 2, step, xRange, yRange};
}

namespace {

// The first knot above x: where the walk goes on when its step is lost in
// the rounding of x (a step far below x's last digit, or a flat view of
// zero height), so that the walk always reaches X[n].
long double NextKnotAbove(long double x) {
  const data::DataSetRecord& d = data::DataSet;
  const long double* end = d.XValues + d.Count + 1;
  const long double* p = std::upper_bound(static_cast<const long double*>(d.XValues + 1), end, x);
  return p == end ? d.XValues[d.Count] : *p;
}

}  // namespace

bool NextCurvePoint(CurveWalk& w, long double& x, spline::Evaluation& e) {
  const data::DataSetRecord& d = data::DataSet;
  const int32_t n = d.Count;
  if (w.k < 0) return false;  // the last point was delivered
  if (w.k > n) w.k = 0;
  x = w.x;
  spline::EvaluateSpline(x, e);
  if (w.k == 0) {
    w.k = -1;
    return true;
  }
  long double steep = w.yRange != 0 ? std::fabs(e.D1) * w.xRange / w.yRange : 0;
  long double next = w.x + w.step / (1 + steep);
  if (!(next > w.x)) next = NextKnotAbove(w.x);
  if (next >= d.XValues[w.k]) ++w.k;
  if (next > d.XValues[n]) next = d.XValues[n];
  w.x = next;
  return true;
}

}  // namespace graph
