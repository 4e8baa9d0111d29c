// The window driver as the program sees it. Its GTK code lives in the
// module kurvex-gtk.so, loaded (with GTK and its libraries) when the window
// driver is first asked whether it can run; until then, and in every run
// with the memory driver, none of it is in the process. The table here
// forwards to the module's once it is loaded.
#include <dlfcn.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>

#include "gfx/gfx_state.h"

// The module's installed folder relative to the program's (from the
// build's install folders): ../lib/kurvex for bin/kurvex.
#ifndef KURVEX_WINDOW_MODULE_DIR
#error "KURVEX_WINDOW_MODULE_DIR must name the module's folder relative to the program's"
#endif

namespace gfx {

namespace {

namespace fs = std::filesystem;

struct ModuleState {
  bool Tried = false;             // a failed load is not tried again: nothing would change
  const Driver* Table = nullptr;  // the module's, once loaded
  std::string Error;              // why it could not be loaded
};
ModuleState M;

const WindowHost Host = {WindowInterface, sizeof(State), sizeof(Driver), &G,
                         DecodePixel,     MaxX,          MaxY,           TrimBlanks};

// The folder of the running program, so that the module is found next to
// it wherever the program was built or installed; "" when unknown.
std::string ProgramFolder() {
  char path[4096];
  const ssize_t n = ::readlink("/proc/self/exe", path, sizeof path);
  if (n <= 0 || n >= static_cast<ssize_t>(sizeof path)) return "";
  const std::string program(path, static_cast<size_t>(n));
  return program.substr(0, program.rfind('/'));
}

bool Fail(const std::string& reason) {
  M.Error = "the window driver's module cannot be loaded: " + reason;
  return false;
}

std::string LoaderError() {
  const char* reason = ::dlerror();
  return reason != nullptr ? reason : "no reason given";
}

// Beside the program (a build tree) first, then in the installed folder.
// When neither file exists, the installed place is tried, so that the
// reason names where the module belongs.
bool LoadModule() {
  if (M.Tried) return M.Table != nullptr;
  M.Tried = true;
  const std::string folder = ProgramFolder();
  if (folder.empty()) return Fail("the program's folder is unknown (/proc/self/exe cannot be read)");
  const std::string beside = folder + "/" + WindowModuleFile;
  const std::string installed =
      (fs::path(folder) / KURVEX_WINDOW_MODULE_DIR / WindowModuleFile).lexically_normal().string();
  const std::string& path = ::access(beside.c_str(), F_OK) == 0 ? beside : installed;
  // Every symbol bound now: a module that cannot run fails here, with the
  // loader's reason, not in the middle of a run. It is never unloaded, as
  // GTK cannot be.
  void* module = ::dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (module == nullptr) return Fail(LoaderError());
  auto entry = reinterpret_cast<WindowModuleEntryFunction>(::dlsym(module, WindowModuleEntry));
  if (entry == nullptr) return Fail(LoaderError());
  M.Table = entry(&Host);
  return M.Table != nullptr || Fail(path + ": built for another version of the program");
}

// Without a display named there is no window to have: GTK is not loaded
// for the answer.
bool DisplayNamed() {
  const char* x11 = std::getenv("DISPLAY");
  const char* wayland = std::getenv("WAYLAND_DISPLAY");
  return (x11 != nullptr && *x11 != '\0') || (wayland != nullptr && *wayland != '\0');
}

// The layer calls the others only after Open succeeded, so the table is there.
bool Open() { return DisplayNamed() && LoadModule() && M.Table->Open(); }
bool StartMode(int32_t width, int32_t height) { return M.Table->StartMode(width, height); }
void Close() { M.Table->Close(); }
void SetTitle(const std::string& title) { M.Table->SetTitle(title); }
void Present() { M.Table->Present(); }
MouseEvent NextEvent(int32_t timeoutMs) { return M.Table->NextEvent(timeoutMs); }
int32_t ReadKey() { return M.Table->ReadKey(); }
void ShowCursor(const Cursor* cursor) { M.Table->ShowCursor(cursor); }
bool HasMouse() { return M.Table->HasMouse(); }
bool MessageBox(const std::string& title, const std::vector<std::string>& lines) {
  return M.Table->MessageBox(title, lines);
}
std::string SelectFile(const std::string& label, const std::string& initialName,
                       const std::vector<FileFilter>& filters) {
  return M.Table->SelectFile(label, initialName, filters);
}

}  // namespace

const Driver WindowDriver = {WindowDriverName, true,       Open,      StartMode, Close,
                             SetTitle,         Present,    NextEvent, ReadKey,   ShowCursor,
                             HasMouse,         MessageBox, SelectFile};

bool DisplayAvailable() { return Open(); }

std::string WindowModuleError() { return M.Error; }

}  // namespace gfx
