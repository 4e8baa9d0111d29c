// The walk along the curve from X[1] to X[n]: the same points are written
// to the spline data file and drawn, so the rows of the file are the points
// of the picture. The step shrinks where the curve is steep on the screen.
#pragma once
#include <cstdint>

#include "spline/evaluate.h"

namespace graph {

struct CurveWalk {
  long double x;
  int32_t k;       // index of the next data X not yet passed; 0 at the last point
  long double step, xRange, yRange;
  long double minStep;  // no step is shorter: 1 / kMaxWalkSteps of the data's X range
  long double stopAt;   // the first point at or past this X is the last
};

// However steep the curve (knots a hair apart make a spline swing far out
// of the view) or deep the zoom, a walk over the data takes at most this
// many steps, so a pass and the file it writes stay bounded.
inline constexpr long double kMaxWalkSteps = 65536;

// Starts at X[1] with the view's step and extents, for the whole curve.
CurveWalk StartCurveWalk(long double step, long double xRange, long double yRange);
// The same for the part of the curve within [from, to] only (a pass that
// only draws): it starts at `from` when that lies past X[1], and ends with
// the first point at or past `to`.
CurveWalk StartCurveWalk(long double step, long double xRange, long double yRange,
                         long double from, long double to);

// Evaluates the current point into `e` and advances. Returns false once the
// last point (at X[n]) has been delivered, i.e. on the call after it.
bool NextCurvePoint(CurveWalk& walk, long double& x, spline::Evaluation& e);

}  // namespace graph
