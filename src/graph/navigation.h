// The interactive loop: draw a pass when one is due, wait for one command
// from the keyboard or the mouse, carry it out, until the user quits.
#pragma once
#include <cstdint>

namespace graph {

// Runs until "q" or "Q"; the quit ends the process.
[[noreturn]] void RunInteractiveLoop();

// The key code of the legend word under column mx of the legend rows, or 0.
int32_t LegendKeyAt(int32_t mx);

// Is this key code one of the commands of the loop?
bool IsCommand(int32_t key);

}  // namespace graph
