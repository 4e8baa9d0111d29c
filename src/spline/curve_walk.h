// The walk along the fitted curve from X[1] to X[n]: the points at which the
// curve is drawn and the rows the spline data file lists for it. The step
// shrinks where the curve is steep on the screen, so the points crowd there.
#pragma once
#include <cstdint>

#include "spline/evaluate.h"
#include "spline/segment.h"

namespace spline {

// A walk over the whole curve takes at most this many points by its rule;
// past them it finishes at X[n] with one point more. A deep zoom followed by
// a refit (a step of a billionth of the range) would otherwise write rows
// without end; 2^24 rows are more than a gigabyte of text even at the
// narrowest number width, so no file of ordinary size is affected.
inline constexpr int64_t kMaxWalkPoints = int64_t{1} << 24;
// A walk over the part in view, which is only drawn, ends the same way
// after fewer points: a million points on a screen of a few thousand
// columns draw every pixel the curve has, and a redraw stays quick.
inline constexpr int64_t kMaxViewWalkPoints = int64_t{1} << 20;

// What sets the walk: the largest X step, and the x and y extents of the
// plotted range, which make a slope steep or flat on the screen.
struct WalkScale {
  long double Step = 0, XRange = 1, YRange = 1;
};

// The scale of the first view of the data: X and Y ranges widened by 2%
// (a flat Y gets 2% of its value, or 1 around 0, so that no slope divides
// by zero), and a step of a 200th of the X range.
WalkScale InitialWalkScale(int32_t n, const long double* X, long double yMin, long double yMax);

struct CurveWalk {
  int32_t n;
  const long double* X;
  const SplineSegment* A;
  long double x;         // the next point
  int32_t k;             // index of the next data X not yet passed; 0 at the last point
  WalkScale scale;
  long double stopAt;    // the first point at or past this X is the last
  int64_t points;        // delivered so far
  int64_t maxPoints;     // kMaxWalkPoints, or kMaxViewWalkPoints
};

// Starts at X[1], for the whole curve of the segments A over the knots X[1..n].
CurveWalk StartCurveWalk(int32_t n, const long double* X, const SplineSegment* A,
                         const WalkScale& scale);
// The same for the part of the curve within [from, to] only (a picture of
// the view): it starts at `from` when that lies past X[1], and ends with the
// first point at or past `to`.
CurveWalk StartCurveWalk(int32_t n, const long double* X, const SplineSegment* A,
                         const WalkScale& scale, long double from, long double to);

// Evaluates the current point into `e` and advances. Returns false once the
// last point (at X[n]) has been delivered, i.e. on the call after it.
//   next x = x + Step / (1 + |S'(x)| XRange / YRange);
// when the next x is not below X[k], k moves on by one (once a step, so
// when a step passes several knots, X[n] comes again for each knot not yet
// counted); a next x past X[n] is X[n]; once k passes n, that point is the last.
bool NextCurvePoint(CurveWalk& walk, long double& x, Evaluation& e);

}  // namespace spline
