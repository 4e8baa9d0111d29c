// The graph's commands: one table from which the legend, the click on a
// legend word, the key lookup and the loop's decisions are all derived, so
// that the key set is written once.
#pragma once
#include <cstdint>

#include "graph/graph_state.h"

namespace graph {

enum class CommandKind {
  View,         // pan or zoom: a full pass without a fit
  Factor,       // rescales the errors: a refit
  CursorLeft,   // the cursor steps, nothing else is drawn
  CursorRight,
  Values,       // F3: a row of kurvex.cal
  Image,        // F4: an image
  Quit,
};

struct Command {
  const char* Word;   // the legend's word
  int32_t Key;        // the key it gives (and a click on the word)
  int32_t OtherKey;   // a second key with the same effect, or 0
  CommandKind Kind;
};

// The 27 legend words in legend order (index 0 is word 1).
extern const Command kCommands[kKeyWords];

// The command a key gives; nullptr for a key that is no command.
const Command* CommandOfKey(int32_t key);

// A command that leaves the plot as it is: only the cursor, a file or an
// image changes.
bool LeavesThePlot(CommandKind kind);

}  // namespace graph
