// The curve walk.
#include "spline/curve_walk.h"

#include <algorithm>
#include <cmath>

namespace spline {

WalkScale InitialWalkScale(int32_t n, const long double* X, long double yMin, long double yMax) {
  WalkScale s;
  s.Step = (X[n] - X[1]) / 200;
  s.XRange = 1.02L * (X[n] - X[1]);
  s.YRange = 1.02L * (yMax - yMin);
  if (!(s.YRange > 0)) s.YRange = yMin != 0 ? 0.02L * std::fabs(yMin) : 1;
  return s;
}

CurveWalk StartCurveWalk(int32_t n, const long double* X, const SplineSegment* A,
                         const WalkScale& scale) {
  return CurveWalk{n, X, A, X[1], 2, scale, HUGE_VALL, 0, kMaxWalkPoints};
}

CurveWalk StartCurveWalk(int32_t n, const long double* X, const SplineSegment* A,
                         const WalkScale& scale, long double from, long double to) {
  CurveWalk w = StartCurveWalk(n, X, A, scale);
  w.stopAt = to;
  w.maxPoints = kMaxViewWalkPoints;
  if (from > X[1]) {
    // Nothing left of the view is drawn, so the walk starts at its edge.
    w.x = std::min(from, X[n]);
    w.k = static_cast<int32_t>(std::upper_bound(X + 1, X + n + 1, w.x) - X);
  }
  return w;
}

namespace {

// The first knot above x: where the walk goes on when its step is lost in
// the rounding of x (a step far below x's last digit, or a slope so steep
// that the step is 0 or not a number), so that the walk always reaches X[n].
long double NextKnotAbove(const CurveWalk& w) {
  const long double* end = w.X + w.n + 1;
  const long double* p = std::upper_bound(w.X + 1, end, w.x);
  return p == end ? w.X[w.n] : *p;
}

}  // namespace

bool NextCurvePoint(CurveWalk& w, long double& x, Evaluation& e) {
  const int32_t n = w.n;
  if (w.k < 0) return false;  // the last point was delivered
  if (w.k > n) w.k = 0;
  x = w.x;
  EvaluateSpline(n, w.X, w.A, x, e);
  if (w.k == 0 || x >= w.stopAt) {
    w.k = -1;
    return true;
  }
  if (++w.points >= w.maxPoints) {
    w.x = w.X[n], w.k = 0;  // the bound: X[n] is the last point
    return true;
  }
  const WalkScale& s = w.scale;
  const long double steep = s.YRange != 0 ? std::fabs(e.D1) * s.XRange / s.YRange : 0;
  long double next = w.x + s.Step / (1 + steep);
  if (!(next > w.x)) next = NextKnotAbove(w);
  if (next >= w.X[w.k]) ++w.k;
  if (next > w.X[n]) next = w.X[n];
  w.x = next;
  return true;
}

}  // namespace spline
