// The result files' shared state and texts.
#include "output/result_files.h"

#include "base/number_format.h"

namespace output {

ResultFilesRecord ResultFiles;

std::string BuildParameterText(const std::string& dataFileName, const config::SettingsRecord& s) {
  using base::IntText;
  std::string text = dataFileName + " x" + base::IntText(s.ColumnX) + " y" + base::IntText(s.ColumnY) +
                     " r" + base::IntText(s.OmittedRows) + " e" + base::IntText(s.ColumnError) + " ";
  if (s.ErrorRatio > 0 || s.ErrorRatioFromCommandLine) text += base::IntText(s.ErrorRatio);
  return text;
}

std::string HeaderLine(std::initializer_list<const char*> labels, int32_t width) {
  std::string line;
  for (const char* label : labels) {
    std::string cell = label;
    cell.resize(static_cast<std::size_t>(width) + 1, ' ');
    line += cell;
  }
  return line + "\n";
}

}  // namespace output
