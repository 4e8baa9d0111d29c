// The first view of the graph (the records are in graph_state.h), and the
// scale the view gives the curve walk.
#pragma once
#include <cstdint>

#include "graph/graph_state.h"
#include "spline/curve_walk.h"

namespace graph {

// The data range widened by 1% on every side, a curve step of 1/200 of the
// X range, and the cursor in the middle.
void InitialView(int32_t n, const long double* X, long double yMin, long double yMax);

// The curve walk's step and extents in the current view: zooming in on X
// makes the step smaller in the same ratio.
spline::WalkScale ViewScale();

}  // namespace graph
