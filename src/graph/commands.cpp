// Looking up the command table.
#include "graph/commands.h"

namespace graph {

using K = CommandKind;

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
