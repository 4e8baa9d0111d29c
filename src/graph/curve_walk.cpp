// The curve walk and the initial view.
#include "graph/curve_walk.h"

#include <algorithm>
#include <cmath>

#include "data/dataset.h"
#include "graph/view.h"

namespace graph {

void InitialView(int32_t n, const long double* X, long double yMin, long double yMax) {
  ViewWindowRecord& v = ViewWindow;
  v.Xlow = X[1] - 0.01L * (X[n] - X[1]);
  v.Xrange = 1.02L * (X[n] - X[1]);
  v.Ylow = yMin - 0.01L * (yMax - yMin);
  v.Yrange = 1.02L * (yMax - yMin);
  if (!(v.Yrange > 0)) {
    // Constant Y: a band of 2% of the value (or of 1 around 0), centred on it,
    // so that the mapping never divides by zero.
    v.Yrange = yMin != 0 ? 0.02L * std::fabs(yMin) : 1;
    v.Ylow = yMin - v.Yrange / 2;
  }
  v.CurveStep = (X[n] - X[1]) / 200;
  XPlace.XP = v.Xlow + v.Xrange / 2;
}

CurveWalk StartCurveWalk(long double step, long double xRange, long double yRange) {
  const data::DataSetRecord& d = data::DataSet;
  const long double minStep = (d.XValues[d.Count] - d.XValues[1]) / kMaxWalkSteps;
  return CurveWalk{d.XValues[1], 2, step, xRange, yRange, minStep, HUGE_VALL};
}

CurveWalk StartCurveWalk(long double step, long double xRange, long double yRange,
                         long double from, long double to) {
  const data::DataSetRecord& d = data::DataSet;
  CurveWalk w = StartCurveWalk(step, xRange, yRange);
  w.stopAt = to;
  if (from > d.XValues[1]) {
    // Nothing left of the view is drawn, so the walk starts at its edge.
    const long double* begin = d.XValues + 1;
    const long double* end = d.XValues + d.Count + 1;
    w.x = std::min(from, d.XValues[d.Count]);
    w.k = static_cast<int32_t>(std::upper_bound(begin, end, w.x) - d.XValues);
  }
  return w;
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
  if (w.k == 0 || x >= w.stopAt) {
    w.k = -1;
    return true;
  }
  long double steep = w.yRange != 0 ? std::fabs(e.D1) * w.xRange / w.yRange : 0;
  long double stride = w.step / (1 + steep);
  if (!(stride >= w.minStep)) stride = w.minStep;  // a NaN stride too
  long double next = w.x + stride;
  if (!(next > w.x)) next = NextKnotAbove(w.x);
  if (next >= d.XValues[w.k]) ++w.k;
  if (next > d.XValues[n]) next = d.XValues[n];
  w.x = next;
  return true;
}

}  // namespace graph
