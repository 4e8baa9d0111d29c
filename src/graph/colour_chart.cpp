// The colour chart: 4 x 4 framed cells for depths 1 to 4, 16 x 16 for 8.
#include "graph/colour_chart.h"

#include "config/settings.h"
#include "base/stop.h"
#include "gfx/gfx.h"
#include "graph/graph_state.h"
#include "graph/graphics_setup.h"
#include "base/number_format.h"

namespace graph {

namespace {

// A cell shows what a colour key of its number draws: up to 8 bits a key's
// value is the colour number itself. The colour table cannot stand in for
// it at depths 1 and 2, where its allocated colours fold onto the nearest
// of the few numbers (at depth 1 its blue code 1 is black, while colour
// number 1 is white). Codes beyond the depth, which no key accepts, keep
// the table's 0.
gfx::Colour CellColour(int32_t code, int32_t depth) {
  return code <= config::MaxColourValue(depth) ? code : ColourTable[code];
}

}  // namespace

void ShowColourChart() {
  const int32_t depth = config::Settings.GraphColorBits;
  const int32_t M = gfx::MaxX(), N = gfx::MaxY();
  const int32_t G = depth == 8 ? 16 : 4;
  const int32_t hx = M / (G == 4 ? 9 : 36) - 1, hy = N / (G == 4 ? 9 : 36) - 1;
  gfx::ClearScreen(gfx::White());
  gfx::TextOption text;
  text.TextFont = gfx::FindFont(config::Settings.GraphWidth > kChartLucs15Above ? "lucs15" : "lucs11");
  text.Foreground = gfx::Black();
  text.Background = gfx::White();
  text.Horizontal = gfx::HAlign::Centre;
  text.Vertical = gfx::VAlign::Centre;
  gfx::FrameColours frame;
  frame.Top = frame.Right = frame.Bottom = frame.Left = gfx::Black();
  for (int32_t j = 0; j < G * G; ++j) {
    // 64-bit products: M times a column index stays exact for any screen.
    const int32_t cx = static_cast<int32_t>(M / (2 * G) + (int64_t{M} * (j % G)) / G + 1);
    const int32_t cy = static_cast<int32_t>((int64_t{N} * (j / G)) / G + N / (2 * G) + 1);
    frame.Inner = CellColour(j, depth);
    gfx::FramedBox(cx - hx, cy - hy, cx + hx, cy + hy, 1, frame);
    gfx::DrawString(base::IntText(j), cx, cy, text);
  }
  if (gfx::KeyRead() == gfx::KeyInputFailed)
    base::FatalIoError("standard input", gfx::InputError());
  base::StopProgram(base::kExitNormal);
}

}  // namespace graph
