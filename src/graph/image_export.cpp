// Image export: the snapshot of the frame, the plot, the value band and the
// fit-quality row, taken before the "imaging..." notice is drawn.
#include "graph/image_export.h"

#include <unistd.h>

#include <cerrno>
#include <cstdio>

#include "config/config_file.h"
#include "config/settings.h"
#include "base/stop.h"
#include "gfx/gfx.h"
#include "graph/graph_state.h"
#include "graph/plot.h"
#include "output/analysis_report.h"
#include "base/replace_file.h"
#include "base/run_log.h"

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

namespace {

// No file that claims to be an image is left behind: the new file had no
// name yet, or loses the one it got.
[[noreturn]] void ImageStop(base::ReplacementFile& image, const std::string& name) {
  base::DiscardReplacement(image);
  base::StopProgram(base::kExitErrorStop, {"The image file creating has failed!"},
                    "kurvex: The image file creating has failed! (" + name + ")\n");
}

// The complete image takes the first number that no file has, in one
// exclusive step, so that two runs in one folder never take the same one.
// "" when every number is taken meanwhile.
std::string ClaimImageName(base::ReplacementFile& image, const std::string& prefix) {
  char number[4];
  for (int n = 0; n <= 999; ++n) {
    std::snprintf(number, sizeof number, "%03d", n);
    const std::string name = prefix + number + ".png";
    if (base::PublishExclusive(image, name)) return name;
    if (errno != EEXIST) ImageStop(image, name);
  }
  return "";
}

// On the screen, and on standard error for a run without a window, where
// nothing else would tell that no image was saved.
void ShowNoFreeNumber(const std::string& prefix) {
  const GraphLayoutRecord& L = Layout;
  gfx::DrawString("no free image number", L.PX1 + 1, L.StatusY - 2, GraphStyles.KeyStyleRight);
  std::fprintf(stderr, "kurvex: no free image number: %s000.png to %s999.png exist; no image saved\n",
               prefix.c_str(), prefix.c_str());
  std::fflush(stderr);
}

// The folder of a program installed among others (PREFIX/bin, ~/bin) is
// no place for a user's images, nor is one the user cannot write: a
// program there is started by its full path from scripts and launchers.
bool IsOwnFolder(const std::string& dir) {
  std::string name = dir;
  while (!name.empty() && name.back() == '/') name.pop_back();
  name.erase(0, name.rfind('/') + 1);
  return name != "bin" && ::access(dir.c_str(), W_OK) == 0;
}

// The working folder as a full path, so that standard error can say
// where an image went; "" (relative names) when it cannot be known.
std::string WorkingFolder() {
  char cwd[4096];
  if (::getcwd(cwd, sizeof cwd) == nullptr) return "";
  std::string dir = cwd;
  return dir.back() == '/' ? dir : dir + "/";
}

// The images' folder with its final "/", and whether it is the program's
// own folder, where images went silently from the start.
struct ImagePlace {
  std::string Folder;
  bool ProgramFolder;
};

ImagePlace ImageFolder() {
  std::string folder = config::ConfigValue(config::Key::ImageFolder);
  if (!folder.empty()) return {folder.back() == '/' ? folder : folder + "/", false};
  const std::string program = config::ProgramPath().Dir;
  if (IsOwnFolder(program)) return {program, true};
  return {WorkingFolder(), false};
}

// Only an image that did not go beside the program is named: there the
// user would not look for it.
void TellWhereItWent(const ImagePlace& place, const std::string& name) {
  if (place.ProgramFolder) return;
  std::fprintf(stderr, "kurvex: image saved as %s\n", name.c_str());
  std::fflush(stderr);
}

}  // namespace

void ExportImage() {
  const GraphLayoutRecord& L = Layout;
  const std::string base =
      config::FileNameSetting(config::Key::ImageBaseFileName);
  // The whole name is used: a path cut at some length would name another file.
  const ImagePlace place = base[0] == '/' ? ImagePlace{"", false} : ImageFolder();
  const std::string prefix = place.Folder + base;
  const std::string first = NextImageName(prefix);
  // The mouse position may stand in the right part of the fit-quality row.
  ClearBox(L.StatusTextWidth + 2, L.StatusY + 1 - L.CharHeight, L.PX1, L.QualityBottom);
  if (first.empty()) return ShowNoFreeNumber(prefix);
  const int32_t lastRow = L.StatusY + (config::Settings.GraphWidth > kLucs21Above ? 1 : 0);
  gfx::BitBlt(GraphSnapshot, 0, 0, gfx::ScreenContext(), 1, 1, L.M - 1, lastRow);
  gfx::DrawString("imaging...", L.PX1 + 1, L.StatusY - 2, GraphStyles.KeyStyleRight);
  gfx::UpdateScreen();
  // The image is written without a name and named when it is complete.
  base::ReplacementFile image;
  if (!base::OpenNewBeside(image, first) || !gfx::SavePngToStream(GraphSnapshot, image.File))
    ImageStop(image, first);
  base::PausePoint("image");
  const std::string name = ClaimImageName(image, prefix);
  std::FILE* file = image.File;
  image.File = nullptr;
  if (std::fclose(file) != 0) {
    if (!name.empty()) ::unlink(name.c_str());
    ImageStop(image, name.empty() ? first : name);
  }
  gfx::ClearClipBox(GraphColours.Background);
  if (name.empty()) {
    base::DiscardReplacement(image);
    ShowNoFreeNumber(prefix);
    return;
  }
  TellWhereItWent(place, name);
  output::RedrawFigure();  // the figure for a report goes with the picture
}

}  // namespace graph
