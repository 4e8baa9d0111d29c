// The command table.
#include "graph/commands.h"

#include "gfx/gfx.h"

namespace graph {

using K = CommandKind;

const Command kCommands[kKeyWords] = {
    {"left", gfx::KeyLeft, 0, K::View},       {"right", gfx::KeyRight, 0, K::View},
    {"up", gfx::KeyUp, 0, K::View},           {"down", gfx::KeyDown, 0, K::View},
    {"F1", gfx::KeyF1, gfx::KeyCtrlLeft, K::CursorLeft},
    {"F2", gfx::KeyF2, gfx::KeyCtrlRight, K::CursorRight},
    {"F3", gfx::KeyF3, 0, K::Values},         {"F4", gfx::KeyF4, 0, K::Image},
    {"`", '`', 0, K::Factor},                 {"1", '1', 0, K::Factor},
    {"2", '2', 0, K::Factor},                 {"3", '3', 0, K::Factor},
    {"4", '4', 0, K::Factor},                 {"5", '5', 0, K::Factor},
    {"6", '6', 0, K::Factor},                 {"7", '7', 0, K::Factor},
    {"8", '8', 0, K::Factor},                 {"9", '9', 0, K::Factor},
    {"0", '0', 0, K::Factor},                 {"-", '-', 0, K::Factor},
    {"b", 'b', gfx::KeyCtrlUp, K::View},      {"B", 'B', gfx::KeyCtrlDown, K::View},
    {"x", 'x', 0, K::View},                   {"X", 'X', 0, K::View},
    {"y", 'y', 0, K::View},                   {"Y", 'Y', 0, K::View},
    {"q", 'Q', 'q', K::Quit},  // the legend's "q" quits as "Q"
};

const Command* CommandOfKey(int32_t key) {
  if (key == 0) return nullptr;
  for (const Command& c : kCommands)
    if (c.Key == key || c.OtherKey == key) return &c;
  return nullptr;
}

bool LeavesThePlot(CommandKind kind) {
  return kind == K::CursorLeft || kind == K::CursorRight || kind == K::Values || kind == K::Image;
}

}  // namespace graph
