// Image export: the snapshot of the frame, the plot, the value band and the
// fit-quality row, taken before the "imaging..." notice is drawn.
#include "graph/image_export.h"

#include <unistd.h>

#include <cstdio>

#include "config/config_file.h"
#include "config/settings.h"
#include "driver/stop.h"
#include "gfx/gfx.h"
#include "graph/graph_state.h"
#include "graph/plot.h"
#include "output/run_log.h"

namespace graph {

std::string NextImageName(const std::string& prefix) {
  char number[4];
  for (int n = 0; n <= 999; ++n) {
    std::snprintf(number, sizeof number, "%03d", n);
    std::string name = prefix + number + ".png";
    if (::access(name.c_str(), F_OK) != 0) return name;
  }
  return "";
}

void ExportImage() {
  const GraphLayoutRecord& L = Layout;
  const std::string base =
      config::SettleFileName(config::ConfigValue("ImageBaseFileName"), "kurvi");
  // The whole name is used: a path cut at some length would name another file.
  const std::string name = NextImageName(config::ProgramPath().Dir + base);
  // The mouse position may stand in the right part of the fit-quality row.
  ClearBox(L.StatusTextWidth + 2, L.StatusY + 1 - L.CharHeight, L.PX1, L.QualityBottom);
  if (name.empty()) {
    gfx::DrawString("no free image number", L.PX1 + 1, L.StatusY - 2, GraphStyles.KeyStyleRight);
    return;
  }
  const int32_t lastRow = L.StatusY + (config::Settings.GraphWidth > 799 ? 1 : 0);
  gfx::BitBlt(GraphSnapshot, 0, 0, gfx::ScreenContext(), 1, 1, L.M - 1, lastRow);
  gfx::DrawString("imaging...", L.PX1 + 1, L.StatusY - 2, GraphStyles.KeyStyleRight);
  gfx::UpdateScreen();
  if (!gfx::SavePng(GraphSnapshot, name)) {
    // No file that claims to be an image is left behind.
    std::remove(name.c_str());
    output::LogLine("The image file creating has failed!");
    std::fprintf(stderr, "kurvex: The image file creating has failed! (%s)\n", name.c_str());
    driver::StopProgram(driver::kExitErrorStop);
  }
  gfx::ClearClipBox(GraphColours.Background);
}

}  // namespace graph
