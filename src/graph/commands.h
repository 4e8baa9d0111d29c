// The graph's commands: one table from which the legend, its number of
// words (kKeyWords), the click on a legend word, the key lookup and the
// loop's decisions are all derived, so that the key set is written once.
#pragma once
#include <cstdint>
#include <iterator>

#include "gfx/gfx.h"

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

// The legend's words in legend order (index 0 is word 1); the legend puts
// " and " before the last and "uit" after it.
// clang-format off
inline constexpr Command kCommands[] = {
    {"left", gfx::KeyLeft, 0, CommandKind::View},   {"right", gfx::KeyRight, 0, CommandKind::View},
    {"up", gfx::KeyUp, 0, CommandKind::View},       {"down", gfx::KeyDown, 0, CommandKind::View},
    {"F1", gfx::KeyF1, gfx::KeyCtrlLeft, CommandKind::CursorLeft},
    {"F2", gfx::KeyF2, gfx::KeyCtrlRight, CommandKind::CursorRight},
    {"F3", gfx::KeyF3, 0, CommandKind::Values},     {"F4", gfx::KeyF4, 0, CommandKind::Image},
    {"`", '`', 0, CommandKind::Factor},             {"1", '1', 0, CommandKind::Factor},
    {"2", '2', 0, CommandKind::Factor},             {"3", '3', 0, CommandKind::Factor},
    {"4", '4', 0, CommandKind::Factor},             {"5", '5', 0, CommandKind::Factor},
    {"6", '6', 0, CommandKind::Factor},             {"7", '7', 0, CommandKind::Factor},
    {"8", '8', 0, CommandKind::Factor},             {"9", '9', 0, CommandKind::Factor},
    {"0", '0', 0, CommandKind::Factor},             {"-", '-', 0, CommandKind::Factor},
    {"b", 'b', gfx::KeyCtrlUp, CommandKind::View},  {"B", 'B', gfx::KeyCtrlDown, CommandKind::View},
    {"x", 'x', 0, CommandKind::View},               {"X", 'X', 0, CommandKind::View},
    {"y", 'y', 0, CommandKind::View},               {"Y", 'Y', 0, CommandKind::View},
    {"q", 'Q', 'q', CommandKind::Quit},  // the legend's "q" quits as "Q"
};
// clang-format on

// The number of legend words, 1 to kKeyWords.
inline constexpr int kKeyWords = static_cast<int>(std::size(kCommands));

// The command a key gives; nullptr for a key that is no command.
const Command* CommandOfKey(int32_t key);

// A command that leaves the plot as it is: only the cursor, a file or an
// image changes.
bool LeavesThePlot(CommandKind kind);

}  // namespace graph
