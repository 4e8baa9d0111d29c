// The two modal dialogs of the program: a message box and the selection of
// the data file. With a desktop display they are GTK dialogs; without one
// they use standard error and standard input.
#pragma once
#include <string>
#include <vector>

namespace dialogs {

// Shows `text`, in which "|" ends a line, and returns when it is dismissed.
// Without a display each line goes to standard error.
void ShowMessageBox(const std::string& text);

// Lets the user choose the data file: label "Open data file: ", initial name
// " ", the filters for *.dat, *.txt and all files. Returns the path whole,
// or "" when the user cancels.
std::string SelectDataFile();

// The same with any label, initial name and filter list. Without a display
// it writes the label to standard error and reads one line from standard
// input; an empty line or the end of input gives "".
std::string SelectFile(const std::string& label, const std::string& initialName,
                       const std::string& filterList);

// A filter list "Description+pattern+Description+pattern...": one filter per
// pair; a pattern may hold several patterns separated by ";". The pattern
// "*.*" means every file, names without a dot included.
struct FileFilter {
  std::string Description;
  std::vector<std::string> Patterns;
};
std::vector<FileFilter> ParseFilterList(const std::string& list);

// The parts of a text between separators: SplitText("a|b||c", '|') gives
// "a", "b", "", "c"; an empty text gives one empty part.
std::vector<std::string> SplitText(const std::string& text, char separator);

}  // namespace dialogs
