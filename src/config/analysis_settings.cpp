// Reading the analysis settings; an invalid value gives the default
// silently, as for every other key.
#include "config/analysis_settings.h"

#include <cmath>

#include "config/config_file.h"
#include "base/convert.h"
#include "config/settings.h"

namespace config {

AnalysisSettingsRecord AnalysisSettings;

CriterionChoice SettleSmoothingCriterion(const std::string& value) {
  CriterionChoice choice;
  CriterionOfText(value, choice);
  return choice;
}

bool SettleSmoothingParameter(const std::string& value, long double& p) {
  long double v;
  if (!base::ParseReal(value, v) || !(v >= 0)) return false;
  p = v;
  return true;
}

long double SettleMarkSignificance(const std::string& value) {
  long double v;
  return base::ParseReal(value, v) && v > 0 && std::isfinite(v) ? v : 0;
}

void ReadAnalysisSettings() {
  AnalysisSettingsRecord& a = AnalysisSettings;
  ReadKey(Key::ReportFileName);
  ReadKey(Key::ReportKnots);
  ReadKey(Key::ShowBand);
  const CriterionChoice criterion = SettleSmoothingCriterion(ConfigValue(Key::SmoothingCriterion));
  a.SmoothingCriterion = criterion.Kind, a.EdfTarget = criterion.EdfTarget;
  a.FixedP = SettleSmoothingParameter(ConfigValue(Key::SmoothingParameter), a.SmoothingParameter);
  a.MarkSignificance = SettleMarkSignificance(ConfigValue(Key::MarkSignificance));
  ReadKey(Key::FitTableFileName);
  ReadKey(Key::MarkTableFileName);
}

bool TablesWanted() {
  const AnalysisSettingsRecord& a = AnalysisSettings;
  return !a.FitTableFileName.empty() || !a.MarkTableFileName.empty();
}

// The tables take their numbers from the report's gathering, sigmas
// included.
bool UncertaintyWanted() {
  const AnalysisSettingsRecord& a = AnalysisSettings;
  return !a.ReportFileName.empty() || a.ShowBand || a.MarkSignificance > 0 || TablesWanted();
}

bool MarkScoresWanted() {
  const AnalysisSettingsRecord& a = AnalysisSettings;
  return a.MarkSignificance > 0 || !a.ReportFileName.empty() || !a.MarkTableFileName.empty();
}

}  // namespace config
