// Input as the program sees it: the key read, the event poll and the mouse
// pointer shape, passed on to the selected driver.
#include <algorithm>

#include "gfx/gfx_state.h"

namespace gfx {

int32_t KeyRead() {
  if (G.ActiveDriver == nullptr) return -1;
  UpdateScreen();
  return G.ActiveDriver->ReadKey();
}

bool MouseDetect() { return G.ActiveDriver != nullptr && G.ActiveDriver->HasMouse(); }

void MouseInit() { G.MouseOn = true; }

void MouseUnInit() {
  G.MouseOn = false;
  if (G.ActiveDriver != nullptr) G.ActiveDriver->ShowCursor(nullptr);
}

MouseEvent MouseGetEvent(int32_t timeoutMs) {
  if (G.ActiveDriver == nullptr) return MouseEvent{};
  UpdateScreen();
  return G.ActiveDriver->NextEvent(timeoutMs);
}

Cursor BuildCursor(const uint8_t* shape, int32_t pitch, int32_t width, int32_t height,
                   int32_t hotX, int32_t hotY, const Colour colours[2]) {
  Cursor c;
  if (shape == nullptr || width < 1 || height < 1 || width > 256 || height > 256 || pitch < width)
    return c;  // an empty shape: the pointer stays as it is
  c.Width = width, c.Height = height;
  c.HotX = std::clamp(hotX, 0, width - 1);
  c.HotY = std::clamp(hotY, 0, height - 1);
  c.Shape.resize(static_cast<size_t>(width) * height);
  for (int32_t y = 0; y < height; ++y)
    for (int32_t x = 0; x < width; ++x) {
      const uint8_t v = shape[static_cast<size_t>(y) * pitch + x];
      c.Shape[static_cast<size_t>(y) * width + x] = v <= 2 ? v : 0;
    }
  c.Colours[0] = ColourRgb(colours[0]);
  c.Colours[1] = ColourRgb(colours[1]);
  return c;
}

void MouseSetCursor(const Cursor& cursor) {
  G.PointerShape = cursor;
  G.HasPointerShape = cursor.Width > 0;
}

void MouseDisplayCursor() {
  if (G.ActiveDriver != nullptr && G.MouseOn && G.HasPointerShape)
    G.ActiveDriver->ShowCursor(&G.PointerShape);
}

void SetAbortHandler(void (*handler)()) { G.AbortHandler = handler; }

}  // namespace gfx
