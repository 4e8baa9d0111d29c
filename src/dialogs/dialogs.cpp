// The program's dialogs, shown by the graphics driver in use.
#include "dialogs/dialogs.h"

#include <unistd.h>

#include "base/text.h"
#include "base/stop.h"
#include "gfx/gfx.h"

namespace dialogs {

namespace {

// GTK may be called only from the thread that started it, the program's
// main thread (whose thread id is the process id). A stop raised on a
// helper thread (the result file's writer, the page clearer) therefore
// shows no box: its lines go to the log and standard error alone. Handing
// the box to the main thread instead could wait for ever, since the main
// thread may be waiting for that very thread to finish.
bool OnMainThread() { return ::gettid() == ::getpid(); }

}  // namespace

bool ShowMessageBox(const std::string& text) {
  return gfx::ShowMessageBox(base::ProgramBanner, text);
}

bool DialogsInWindow() { return gfx::CurrentDriverName() == gfx::WindowDriverName; }

// One box in a run: the stop that comes first is the one to explain, and a
// stop that has shown its own box (the data file's, the mode report's)
// goes on through the common stop, which must not show it again.
bool ShowStopBox(const std::vector<std::string>& lines) {
  if (!OnMainThread()) return false;
  static bool shown = false;  // read and written on the main thread only
  if (shown) return true;
  if (!DialogsInWindow()) return false;
  shown = true;
  std::string text = "Stopped with error!|";
  for (const std::string& line : lines) text += "|" + line;
  ShowMessageBox(text);
  return true;
}

std::string SelectDataFile() {
  const std::string name = gfx::SelectFile(
      "Open data file: ", " ",
      "Data files (*.dat)+*.dat+CSV files (*.csv)+*.csv+Text files (*.txt)+*.txt+"
      "All files (*.*)+*.*");
  if (gfx::InputError() != 0) base::FatalIoError("standard input", gfx::InputError());
  return name;
}

}  // namespace dialogs
