// Drivers and modes: which driver is selected, the standard mode list, the
// setting of a mode with its screen context, and keeping the window up to
// date while drawing goes on.
#include <chrono>

#include "gfx/gfx_state.h"

namespace gfx {

namespace {

const Driver* const Drivers[] = {&WindowDriver, &MemoryDriver};

const VideoMode StandardSizes[] = {{640, 480, 0},   {800, 600, 0},   {1024, 768, 0},
                                   {1152, 864, 0},  {1280, 1024, 0}, {1600, 1200, 0}};
const int32_t Depths[] = {1, 2, 4, 8, 15, 16, 24, 32};

// How often a long stretch of drawing lets the window catch up.
constexpr auto PresentInterval = std::chrono::milliseconds(40);
std::chrono::steady_clock::time_point LastPresent;

void DropMode() {
  G.HasMode = false;
  G.Screen = Context{};
  G.Current = nullptr;
  ResetPalette(0);
}

void Present() {
  if (G.ActiveDriver != nullptr && G.HasMode) G.ActiveDriver->Present();
  LastPresent = std::chrono::steady_clock::now();
}

}  // namespace

bool SizeAllowed(int32_t width, int32_t height) {
  return width >= MinModeWidth && height >= MinModeHeight && ContextSizeOk(width, height);
}

bool SetDriver(const std::string& name) {
  if (G.ActiveDriver != nullptr) {
    DropMode();
    G.ActiveDriver->Close();
    G.ActiveDriver = nullptr;
  }
  for (const Driver* d : Drivers) {
    if (name != d->Name) continue;
    if (!d->Open()) return false;
    G.ActiveDriver = d;
    return true;
  }
  return false;
}

std::string CurrentDriverName() { return G.ActiveDriver != nullptr ? G.ActiveDriver->Name : ""; }

std::vector<VideoMode> DriverModes() {
  std::vector<VideoMode> modes;
  if (G.ActiveDriver == nullptr) return modes;
  for (int32_t bpp : Depths)
    for (VideoMode m : StandardSizes) modes.push_back({m.Width, m.Height, bpp});
  return modes;
}

bool DriverAcceptsAnySize() { return G.ActiveDriver != nullptr && G.ActiveDriver->AcceptsAnySize; }

bool SetMode(int32_t width, int32_t height, int32_t bpp) {
  if (G.ActiveDriver == nullptr || !ValidDepth(bpp) || !SizeAllowed(width, height)) return false;
  DropMode();
  // The screen is a context like any other; allocate it first so that a
  // window is never opened for a mode without memory behind it.
  if (!AllocatePixels(G.Screen, width, height, bpp)) return false;
  if (!G.ActiveDriver->StartMode(width, height)) {
    DropMode();
    return false;
  }
  G.HasMode = true;
  G.Current = &G.Screen;
  ResetPalette(bpp);
  MarkDirty(G.Screen, 0, 0, width - 1, height - 1);
  return true;
}

int32_t MaxX() { return G.HasMode ? G.Screen.Width - 1 : -1; }
int32_t MaxY() { return G.HasMode ? G.Screen.Height - 1 : -1; }
int32_t CurrentBpp() { return G.HasMode ? G.Screen.Bpp : 0; }

void SetWindowTitle(const std::string& title) {
  if (G.ActiveDriver != nullptr) G.ActiveDriver->SetTitle(title);
}

void UpdateScreen() { Present(); }

void AfterDrawing() {
  if (G.Current != &G.Screen || G.ActiveDriver != &WindowDriver) return;
  if (std::chrono::steady_clock::now() - LastPresent >= PresentInterval) Present();
}

}  // namespace gfx
