// The message box: a GTK message dialog, or the lines on standard error
// when there is no display.
#include <algorithm>
#include <cstdio>

#include "config/text.h"
#include "dialogs/dialogs.h"
#include "dialogs/gtk_support.h"
#include "gfx/gfx.h"

namespace dialogs {

std::vector<std::string> SplitText(const std::string& text, char separator) {
  std::vector<std::string> parts(1);
  for (char ch : text) {
    if (ch == separator)
      parts.emplace_back();
    else
      parts.back() += ch;
  }
  return parts;
}

void ShowMessageBox(const std::string& text) {
  std::string shown = text;
  std::replace(shown.begin(), shown.end(), '|', '\n');
  if (!gfx::DisplayAvailable()) {
    std::fprintf(stderr, "%s\n", shown.c_str());
    std::fflush(stderr);
    return;
  }
  GtkWidget* box = gtk_message_dialog_new(DialogParent(), GTK_DIALOG_MODAL, GTK_MESSAGE_OTHER,
                                          GTK_BUTTONS_OK, "%s", shown.c_str());
  gtk_window_set_title(GTK_WINDOW(box), config::ProgramBanner);
  gtk_dialog_run(GTK_DIALOG(box));
  CloseDialog(box);
}

}  // namespace dialogs
