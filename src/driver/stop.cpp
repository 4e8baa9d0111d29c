// The ways out of the program, carried out: every ending comes here, so the
// order of its last steps is written once.
#include "base/stop.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "base/allocate.h"
#include "base/replace_file.h"
#include "base/run_log.h"
#include "data/arrays.h"
#include "dialogs/dialogs.h"
#include "graph/graphics_setup.h"
#include "output/spline_file.h"
#include "spline/fit.h"

namespace base {

void StopProgram(int status, const std::vector<std::string>& logLines,
                 const std::string& errorText) {
  // Started from the desktop, nobody sees standard error or the log: with
  // a window, the reason is shown in a box first, over the window that
  // still stands. A stop without lines (the window closed by the user) has
  // nothing to tell.
  if (status == kExitErrorStop && !logLines.empty()) dialogs::ShowStopBox(logLines);
  if (!errorText.empty()) {
    std::fputs(errorText.c_str(), stderr);
    std::fflush(stderr);
  }
  if (status == kExitIoFailure) {
    // Files still open are not flushed again: a failing file must not be
    // written further, and every completed line has already been handed on.
    RemoveTemporaryNames();
    std::_Exit(status);
  }
  for (const std::string& line : logLines)
    if (RunLogIsOpen()) LogLine(line);
  if (RunLogIsOpen()) CloseRunLog();
  output::StopHelperThreads();  // before the arrays they read are released
  StopClearingPages();           // before the arrays it clears are released
  RemoveTemporaryNames();
  data::ReleaseArrays();
  spline::ReleaseFitArrays();
  graph::ReleaseGraphics();
  std::fflush(nullptr);
  std::exit(status);
}

void ErrorStop(std::initializer_list<std::string> lines, bool onStandardErrorAlready) {
  std::string text;
  if (!onStandardErrorAlready)
    for (const std::string& line : lines) text += "kurvex: " + line + "\n";
  StopProgram(kExitErrorStop, std::vector<std::string>(lines), text);
}

void FatalIoError(const std::string& fileName, int error) {
  FatalIoError(fileName, error ? std::strerror(error) : "input/output error");
}

// The box is shown here, not by StopProgram: a command line that is not
// understood ends with the same status, and shows none. A failure raised
// on a helper thread shows none either (see dialogs::ShowStopBox).
void FatalIoError(const std::string& fileName, const char* reason) {
  dialogs::ShowStopBox({fileName + ": " + reason});
  StopProgram(kExitIoFailure, {}, "kurvex: " + fileName + ": " + reason + "\n");
}

}  // namespace base
