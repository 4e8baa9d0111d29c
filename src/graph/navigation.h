// The interactive loop: draw a pass when one is due, wait for one command
// from the keyboard or the mouse, carry it out, until the user quits.
#pragma once
#include <cstdint>

namespace graph {

// Runs until "q" or "Q", then clears the plot, releases the off-screen
// areas and returns for the normal end.
void RunInteractiveLoop();

// The key code of the legend word under column mx of the legend rows, or 0.
int32_t LegendKeyAt(int32_t mx);

}  // namespace graph
