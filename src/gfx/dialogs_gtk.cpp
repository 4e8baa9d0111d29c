// The window driver's dialogs: a GTK message dialog and a GTK file chooser,
// each modal, each leaving no window behind when it is closed.
#include <gtk/gtk.h>

#include <cstring>

#include "gfx/window_module.h"

namespace gfx {

namespace {

// GTK remarks on every dialog mapped without a parent window; the data
// file is chosen before the graph window exists, so that is expected here.
void FilterGtkMessages(const gchar* domain, GLogLevelFlags level, const gchar* message,
                       gpointer) {
  if (message != nullptr && std::strstr(message, "without a transient parent") != nullptr) return;
  g_log_default_handler(domain, level, message, nullptr);
}

// A visible top-level window of the program (the graph window), or nullptr.
GtkWindow* DialogParent() {
  static bool filtered = false;
  if (!filtered) {
    g_log_set_handler("Gtk", G_LOG_LEVEL_MESSAGE, FilterGtkMessages, nullptr);
    filtered = true;
  }
  GList* windows = gtk_window_list_toplevels();
  GtkWindow* parent = nullptr;
  for (GList* w = windows; w != nullptr && parent == nullptr; w = w->next)
    if (gtk_widget_get_visible(GTK_WIDGET(w->data))) parent = GTK_WINDOW(w->data);
  g_list_free(windows);
  return parent;
}

// Destroys a dialog and handles events until the display has removed it.
void CloseDialog(GtkWidget* dialog) {
  gtk_widget_destroy(dialog);
  for (int i = 0; i < 1000 && gtk_events_pending(); ++i) gtk_main_iteration_do(FALSE);
  gdk_display_sync(gdk_display_get_default());  // the unmap has reached the display
}

void AddFilters(GtkFileChooser* chooser, const std::vector<FileFilter>& filters) {
  for (const FileFilter& f : filters) {
    GtkFileFilter* filter = gtk_file_filter_new();
    gtk_file_filter_set_name(filter, f.Description.c_str());
    for (const std::string& pattern : f.Patterns)
      gtk_file_filter_add_pattern(filter, pattern == "*.*" ? "*" : pattern.c_str());
    gtk_file_chooser_add_filter(chooser, filter);  // the chooser takes it over
  }
}

}  // namespace

bool WindowMessageBox(const std::string& title, const std::vector<std::string>& lines) {
  std::string shown;
  for (const std::string& line : lines) shown += (shown.empty() ? "" : "\n") + line;
  GtkWidget* box = gtk_message_dialog_new(DialogParent(), GTK_DIALOG_MODAL, GTK_MESSAGE_OTHER,
                                          GTK_BUTTONS_OK, "%s", shown.c_str());
  gtk_window_set_title(GTK_WINDOW(box), title.c_str());
  gtk_dialog_run(GTK_DIALOG(box));
  CloseDialog(box);
  return false;
}

std::string WindowSelectFile(const std::string& label, const std::string& initialName,
                             const std::vector<FileFilter>& filters) {
  GtkWidget* dialog = gtk_file_chooser_dialog_new(
      Host->TrimBlanks(label).c_str(), DialogParent(), GTK_FILE_CHOOSER_ACTION_OPEN, "_Cancel",
      GTK_RESPONSE_CANCEL, "_Open", GTK_RESPONSE_ACCEPT, nullptr);
  GtkFileChooser* chooser = GTK_FILE_CHOOSER(dialog);
  AddFilters(chooser, filters);
  gchar* cwd = g_get_current_dir();  // data files usually lie where the program runs
  gtk_file_chooser_set_current_folder(chooser, cwd);
  g_free(cwd);
  if (const std::string name = Host->TrimBlanks(initialName); !name.empty())
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

}  // namespace gfx
