// The program's two modal dialogs: the message box of the error stops and
// the selection of the data file. The selected graphics driver shows them:
// GTK dialogs with the window driver, the terminal with the memory driver.
#pragma once
#include <string>
#include <vector>

namespace dialogs {

// Shows `text`, in which "|" ends a line, and returns when it is dismissed.
// True when its lines went to standard error, so that a stop that follows
// does not print them again.
bool ShowMessageBox(const std::string& text);

// The box of an error stop, for a run started from the desktop, which
// shows no standard error: "Stopped with error!", an empty line, then
// `lines`. Shown only with the window driver, on the program's main
// thread, and once in a run. True when it is on the screen now or was
// before; false when nothing was shown (the memory driver, no driver yet).
bool ShowStopBox(const std::vector<std::string>& lines);

// True when the dialogs are windows of the desktop (the window driver),
// false when they use the terminal.
bool DialogsInWindow();

// Lets the user choose the data file: label "Open data file: ", initial name
// " ", the filters for *.dat, *.csv, *.txt and all files. Returns the path
// whole, or "" when the user cancels or the input has ended. A failed read of
// standard input is the fatal input/output stop.
std::string SelectDataFile();

}  // namespace dialogs
