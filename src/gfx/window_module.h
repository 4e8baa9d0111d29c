// Inside the window driver's module (kurvex-gtk.so): what its two files
// share. The layer's state and helpers are the program's, reached through
// the host table only; the module has no copy of them.
#pragma once
#include <string>
#include <vector>

#include "gfx/gfx_state.h"

namespace gfx {

// The program's table, set by the entry function before any driver call.
extern const WindowHost* Host;

// The window driver's dialogs (dialogs_gtk.cpp).
bool WindowMessageBox(const std::string& title, const std::vector<std::string>& lines);
std::string WindowSelectFile(const std::string& label, const std::string& initialName,
                             const std::vector<FileFilter>& filters);

}  // namespace gfx
