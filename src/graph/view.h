// The visible world window of the graph and the X-place cursor. The view is
// set once from the data and afterwards changed only by pan and zoom.
#pragma once
#include <cstdint>

namespace graph {

struct ViewWindowRecord {
  long double Xlow = 0, Xrange = 1, Ylow = 0, Yrange = 1;
  long double CurveStep = 0;  // the largest X step of the curve walk
};
extern ViewWindowRecord ViewWindow;

struct XPlaceRecord {
  long double XP = 0;  // world X of the cursor
  int32_t XS = 0;      // its screen column
};
extern XPlaceRecord XPlace;

// The data range widened by 1% on every side, a curve step of 1/200 of the
// X range, and the cursor in the middle.
void InitialView(int32_t n, const long double* X, long double yMin, long double yMax);

}  // namespace graph
