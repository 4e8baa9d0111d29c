// The graph's global state, defined in one place (graph_state.h says what
// each record holds).
#include "graph/graph_state.h"

namespace graph {

GraphColoursRecord GraphColours;
GraphStylesRecord GraphStyles;
GraphLayoutRecord Layout;
gfx::Context* XplaceStrip = nullptr;
gfx::Context* GraphSnapshot = nullptr;
gfx::Colour ColourTable[256];
ViewWindowRecord ViewWindow;
XPlaceRecord XPlace;
GraphLoopRecord GraphLoop;

}  // namespace graph
