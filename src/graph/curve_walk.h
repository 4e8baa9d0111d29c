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
};

// Starts at X[1] with the view's step and extents.
CurveWalk StartCurveWalk(long double step, long double xRange, long double yRange);

// Evaluates the current point into `e` and advances. Returns false once the
// last point (at X[n]) has been delivered, i.e. on the call after it.
bool NextCurvePoint(CurveWalk& walk, long double& x, spline::Evaluation& e);

}  // namespace graph
