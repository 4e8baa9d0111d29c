// Contexts: the screen and memory contexts, the current context, clip
// boxes, the span writer every primitive ends in, and the block copy.
#include <algorithm>
#include <cstddef>
#include <cstring>
#include <new>

#include "gfx/gfx_state.h"

namespace gfx {

State G;

namespace {

bool IsScreen(const Context* context) { return context == &G.Screen; }

void SetFullClip(Context& c) {
  c.ClipX0 = 0;
  c.ClipY0 = 0;
  c.ClipX1 = c.Width - 1;
  c.ClipY1 = c.Height - 1;
}

// A filled rectangle already cut to the current context's clip box.
void FillClipped(Context& c, int32_t x0, int32_t y0, int32_t x1, int32_t y1, uint32_t value) {
  if (x0 > x1 || y0 > y1) return;
  for (int32_t y = y0; y <= y1; ++y) {
    uint32_t* row = c.Pixels.data() + static_cast<size_t>(y) * c.Width;
    std::fill(row + x0, row + x1 + 1, value);
  }
  MarkDirty(c, x0, y0, x1, y1);
}

// Cuts [lo, hi] (in any order) to [0, limit - 1]; false when nothing is left.
bool CutRange(int64_t& lo, int64_t& hi, int64_t limit) {
  if (lo > hi) std::swap(lo, hi);
  lo = std::max<int64_t>(lo, 0);
  hi = std::min<int64_t>(hi, limit - 1);
  return lo <= hi;
}

}  // namespace

bool ContextSizeOk(int32_t width, int32_t height) {
  if (width < 1 || height < 1 || width > MaxModeSide || height > MaxModeSide) return false;
  return int64_t{width} * height <= MaxModePixels;
}

bool AllocatePixels(Context& c, int32_t width, int32_t height, int32_t bpp) {
  try {
    c.Pixels.assign(static_cast<size_t>(width) * static_cast<size_t>(height), 0u);
  } catch (const std::bad_alloc&) {
    c.Pixels.clear();
    return false;
  }
  c.Width = width;
  c.Height = height;
  c.Bpp = bpp;
  SetFullClip(c);
  c.DirtyX1 = -1;
  MarkDirty(c, 0, 0, width - 1, height - 1);
  return true;
}

void MarkDirty(Context& c, int32_t x0, int32_t y0, int32_t x1, int32_t y1) {
  if (!IsScreen(&c)) return;
  if (c.DirtyX0 > c.DirtyX1) {
    c.DirtyX0 = x0, c.DirtyY0 = y0, c.DirtyX1 = x1, c.DirtyY1 = y1;
    return;
  }
  c.DirtyX0 = std::min(c.DirtyX0, x0);
  c.DirtyY0 = std::min(c.DirtyY0, y0);
  c.DirtyX1 = std::max(c.DirtyX1, x1);
  c.DirtyY1 = std::max(c.DirtyY1, y1);
}

void FillSpan(int64_t x0, int64_t x1, int64_t y, Colour colour) {
  if (!G.HasMode) return;
  Context& c = *G.Current;
  if (x0 > x1) std::swap(x0, x1);
  if (y < c.ClipY0 || y > c.ClipY1) return;
  x0 = std::max<int64_t>(x0, c.ClipX0);
  x1 = std::min<int64_t>(x1, c.ClipX1);
  const uint32_t value = static_cast<uint32_t>(colour) & DepthMask(c.Bpp);
  FillClipped(c, int32_t(x0), int32_t(y), int32_t(x1), int32_t(y), value);
}

Context* ScreenContext() { return G.HasMode ? &G.Screen : nullptr; }

Context* CreateContext(int32_t width, int32_t height) {
  if (!G.HasMode || !ContextSizeOk(width, height)) return nullptr;
  Context* c = new (std::nothrow) Context;
  if (c == nullptr) return nullptr;
  if (!AllocatePixels(*c, width, height, G.Screen.Bpp)) {
    delete c;
    return nullptr;
  }
  return c;
}

void DestroyContext(Context* context) {
  if (context == nullptr || IsScreen(context)) return;
  if (G.Current == context) G.Current = &G.Screen;
  delete context;
}

void SetContext(Context* context) {
  if (G.HasMode) G.Current = context != nullptr ? context : &G.Screen;
}

Context* CurrentContext() { return G.HasMode ? G.Current : nullptr; }

int32_t PixelAt(const Context* c, int32_t x, int32_t y) {
  if (c == nullptr || x < 0 || y < 0 || x >= c->Width || y >= c->Height) return -1;
  return static_cast<int32_t>(c->Pixels[static_cast<size_t>(y) * c->Width + x]);
}

void SetClipBox(int32_t x1, int32_t y1, int32_t x2, int32_t y2) {
  if (!G.HasMode) return;
  Context& c = *G.Current;
  int64_t xa = x1, xb = x2, ya = y1, yb = y2;
  if (!CutRange(xa, xb, c.Width) || !CutRange(ya, yb, c.Height)) {
    c.ClipX0 = 0, c.ClipY0 = 0, c.ClipX1 = -1, c.ClipY1 = -1;  // nothing to draw in
    return;
  }
  c.ClipX0 = int32_t(xa), c.ClipY0 = int32_t(ya), c.ClipX1 = int32_t(xb), c.ClipY1 = int32_t(yb);
}

void ResetClipBox() {
  if (G.HasMode) SetFullClip(*G.Current);
}

void ClearClipBox(Colour colour) {
  if (!G.HasMode) return;
  Context& c = *G.Current;
  FillClipped(c, c.ClipX0, c.ClipY0, c.ClipX1, c.ClipY1,
              static_cast<uint32_t>(colour) & DepthMask(c.Bpp));
  AfterDrawing();
}

void ClearScreen(Colour colour) {
  if (!G.HasMode) return;
  Context& s = G.Screen;
  FillClipped(s, 0, 0, s.Width - 1, s.Height - 1, static_cast<uint32_t>(colour) & DepthMask(s.Bpp));
  AfterDrawing();
}

void BitBlt(Context* target, int32_t x, int32_t y, const Context* source, int32_t x1,
            int32_t y1, int32_t x2, int32_t y2) {
  if (!G.HasMode) return;
  Context& dst = target != nullptr ? *target : *G.Current;
  const Context& src = source != nullptr ? *source : *G.Current;
  // Source rectangle cut to the source context; the destination moves along.
  int64_t sx0 = x1, sx1 = x2, sy0 = y1, sy1 = y2;
  if (sx0 > sx1) std::swap(sx0, sx1);
  if (sy0 > sy1) std::swap(sy0, sy1);
  const int64_t dx = int64_t{x} - sx0, dy = int64_t{y} - sy0;  // target minus source
  if (!CutRange(sx0, sx1, src.Width) || !CutRange(sy0, sy1, src.Height)) return;
  // Then cut to the target's clip box, in source coordinates.
  sx0 = std::max<int64_t>(sx0, dst.ClipX0 - dx);
  sx1 = std::min<int64_t>(sx1, dst.ClipX1 - dx);
  sy0 = std::max<int64_t>(sy0, dst.ClipY0 - dy);
  sy1 = std::min<int64_t>(sy1, dst.ClipY1 - dy);
  if (sx0 > sx1 || sy0 > sy1) return;
  const int32_t w = int32_t(sx1 - sx0 + 1), h = int32_t(sy1 - sy0 + 1);
  // Row by row, without a buffer (a copy of a whole screen could exhaust the
  // memory): when the rectangle moves down within one context the rows go
  // bottom up, so that none is overwritten before it is copied, and memmove
  // takes care of the overlap within a row.
  const bool bottomUp = &dst == &src && dy > 0;
  const uint32_t mask = DepthMask(dst.Bpp);
  for (int32_t i = 0; i < h; ++i) {
    const int64_t r = bottomUp ? h - 1 - i : i;
    const uint32_t* from = src.Pixels.data() + static_cast<size_t>(sy0 + r) * src.Width + sx0;
    uint32_t* to = dst.Pixels.data() + static_cast<size_t>(sy0 + dy + r) * dst.Width + (sx0 + dx);
    std::memmove(to, from, static_cast<size_t>(w) * sizeof(uint32_t));
    for (int32_t k = 0; k < w; ++k) to[k] &= mask;
  }
  MarkDirty(dst, int32_t(sx0 + dx), int32_t(sy0 + dy), int32_t(sx1 + dx), int32_t(sy1 + dy));
  AfterDrawing();
}

}  // namespace gfx
