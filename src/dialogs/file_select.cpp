// The file-selection dialog: a GTK file chooser with the caller's filters,
// or a prompt on standard error and one line of standard input.
#include <cstdio>

#include "dialogs/dialogs.h"
#include "dialogs/gtk_support.h"
#include "gfx/gfx.h"

namespace dialogs {

namespace {

// At most this much of a typed name is taken over; the rest of the line is
// read and dropped.
constexpr size_t MaxTypedName = 2048;

std::string Trim(const std::string& text) {
  const size_t first = text.find_first_not_of(" \t");
  if (first == std::string::npos) return "";
  return text.substr(first, text.find_last_not_of(" \t") - first + 1);
}

std::string ReadLineFromInput() {
  std::string line;
  int ch = std::getc(stdin);
  for (; ch != EOF && ch != '\n'; ch = std::getc(stdin))
    if (line.size() < MaxTypedName) line += static_cast<char>(ch);
  if (!line.empty() && line.back() == '\r') line.pop_back();
  return line;
}

std::string AskOnConsole(const std::string& label) {
  std::fprintf(stderr, "%s", label.c_str());
  std::fflush(stderr);
  return ReadLineFromInput();
}

void AddFilters(GtkFileChooser* chooser, const std::string& filterList) {
  for (const FileFilter& f : ParseFilterList(filterList)) {
    GtkFileFilter* filter = gtk_file_filter_new();
    gtk_file_filter_set_name(filter, f.Description.c_str());
    for (const std::string& pattern : f.Patterns)
      gtk_file_filter_add_pattern(filter, pattern == "*.*" ? "*" : pattern.c_str());
    gtk_file_chooser_add_filter(chooser, filter);  // the chooser takes it over
  }
}

std::string AskWithChooser(const std::string& label, const std::string& initialName,
                           const std::string& filterList) {
  GtkWidget* dialog = gtk_file_chooser_dialog_new(
      Trim(label).c_str(), DialogParent(), GTK_FILE_CHOOSER_ACTION_OPEN, "_Cancel",
      GTK_RESPONSE_CANCEL, "_Open", GTK_RESPONSE_ACCEPT, nullptr);
  GtkFileChooser* chooser = GTK_FILE_CHOOSER(dialog);
  AddFilters(chooser, filterList);
  gchar* cwd = g_get_current_dir();  // data files usually lie where the program runs
  gtk_file_chooser_set_current_folder(chooser, cwd);
  g_free(cwd);
  if (const std::string name = Trim(initialName); !name.empty())
    gtk_file_chooser_set_filename(chooser, name.c_str());
  std::string chosen;
  if (gtk_dialog_run(GTK_DIALOG(dialog)) == GTK_RESPONSE_ACCEPT) {
    if (gchar* path = gtk_file_chooser_get_filename(chooser); path != nullptr) {
      chosen = path;
      g_free(path);
    }
  }
  CloseDialog(dialog);
  return chosen;
}

}  // namespace

std::vector<FileFilter> ParseFilterList(const std::string& list) {
  const std::vector<std::string> parts = SplitText(list, '+');
  std::vector<FileFilter> filters;
  for (size_t i = 0; i + 1 < parts.size(); i += 2) {
    FileFilter f{parts[i], {}};
    for (const std::string& p : SplitText(parts[i + 1], ';'))
      if (!Trim(p).empty()) f.Patterns.push_back(Trim(p));
    if (!f.Patterns.empty()) filters.push_back(f);
  }
  return filters;
}

std::string SelectFile(const std::string& label, const std::string& initialName,
                       const std::string& filterList) {
  if (!gfx::DisplayAvailable()) return AskOnConsole(label);
  return AskWithChooser(label, initialName, filterList);
}

std::string SelectDataFile() {
  return SelectFile("Open data file: ", " ",
                    "Data files (*.dat)+*.dat+Text files (*.txt)+*.txt+All files (*.*)+*.*");
}

}  // namespace dialogs
