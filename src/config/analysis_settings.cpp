// Reading the analysis settings; an invalid value gives the default
// silently, as for every other key.
#include "config/analysis_settings.h"

#include <cmath>

#include "config/config_file.h"
#include "base/convert.h"
#include "config/settings.h"

namespace config {

AnalysisSettingsRecord AnalysisSettings;

Criterion SettleSmoothingCriterion(const std::string& value) {
  Criterion kind = Criterion::Residual;
  CriterionOfName(value, kind);
  return kind;
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
  a.SmoothingCriterion = SettleSmoothingCriterion(ConfigValue(Key::SmoothingCriterion));
  a.FixedP = SettleSmoothingParameter(ConfigValue(Key::SmoothingParameter), a.SmoothingParameter);
  a.MarkSignificance = SettleMarkSignificance(ConfigValue(Key::MarkSignificance));
}

bool UncertaintyWanted() {
  const AnalysisSettingsRecord& a = AnalysisSettings;
  return !a.ReportFileName.empty() || a.ShowBand || a.MarkSignificance > 0;
}

}  // namespace config
