// Writing the required-values file.
#include "output/required_values.h"

#include <cerrno>
#include <cstdio>
#include <string>

#include "config/config_file.h"
#include "config/settings.h"
#include "config/text.h"
#include "driver/stop.h"
#include "output/replace_file.h"
#include "output/spline_file.h"
#include "spline/evaluate.h"

namespace output {
namespace {

// Until its first row is written the file is a temporary one, so that a
// file left by an earlier run is replaced only by one that holds a row.
ReplacementFile valuesFile;

const std::string& FileName() { return config::Settings.CalcDataFileName; }

void WriteLine(const std::string& line) {
  if (std::fputs(line.c_str(), valuesFile.File) == EOF || std::fflush(valuesFile.File) != 0)
    FailReplacement(valuesFile, errno);
}

void CreateWithHeader() {
  config::SettingsRecord& s = config::Settings;
  s.CalcDataFileName =
      config::SettleFileName(config::ConfigValue("CalcDataFileName"), "kurvex.cal");
  OpenReplacement(valuesFile, FileName());
  WriteLine(std::string(config::ProgramBanner) +
            " calculated the next user required values \n");
  WriteLine("(with the \"" + s.ParameterText + "\" parameters):\n");
  WriteLine(HeaderLine({"  X", "  Y", "  Der1", "  Der2", "  Der3", "  Int"}, s.NumberWidth));
  driver::RequiredValuesOpen = true;
}

}  // namespace

void AppendRequiredValues(long double x) {
  if (!driver::RequiredValuesOpen) CreateWithHeader();
  spline::Evaluation e;
  spline::EvaluateSpline(x, e);
  WriteLine(ValuesRow(x, e));
  PausePoint("kurvex.cal");
  PublishReplacement(valuesFile);
}

void CloseRequiredValues() {
  std::FILE* f = valuesFile.File;
  valuesFile.File = nullptr;
  driver::RequiredValuesOpen = false;
  if (f && std::fclose(f) != 0) driver::FatalIoError(FileName(), errno);
}

}  // namespace output
