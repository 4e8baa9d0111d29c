// The +-2 sigma band of the curve on the graph (ShowBand).
#pragma once

namespace graph {

// Two thin lines in the curve's colour at S(x) +- 2 sigma(S(x)), through the
// points of the curve walk (the whole curve when `wholeCurve`, as a pass that
// writes the result file walks it, else the part in view). Nothing is drawn
// when the latest fit has no sigmas.
void DrawBand(bool wholeCurve);

}  // namespace graph
