// The colour chart: 4 x 4 framed cells for depths 1 to 4, 16 x 16 for 8.
#include "graph/colour_chart.h"

#include "config/settings.h"
#include "driver/stop.h"
#include "gfx/gfx.h"
#include "graph/graphics_setup.h"
#include "output/number_format.h"

namespace graph {

void ShowColourChart() {
  const int32_t depth = config::Settings.GraphColorBits;
  const int32_t M = gfx::MaxX(), N = gfx::MaxY();
  const int32_t G = depth == 8 ? 16 : 4;
  const int32_t hx = M / (G == 4 ? 9 : 36) - 1, hy = N / (G == 4 ? 9 : 36) - 1;
  gfx::ClearScreen(gfx::White());
  gfx::TextOption text;
  text.TextFont = gfx::FindFont(config::Settings.GraphWidth > 639 ? "lucs15" : "lucs11");
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
    frame.Inner = ColourTable[j];
    gfx::FramedBox(cx - hx, cy - hy, cx + hx, cy + hy, 1, frame);
    gfx::DrawString(output::IntText(j), cx, cy, text);
  }
  if (gfx::KeyRead() == gfx::KeyInputFailed)
    driver::FatalIoError("standard input", gfx::InputError());
  driver::StopProgram(driver::kExitNormal);
}

}  // namespace graph
