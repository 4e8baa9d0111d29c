// The modal dialogs as the program sees them: each driver brings its own
// (the window driver GTK dialogs, the memory driver the terminal), so a run
// without a window never waits for one, display or not.
#include "gfx/gfx_state.h"

namespace gfx {

namespace {

const Driver& DialogDriver() { return G.ActiveDriver != nullptr ? *G.ActiveDriver : MemoryDriver; }

}  // namespace

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

std::string TrimBlanks(const std::string& text) {
  const size_t first = text.find_first_not_of(" \t");
  if (first == std::string::npos) return "";
  return text.substr(first, text.find_last_not_of(" \t") - first + 1);
}

std::vector<FileFilter> ParseFilterList(const std::string& list) {
  const std::vector<std::string> parts = SplitText(list, '+');
  std::vector<FileFilter> filters;
  for (size_t i = 0; i + 1 < parts.size(); i += 2) {
    FileFilter f{parts[i], {}};
    for (const std::string& p : SplitText(parts[i + 1], ';'))
      if (!TrimBlanks(p).empty()) f.Patterns.push_back(TrimBlanks(p));
    if (!f.Patterns.empty()) filters.push_back(f);
  }
  return filters;
}

bool ShowMessageBox(const std::string& title, const std::string& text) {
  return DialogDriver().MessageBox(title, SplitText(text, '|'));
}

std::string SelectFile(const std::string& label, const std::string& initialName,
                       const std::string& filterList) {
  return DialogDriver().SelectFile(label, initialName, ParseFilterList(filterList));
}

}  // namespace gfx
