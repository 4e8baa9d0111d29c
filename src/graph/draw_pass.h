// One pass of the graph: the fit when one is due, the spline data file when
// results are pending, and the walk over the curve and the intervals that
// both the file and the picture are made from.
#pragma once

namespace graph {

// Fits when `refit`, writes the spline data file when `writeResults`.
// A fit that runs out of iterations is an error stop.
void DrawPass(bool refit, bool writeResults);

}  // namespace graph
