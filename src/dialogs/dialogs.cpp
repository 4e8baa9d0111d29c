// The program's dialogs, shown by the graphics driver in use.
#include "dialogs/dialogs.h"

#include "base/text.h"
#include "base/stop.h"
#include "gfx/gfx.h"

namespace dialogs {

bool ShowMessageBox(const std::string& text) {
  return gfx::ShowMessageBox(base::ProgramBanner, text);
}

std::string SelectDataFile() {
  const std::string name = gfx::SelectFile(
      "Open data file: ", " ",
      "Data files (*.dat)+*.dat+Text files (*.txt)+*.txt+All files (*.*)+*.*");
  if (gfx::InputError() != 0) base::FatalIoError("standard input", gfx::InputError());
  return name;
}

}  // namespace dialogs
