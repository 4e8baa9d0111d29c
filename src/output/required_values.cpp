// Writing the required-values file.
#include "output/required_values.h"

#include <cerrno>
#include <cstdio>
#include <string>

#include "config/config_file.h"
#include "config/settings.h"
#include "base/text.h"
#include "base/stop.h"
#include "base/replace_file.h"
#include "output/result_files.h"
#include "output/spline_file.h"
#include "spline/evaluate.h"

namespace output {
namespace {

// Until its first row is written the file is a temporary one, so that a
// file left by an earlier run is replaced only by one that holds a row.
base::ReplacementFile valuesFile;

const std::string& FileName() { return config::Settings.CalcDataFileName; }

void WriteLine(const std::string& line) {
  if (std::fputs(line.c_str(), valuesFile.File) == EOF || std::fflush(valuesFile.File) != 0)
    base::FailReplacement(valuesFile, errno);
}

void CreateWithHeader() {
  config::SettingsRecord& s = config::Settings;
  s.CalcDataFileName =
      config::FileNameSetting(config::Key::CalcDataFileName);
  base::OpenReplacement(valuesFile, FileName());
  WriteLine(RequiredValuesHead(ResultFiles.ParameterText, s.NumberWidth));
  ResultFiles.RequiredValuesOpen = true;
}

}  // namespace

std::string RequiredValuesHead(const std::string& task, int32_t width) {
  return std::string(base::ProgramBanner) + " calculated the next user required values \n" +
         "(with the \"" + task + "\" parameters):\n" +
         HeaderLine({"  X", "  Y", "  Der1", "  Der2", "  Der3", "  Int"}, width);
}

void AppendRequiredValues(long double x) {
  if (!ResultFiles.RequiredValuesOpen) CreateWithHeader();
  spline::Evaluation e;
  spline::EvaluateSpline(x, e);
  WriteLine(ValuesRow(x, e, config::Settings.NumberWidth));
  base::PausePoint("kurvex.cal");
  base::PublishReplacement(valuesFile);
}

void CloseRequiredValues() {
  std::FILE* f = valuesFile.File;
  valuesFile.File = nullptr;
  ResultFiles.RequiredValuesOpen = false;
  if (f && std::fclose(f) != 0) base::FatalIoError(FileName(), errno);
}

}  // namespace output
