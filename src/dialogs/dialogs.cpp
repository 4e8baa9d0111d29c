// The program's dialogs, shown by the graphics driver in use.
#include "dialogs/dialogs.h"

#include "config/text.h"
#include "driver/stop.h"
#include "gfx/gfx.h"

namespace dialogs {

bool ShowMessageBox(const std::string& text) {
  return gfx::ShowMessageBox(config::ProgramBanner, text);
}

std::string SelectDataFile() {
  const std::string name = gfx::SelectFile(
      "Open data file: ", " ",
      "Data files (*.dat)+*.dat+Text files (*.txt)+*.txt+All files (*.*)+*.*");
  if (gfx::InputError() != 0) driver::FatalIoError("standard input", gfx::InputError());
  return name;
}

}  // namespace dialogs
