// Inside the graphics layer: its one global state record, the interface
// every driver implements, and the helpers the drawing files share.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "gfx/gfx.h"

namespace gfx {

// A back end. Every driver fills the same small table, so the layer above
// never asks which driver runs.
struct Driver {
  const char* Name;
  bool AcceptsAnySize;
  bool (*Open)();                                   // can it run here?
  bool (*StartMode)(int32_t width, int32_t height);  // show a screen of this size
  void (*Close)();                                  // deselected: drop the window
  void (*SetTitle)(const std::string& title);
  void (*Present)();  // bring the window up to date with the screen context
  // The next input event, waiting at most timeoutMs (negative: no limit);
  // Flags 0 with the pointer state now when nothing came.
  MouseEvent (*NextEvent)(int32_t timeoutMs);
  int32_t (*ReadKey)();  // blocks until a key arrives
  void (*ShowCursor)(const Cursor* cursor);  // nullptr: the default pointer
  bool (*HasMouse)();
  // The dialogs; the message box tells whether it used standard error.
  bool (*MessageBox)(const std::string& title, const std::vector<std::string>& lines);
  std::string (*SelectFile)(const std::string& label, const std::string& initialName,
                            const std::vector<FileFilter>& filters);
};
extern const Driver MemoryDriver;
extern const Driver WindowDriver;

struct State {
  const Driver* ActiveDriver = nullptr;
  bool HasMode = false;
  Context Screen;
  Context* Current = nullptr;  // never null while a mode is set
  std::vector<Rgb> Palette;    // 2^depth entries at depths up to 8, else empty
  std::vector<bool> PaletteUsed;
  bool MouseOn = false;
  Cursor PointerShape;
  bool HasPointerShape = false;
  void (*AbortHandler)() = nullptr;  // before a confirmed close ends the process
};
extern State G;

// The window driver's GTK code is a module of its own, loaded only when the
// window driver is chosen, so that a run without a window does not map GTK
// and its seventy libraries. The module keeps no state of the layer's: it
// reaches the one record G and the helpers it needs through this table,
// which the program hands over at load time and keeps for the whole run.
struct WindowHost {
  // The interface and the sizes of the shared records, so that a module of
  // another build refuses to run instead of misreading them.
  int32_t Interface;
  uint32_t StateSize, DriverSize;
  State* Layer;
  Rgb (*DecodePixel)(int32_t bpp, uint32_t value);
  int32_t (*MaxX)();
  int32_t (*MaxY)();
  std::string (*TrimBlanks)(const std::string& text);
};
// Raised whenever Driver, State or WindowHost changes meaning.
inline constexpr int32_t WindowInterface = 1;
inline constexpr const char* WindowModuleFile = "kurvex-gtk.so";
// The module's one exported function: its driver table, or nullptr when
// the host's interface is not its own.
inline constexpr const char* WindowModuleEntry = "kurvex_window_driver";
using WindowModuleEntryFunction = const Driver* (*)(const WindowHost* host);

// Valid depths are 1, 2, 4, 8, 15, 16, 24 and 32.
bool ValidDepth(int32_t bpp);
// All bits a stored value may have at this depth.
uint32_t DepthMask(int32_t bpp);
// The RGB colour of a stored value at `bpp`, palette depths through the
// current palette. The one place where pixel formats are decoded.
Rgb DecodePixel(int32_t bpp, uint32_t value);
void ResetPalette(int32_t bpp);
// Sizes a context may have; false when the arithmetic would not fit.
bool ContextSizeOk(int32_t width, int32_t height);
// Gives a context its pixels, all 0, and the full clip box; false when
// memory runs out.
bool AllocatePixels(Context& context, int32_t width, int32_t height, int32_t bpp);

// Marks a rectangle of the screen as changed, so the window shows it.
void MarkDirty(Context& context, int32_t x0, int32_t y0, int32_t x1, int32_t y1);
// Writes value into columns x0..x1 of row y of the current context, cut to
// its clip box. Coordinates may be anything a 64-bit sum produces.
void FillSpan(int64_t x0, int64_t x1, int64_t y, Colour colour);
// The built-in fonts (fonts/lucss_fonts.cpp, generated).
extern const Font FontLucs11, FontLucs15, FontLucs21;

// The text without blanks and tabs at either end.
std::string TrimBlanks(const std::string& text);

// Everything drawn is announced here, so the window driver can keep up
// during long drawing work.
void AfterDrawing();

}  // namespace gfx
