// The graphics layer: drivers and modes, the screen and memory contexts,
// colours, drawing primitives, bitmap text, PNG export and keyboard/mouse
// input. It knows nothing of the program that draws with it.
#pragma once
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

namespace gfx {

// A colour value: a colour number (palette index) at depths 1 to 8, a packed
// 5-5-5 or 5-6-5 pixel at depths 15 and 16, 0xRRGGBB at depths 24 and 32.
// Bits beyond the depth are masked off wherever a colour is used, so any
// value (a negative one too) is safe to pass.
using Colour = int32_t;

struct Rgb {
  int32_t Red = 0, Green = 0, Blue = 0;  // 0..255 each
};

// ---- Drivers and modes ------------------------------------------------------

inline constexpr const char* WindowDriverName = "gtk";     // a desktop window
inline constexpr const char* MemoryDriverName = "memory";  // no window at all

struct VideoMode {
  int32_t Width = 0, Height = 0, Bpp = 0;
};

// The smallest mode any driver accepts. Below it a drawing area framed by
// three rows of the tallest built-in font (21 pixels) would have no width or
// height left: width - 5 > 0 and height - 3 * 21 - 6 > 0.
inline constexpr int32_t MinModeWidth = 6;
inline constexpr int32_t MinModeHeight = 70;
// The largest: every side at most 32767, at most 2^25 pixels.
inline constexpr int32_t MaxModeSide = 32767;
inline constexpr int64_t MaxModePixels = int64_t{1} << 25;

// True for a size every driver's mode may have: MinMode.. to MaxModeSide
// a side and MaxModePixels in all.
bool SizeAllowed(int32_t width, int32_t height);

// Selects a driver by exact name; false (and no driver) when the name is
// unknown or the driver cannot run here, e.g. the window driver without a
// display. Selecting a driver drops the current mode.
bool SetDriver(const std::string& name);
// The selected driver's name, "" when none is selected.
std::string CurrentDriverName();
// The standard modes of the selected driver: 640x480 and up at each depth.
std::vector<VideoMode> DriverModes();
// True when the selected driver also accepts sizes not in its list.
bool DriverAcceptsAnySize();
// Sets a mode of the selected driver: allocates the screen context, resets
// the palette and the clip box, clears the screen to colour 0 and (window
// driver) opens the window. False for a depth not in {1,2,4,8,15,16,24,32},
// a size outside MinMode..MaxMode, no driver, or no memory.
bool SetMode(int32_t width, int32_t height, int32_t bpp);
// Largest x and y of the screen (width - 1, height - 1); -1 without a mode.
int32_t MaxX();
int32_t MaxY();
int32_t CurrentBpp();  // 0 without a mode
void SetWindowTitle(const std::string& title);
// Brings the window up to date with the screen context now. Waiting for
// input does this by itself; call it to show something during a long task.
void UpdateScreen();

// ---- Colours -----------------------------------------------------------------

// The colour value of an RGB colour in the current mode. Palette modes reuse
// an entry holding exactly that colour, else take the next free entry, else
// return the nearest entry. Components are clamped to 0..255.
Colour AllocColour(int32_t red, int32_t green, int32_t blue);
// Palette modes only: sets entry `index` (masked to the depth) to an RGB
// colour, so that a colour number can be given a colour of its own even when
// another entry already holds the same colour. Other depths: nothing.
void SetColour(Colour index, int32_t red, int32_t green, int32_t blue);
// Always available. Palette modes: entry 0 is black, the last entry (entry
// 15 at depths 4 and 8) is white. Depths 4 and 8 start with the 16 standard
// colours in entries 0 to 15; depth 2 with black, two free entries, white.
Colour Black();
Colour White();
// The RGB colour a value shows in the current mode.
Rgb ColourRgb(Colour colour);
// The value masked to the current depth, as it is stored in a context.
Colour MaskColour(Colour colour);

// ---- Contexts ----------------------------------------------------------------

// A rectangle of pixels of the mode's depth, one stored value per pixel, with
// its clip box. Read the fields; write only through the functions below.
struct Context {
  int32_t Width = 0, Height = 0, Bpp = 0;
  std::vector<uint32_t> Pixels;  // row after row, Width values each
  int32_t ClipX0 = 0, ClipY0 = 0, ClipX1 = -1, ClipY1 = -1;  // inclusive; empty when X0 > X1
  // Screen only: the part changed since the window was last brought up to date.
  int32_t DirtyX0 = 0, DirtyY0 = 0, DirtyX1 = -1, DirtyY1 = -1;
};

// The screen of the current mode (nullptr without a mode).
Context* ScreenContext();
// A memory context of the current mode's depth, cleared to colour 0, with
// the full clip box; nullptr without a mode, for sizes below 1 or above the
// mode limits, or when memory runs out.
Context* CreateContext(int32_t width, int32_t height);
// Releases a memory context (the screen and nullptr are ignored). When it
// was the current context, the screen becomes current again.
void DestroyContext(Context* context);
// Drawing goes to the current context: the screen unless set otherwise.
// nullptr selects the screen.
void SetContext(Context* context);
Context* CurrentContext();
// The stored value at (x, y) of a context, -1 outside it.
int32_t PixelAt(const Context* context, int32_t x, int32_t y);

// ---- Clipping and drawing (current context, inside its clip box) -----------

// Corners in any order; the box is cut to the context. A box wholly outside
// the context leaves nothing to draw in.
void SetClipBox(int32_t x1, int32_t y1, int32_t x2, int32_t y2);
void ResetClipBox();  // the whole context
void ClearClipBox(Colour colour);
// The whole screen, whatever its clip box and whichever context is current.
void ClearScreen(Colour colour);

// Every pixel whose centre lies within r + 1/2 of the centre
// (dx^2 + dy^2 <= r^2 + r): exactly 2r + 1 pixels across. Nothing for r < 0.
void FilledCircle(int32_t xc, int32_t yc, int32_t radius, Colour colour);

struct LineOption {
  Colour LineColour = 0;
  int32_t Width = 1;  // pixels across the line; below 1 counts as 1
  // Pixels drawn, skipped, drawn, ... repeating along the line from its first
  // end point; empty (or all zero) for a solid line.
  std::vector<int32_t> Dashes;
};
// A line from (x1, y1) to (x2, y2) stepping one pixel along its longer axis.
// Each step draws a run of Width pixels across that axis, from
// (Width - 1) / 2 before the line to Width / 2 after it, so a vertical line
// of width 4 at column x covers columns x - 1 to x + 2. The dash pattern
// counts steps from (x1, y1), also through the parts that are clipped.
void CustomLine(int32_t x1, int32_t y1, int32_t x2, int32_t y2, const LineOption& option);
void HLine(int32_t x1, int32_t x2, int32_t y, Colour colour);
void VLine(int32_t x, int32_t y1, int32_t y2, Colour colour);
void Box(int32_t x1, int32_t y1, int32_t x2, int32_t y2, Colour colour);  // outline
void FilledBox(int32_t x1, int32_t y1, int32_t x2, int32_t y2, Colour colour);

struct FrameColours {
  Colour Inner = 0, Top = 0, Right = 0, Bottom = 0, Left = 0;
};
// Fills the box (x1, y1)-(x2, y2) with Inner and draws a frame `width`
// pixels wide around it, outside the box: the top and bottom sides span the
// full outer width, the left and right sides lie between them.
void FramedBox(int32_t x1, int32_t y1, int32_t x2, int32_t y2, int32_t width,
               const FrameColours& colours);

// Copies the rectangle (x1, y1)-(x2, y2) of `source` (corners in any order)
// to `target` with its top left corner at (x, y), overwriting what is there.
// The rectangle is cut to the source context (not to its clip box), the
// copy to the target's clip box; each pixel keeps its offset from (x, y).
// nullptr stands for the current context. Overlapping copies are safe.
void BitBlt(Context* target, int32_t x, int32_t y, const Context* source, int32_t x1,
            int32_t y1, int32_t x2, int32_t y2);

// ---- Text ----------------------------------------------------------------------

// A proportional bitmap font of the characters 32 to 255 (Latin-1).
// Rows 0 to Baseline - 1 of a character cell lie above the base line.
struct Font {
  const char* Name;
  int32_t Height, Baseline;
  const uint8_t* Widths;    // 224 widths, character 32 first
  const uint32_t* Offsets;  // 224 offsets into Bits
  const uint8_t* Bits;      // per character: Height rows of (width + 7) / 8 bytes, MSB left
};
// "lucs11" (height 11, baseline 8), "lucs15" (15, 12), "lucs21" (21, 17);
// nullptr for any other name.
const Font* FindFont(const std::string& name);

enum class HAlign { Left, Centre, Right };
enum class VAlign { Baseline, Centre };

struct TextOption {
  const Font* TextFont = nullptr;  // nullptr: "lucs11"
  Colour Foreground = 0;
  Colour Background = 0;
  bool OpaqueBackground = true;  // false: only the character's pixels are drawn
  HAlign Horizontal = HAlign::Left;
  VAlign Vertical = VAlign::Baseline;
};
// Text at (x, y): Left puts the first column at x, Right the last at x - 1,
// Centre the middle at x; Baseline puts the base line just above row y (the
// cell starts Baseline rows higher), Centre the cell's middle row at y.
// Characters below 32 are drawn as blanks.
void DrawString(const std::string& text, int32_t x, int32_t y, const TextOption& option);
void DrawChar(int32_t character, int32_t x, int32_t y, const TextOption& option);
int32_t StringWidth(const std::string& text, const TextOption& option);
int32_t CharWidth(int32_t character, const TextOption& option);
int32_t CharHeight(const TextOption& option);

// ---- PNG ---------------------------------------------------------------------

// Writes a context as an 8-bit RGB PNG, not interlaced, with every pixel
// resolved to its RGB colour in the current mode. False on any failure
// (also when the file cannot be closed); a file partly written stays.
bool SavePng(const Context* context, const std::string& path);
// The same into an open stream, flushed and left open.
bool SavePngToStream(const Context* context, FILE* file);
bool SavePngToMemory(const Context* context, std::vector<uint8_t>& png);

// ---- Input ---------------------------------------------------------------------

// Key codes: these keys by their numbers, every other key by its character
// code (Latin-1).
inline constexpr int32_t KeyF1 = 315, KeyF2 = 316, KeyF3 = 317, KeyF4 = 318;
inline constexpr int32_t KeyUp = 328, KeyLeft = 331, KeyRight = 333, KeyDown = 336;
inline constexpr int32_t KeyCtrlLeft = 371, KeyCtrlRight = 372;
inline constexpr int32_t KeyCtrlUp = 397, KeyCtrlDown = 401;

// MouseEvent::Flags: what happened; 0 when nothing did. InputFailed: the
// memory driver's input could not be read (InputError() tells why); every
// later wait delivers it again.
inline constexpr int32_t MouseMotion = 1, LeftDown = 2, LeftUp = 4, RightDown = 8,
                         RightUp = 16, MiddleDown = 32, MiddleUp = 64, KeyPressed = 128,
                         InputFailed = 256;
// What KeyRead gives once the memory driver's input could not be read.
inline constexpr int32_t KeyInputFailed = -2;
// MouseEvent::Buttons: the buttons held after the event.
inline constexpr int32_t LeftButton = 1, RightButton = 2, MiddleButton = 4;

struct MouseEvent {
  int32_t Flags = 0;
  int32_t X = 0, Y = 0;  // pointer position, inside the screen
  int32_t Buttons = 0;
  int32_t Key = 0;  // key code when Flags has KeyPressed, else 0
};

// Waits for the next key press and returns its code; mouse input meanwhile is
// dropped. The memory driver: the next key command; 'q' after the input ends,
// KeyInputFailed after it failed. -1 without a driver.
int32_t KeyRead();
// True when a pointing device is present (the memory driver always has one).
bool MouseDetect();
void MouseInit();
void MouseUnInit();
// The next input event. Waits at most timeoutMs milliseconds (negative:
// without limit); when nothing came, Flags is 0 and the event carries the
// pointer position and the buttons held now. The window is brought up to
// date first. The window driver waits up to 5 ms even for a time-out of 0,
// so that a program polling in a loop does not keep a core busy.
// The memory driver delivers one command per wait: a key as a KeyPressed
// event followed by one empty event (Flags 0), a click as a button-down and
// a button-up event, a move as one motion event. After the input ends,
// every wait delivers the key 'q'.
MouseEvent MouseGetEvent(int32_t timeoutMs);

// A pointer shape: pixel values 0 transparent, 1 and 2 the two colours.
struct Cursor {
  int32_t Width = 0, Height = 0, HotX = 0, HotY = 0;
  std::vector<uint8_t> Shape;  // Width * Height values
  Rgb Colours[2];
};
// `shape` holds `height` rows `pitch` bytes apart; values above 2 count as 0.
// The colours are resolved in the current mode.
Cursor BuildCursor(const uint8_t* shape, int32_t pitch, int32_t width, int32_t height,
                   int32_t hotX, int32_t hotY, const Colour colours[2]);
void MouseSetCursor(const Cursor& cursor);
void MouseDisplayCursor();

// The memory driver's command source: standard input unless set here. The
// text or file replaces any input read so far; the file stays the caller's.
void SetMemoryInput(FILE* file);
void SetMemoryInputText(const std::string& text);
// The errno of a read of that source that failed (not its end); 0 while
// none has. Once failed, the source is never read again.
int InputError();

// ---- Dialogs -------------------------------------------------------------------

// Each driver brings its own: the window driver shows GTK dialogs, the
// memory driver (and the layer while no driver is selected) uses the
// terminal, whether a display exists or not.

// A filter list "Description+pattern+Description+pattern...": one filter per
// pair; a pattern may hold several patterns separated by ";". The pattern
// "*.*" means every file, names without a dot included.
struct FileFilter {
  std::string Description;
  std::vector<std::string> Patterns;
};
std::vector<FileFilter> ParseFilterList(const std::string& list);
// The parts of a text between separators: SplitText("a|b||c", '|') gives
// "a", "b", "", "c"; an empty text gives one empty part.
std::vector<std::string> SplitText(const std::string& text, char separator);

// A modal message box; "|" in `text` ends a line. Returns when it is
// dismissed: true when the lines went to standard error (memory driver),
// false when a window showed them.
bool ShowMessageBox(const std::string& title, const std::string& text);
// A modal file selection with a label, an initial name and a filter list;
// the chosen path whole, or "" when the user cancels. The memory driver
// writes the label to standard error and takes one line of its input (at
// most 2048 characters, a final carriage return dropped); the end of input
// gives "", a failed read "" with InputError() set.
std::string SelectFile(const std::string& label, const std::string& initialName,
                       const std::string& filterList);

// Called when the user closes the window and confirms, to end the program:
// it may be called at any moment (while drawing, too) and must not return.
// Without a handler (nullptr) the process ends at once with status 1.
void SetAbortHandler(void (*handler)());

// True when a desktop display can be opened (the window driver's module is
// loaded and the toolkit initialised on the first call). The window driver
// needs one.
bool DisplayAvailable();
// Why the window driver's module (kurvex-gtk.so, beside the program or in
// its lib/kurvex folder) could not be loaded: the loader's reason, which
// names the file; "" while it loaded or was not needed yet.
std::string WindowModuleError();

}  // namespace gfx
