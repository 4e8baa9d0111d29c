// The pass after start-up and after every key that rescales the errors: the
// fit, the spline data file and the picture, from one walk along the curve
// and one loop over the intervals.
#pragma once

namespace graph {

// Fits, writes the spline data file when `writeResults`, draws, and writes
// the analysis report. A fit that runs out of iterations is an error stop.
void FittingPass(bool writeResults);

}  // namespace graph
