// What the GTK dialogs share: a parent window to stay above, and making
// sure a closed dialog has really left the screen.
#pragma once
#include <gtk/gtk.h>

namespace dialogs {

// A visible top-level window of the program (the graph window), or nullptr.
// Also quiets GTK's note about dialogs without a parent, which is no fault.
GtkWindow* DialogParent();
// Destroys a dialog and handles events until the display has removed it.
void CloseDialog(GtkWidget* dialog);

}  // namespace dialogs
