// Graphics set-up: driver and mode, the palette's colour table, the seven
// graph colours, the text and line styles and the mouse cursor. Everything
// here runs once, in the order of the start-up sequence.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "gfx/gfx.h"
#include "graph/graph_state.h"
#include "graph/mode_report.h"

namespace graph {

// The drivers tried, in order: index 1, the desktop window (also taken for
// any name not listed, such as "win32" from other platforms), index 2, none.
inline constexpr const char* DriverNames[2] = {gfx::WindowDriverName, gfx::MemoryDriverName};

extern const gfx::Rgb DefaultPalette[256];

// The drivers the graphics layer offers, each with its list of modes.
std::vector<DriverEntry> AvailableDrivers();

// Selects the driver of that exact name, or index 1; false when the
// graphics layer refuses it.
bool SelectDriver(const std::string& name);
// What a run that cannot have its window is told to do: why (no display,
// or the window driver's module missing or unloadable, with the loader's
// reason) and to use --batch; "" when the window driver can run.
std::string NoWindowHint();
// Sets the window title and the mode and, for palette depths, fills
// ColourTable; the mode report stop when the mode cannot be had.
void SetGraphicsMode(int32_t width, int32_t height, int32_t depth);
// The depth's default colours, then the seven colour keys over them.
void SetDefaultColours(int32_t depth);
void ReadColourKeys(int32_t depth);
// The font by the configured width, and the five text and four line styles.
void PrepareStyles(int32_t configuredWidth);
// The two-colour cross cursor, when a mouse is there and the depth has more
// than 2 bits; sets MouseInUse.
void InitMouseCursor(int32_t depth);
void ClearGraph();
// Part of every stop: releases the mouse when it was set up.
void ReleaseGraphics();

}  // namespace graph
