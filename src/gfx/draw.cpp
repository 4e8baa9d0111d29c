// The drawing primitives: lines, boxes, the framed box and the filled
// circle. Each one is cut to the clip box of the current context before any
// loop runs, so even coordinates at the ends of the 32-bit range cost only
// the visible pixels, and all arithmetic is done in 64 (or 128) bits.
#include <algorithm>
#include <cmath>

#include "gfx/gfx_state.h"

namespace gfx {

namespace {

const Context* Target() { return G.HasMode ? G.Current : nullptr; }

// Rows y0..y1 cut to the clip box; false when none remain (also for y0 > y1).
bool ClipRows(int64_t& y0, int64_t& y1) {
  const Context* c = Target();
  if (c == nullptr) return false;
  y0 = std::max<int64_t>(y0, c->ClipY0);
  y1 = std::min<int64_t>(y1, c->ClipY1);
  return y0 <= y1;
}

// The same for columns.
bool ClipColumns(int64_t& x0, int64_t& x1) {
  const Context* c = Target();
  if (c == nullptr) return false;
  x0 = std::max<int64_t>(x0, c->ClipX0);
  x1 = std::min<int64_t>(x1, c->ClipX1);
  return x0 <= x1;
}

// Rows y0..y1 (empty when y0 > y1), columns x0..x1 in either order.
void FillRect(int64_t x0, int64_t y0, int64_t x1, int64_t y1, Colour colour) {
  if (!ClipRows(y0, y1)) return;
  for (int64_t y = y0; y <= y1; ++y) FillSpan(x0, x1, y, colour);
}

// Largest s with s * s <= n, for n < 2^63. The floating estimate is exact
// to within one, and the two corrections make it exact.
int64_t IntSqrt(int64_t n) {
  int64_t s = static_cast<int64_t>(std::sqrt(static_cast<long double>(n)));
  while (s > 0 && s * s > n) --s;
  while ((s + 1) * (s + 1) <= n) ++s;
  return s;
}

// num / den rounded to the nearest integer, halves away from zero; den > 0.
int64_t RoundDiv(__int128 num, __int128 den) {
  const __int128 q = ((num < 0 ? -num : num) * 2 + den) / (2 * den);
  return static_cast<int64_t>(num < 0 ? -q : q);
}

// Whether step i of a line falls on a drawn part of the dash pattern. The
// entries alternate drawn, skipped; an odd count repeats twice per period,
// so the roles swap on every other round, as the alternation demands.
bool DashDrawn(const std::vector<int32_t>& dashes, int64_t i) {
  int64_t sum = 0;
  for (int32_t d : dashes) sum += std::max(d, 0);
  if (sum == 0) return true;
  const size_t k = dashes.size();
  const int64_t period = k % 2 == 1 ? 2 * sum : sum;
  int64_t pos = i % period;
  for (size_t j = 0;; ++j) {
    const int64_t len = std::max(dashes[j % k], 0);
    if (pos < len) return j % 2 == 0;
    pos -= len;
  }
}

}  // namespace

void HLine(int32_t x1, int32_t x2, int32_t y, Colour colour) {
  FillSpan(x1, x2, y, colour);
  AfterDrawing();
}

void VLine(int32_t x, int32_t y1, int32_t y2, Colour colour) {
  FillRect(x, std::min(y1, y2), x, std::max(y1, y2), colour);
  AfterDrawing();
}

void FilledBox(int32_t x1, int32_t y1, int32_t x2, int32_t y2, Colour colour) {
  FillRect(x1, std::min(y1, y2), x2, std::max(y1, y2), colour);
  AfterDrawing();
}

void Box(int32_t x1, int32_t y1, int32_t x2, int32_t y2, Colour colour) {
  const int64_t xa = std::min(x1, x2), xb = std::max(x1, x2);
  const int64_t ya = std::min(y1, y2), yb = std::max(y1, y2);
  FillSpan(xa, xb, ya, colour);
  FillSpan(xa, xb, yb, colour);
  FillRect(xa, ya + 1, xa, yb - 1, colour);
  FillRect(xb, ya + 1, xb, yb - 1, colour);
  AfterDrawing();
}

void FramedBox(int32_t x1, int32_t y1, int32_t x2, int32_t y2, int32_t width,
               const FrameColours& colours) {
  const int64_t xa = std::min(x1, x2), xb = std::max(x1, x2);
  const int64_t ya = std::min(y1, y2), yb = std::max(y1, y2);
  FillRect(xa, ya, xb, yb, colours.Inner);
  const int64_t w = std::max(width, 0);
  // Ring d (1..w) lies d pixels outside the box. Each side loops only over
  // its rows or columns inside the clip box.
  int64_t r0 = ya - w, r1 = ya - 1;
  if (w > 0 && ClipRows(r0, r1))
    for (int64_t r = r0; r <= r1; ++r) FillSpan(xa - (ya - r), xb + (ya - r), r, colours.Top);
  r0 = yb + 1, r1 = yb + w;
  if (w > 0 && ClipRows(r0, r1))
    for (int64_t r = r0; r <= r1; ++r) FillSpan(xa - (r - yb), xb + (r - yb), r, colours.Bottom);
  int64_t c0 = xa - w, c1 = xa - 1;
  if (w > 0 && ClipColumns(c0, c1))
    for (int64_t c = c0; c <= c1; ++c) {
      const int64_t d = xa - c;
      FillRect(c, ya - d + 1, c, yb + d - 1, colours.Left);
    }
  c0 = xb + 1, c1 = xb + w;
  if (w > 0 && ClipColumns(c0, c1))
    for (int64_t c = c0; c <= c1; ++c) {
      const int64_t d = c - xb;
      FillRect(c, ya - d + 1, c, yb + d - 1, colours.Right);
    }
  AfterDrawing();
}

void FilledCircle(int32_t xc, int32_t yc, int32_t radius, Colour colour) {
  if (radius < 0) return;
  const int64_t r = radius;
  // A pixel is inside when its centre is nearer than r + 1/2 to the circle's
  // centre: dx^2 + dy^2 < r^2 + r + 1/4, i.e. <= r^2 + r in integers.
  const int64_t limit = r * r + r;
  int64_t y0 = int64_t{yc} - r, y1 = int64_t{yc} + r;
  if (!ClipRows(y0, y1)) return;
  for (int64_t y = y0; y <= y1; ++y) {
    const int64_t dy = y - yc;
    const int64_t half = IntSqrt(limit - dy * dy);
    FillSpan(xc - half, xc + half, y, colour);
  }
  AfterDrawing();
}

void CustomLine(int32_t x1, int32_t y1, int32_t x2, int32_t y2, const LineOption& option) {
  const Context* c = Target();
  if (c == nullptr) return;
  const int64_t dx = int64_t{x2} - x1, dy = int64_t{y2} - y1;
  const bool xMajor = std::llabs(dx) >= std::llabs(dy);
  // a: the axis stepped one pixel at a time; b: the other one.
  const int64_t a1 = xMajor ? x1 : y1, b1 = xMajor ? y1 : x1;
  const int64_t da = xMajor ? dx : dy, db = xMajor ? dy : dx;
  const int64_t n = std::llabs(da), sa = da >= 0 ? 1 : -1;
  const int64_t width = std::max(option.Width, 1);
  const int64_t before = (width - 1) / 2, after = width / 2;
  // Only the steps whose major coordinate lies in the clip box are walked.
  const int64_t lo = xMajor ? c->ClipX0 : c->ClipY0, hi = xMajor ? c->ClipX1 : c->ClipY1;
  int64_t iMin = sa > 0 ? lo - a1 : a1 - hi;
  int64_t iMax = sa > 0 ? hi - a1 : a1 - lo;
  iMin = std::max<int64_t>(iMin, 0);
  iMax = std::min(iMax, n);
  for (int64_t i = iMin; i <= iMax; ++i) {
    if (!DashDrawn(option.Dashes, i)) continue;
    const int64_t a = a1 + sa * i;
    const int64_t b = n == 0 ? b1 : b1 + RoundDiv(static_cast<__int128>(i) * db, n);
    if (xMajor)
      FillRect(a, b - before, a, b + after, option.LineColour);
    else
      FillSpan(b - before, b + after, a, option.LineColour);
  }
  AfterDrawing();
}

}  // namespace gfx
