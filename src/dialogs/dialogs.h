// The program's two modal dialogs: the message box of the data-file stop
// and the selection of the data file. The selected graphics driver shows
// them: GTK dialogs with the window driver, the terminal with the memory
// driver.
#pragma once
#include <string>

namespace dialogs {

// Shows `text`, in which "|" ends a line, and returns when it is dismissed.
// True when its lines went to standard error, so that a stop that follows
// does not print them again.
bool ShowMessageBox(const std::string& text);

// Lets the user choose the data file: label "Open data file: ", initial name
// " ", the filters for *.dat, *.txt and all files. Returns the path whole,
// or "" when the user cancels or the input has ended. A failed read of
// standard input is the fatal input/output stop.
std::string SelectDataFile();

}  // namespace dialogs
