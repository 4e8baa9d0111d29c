// Looking cairo up when the first figure is drawn (cairo_calls.h).
#include "output/cairo_calls.h"

#include <dlfcn.h>

namespace output {

CairoCallTable Cairo;

namespace {

struct CairoLoad {
  bool Tried = false, Loaded = false;
  std::string Reason;
};
CairoLoad Load;

std::string LoaderError() {
  const char* reason = ::dlerror();
  return reason != nullptr ? reason : "no reason given";
}

// Every function or none: a table with some of them would crash later.
bool FillTable(void* library) {
  CairoCallTable table;
#define KURVEX_CAIRO_LOOKUP(name)                                                           \
  table.name = reinterpret_cast<decltype(table.name)>(::dlsym(library, "cairo_" #name)); \
  if (table.name == nullptr) {                                                            \
    Load.Reason = LoaderError();                                                          \
    return false;                                                                         \
  }
  KURVEX_CAIRO_CALLS(KURVEX_CAIRO_LOOKUP)
#undef KURVEX_CAIRO_LOOKUP
  Cairo = table;
  return true;
}

}  // namespace

bool LoadCairo(std::string& reason) {
  if (!Load.Tried) {
    Load.Tried = true;
    void* library = ::dlopen("libcairo.so.2", RTLD_NOW | RTLD_LOCAL);
    if (library == nullptr) Load.Reason = LoaderError();
    else Load.Loaded = FillTable(library);  // kept loaded for the run
  }
  reason = Load.Reason;
  return Load.Loaded;
}

}  // namespace output
