// GTK helpers of the dialogs: the parent window, the closing of a dialog,
// and a log filter for one harmless GTK message.
#include "dialogs/gtk_support.h"

#include <cstring>

namespace dialogs {

namespace {

// GTK remarks on every dialog mapped without a parent window; the data
// file is chosen before the graph window exists, so that is expected here.
void FilterGtkMessages(const gchar* domain, GLogLevelFlags level, const gchar* message,
                       gpointer) {
  if (message != nullptr && std::strstr(message, "without a transient parent") != nullptr) return;
  g_log_default_handler(domain, level, message, nullptr);
}

}  // namespace

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

void CloseDialog(GtkWidget* dialog) {
  gtk_widget_destroy(dialog);
  for (int i = 0; i < 1000 && gtk_events_pending(); ++i) gtk_main_iteration_do(FALSE);
  gdk_display_sync(gdk_display_get_default());  // the unmap has reached the display
}

}  // namespace dialogs
