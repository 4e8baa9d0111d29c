// The colour chart: which colour code gives which colour, for the palette
// depths, so that the colour keys can be chosen. Ends the run after a key.
#pragma once

namespace graph {

[[noreturn]] void ShowColourChart();

}  // namespace graph
