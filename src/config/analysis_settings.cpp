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

bool SettleFigureSize(const std::string& value, long double& width, long double& height) {
  const KeyValues& k = Spec(Key::FigureSize).Values;
  const std::size_t x = value.find_first_of("xX");
  long double w, h;
  if (x == std::string::npos || !base::ParseReal(value.substr(0, x), w) ||
      !base::ParseReal(value.substr(x + 1), h) || !(w >= k.Low && w <= k.High && h >= k.Low && h <= k.High))
    return false;
  width = w, height = h;
  return true;
}

int32_t SettleFigureDPI(const std::string& value) {
  const KeyValues& k = Spec(Key::FigureDPI).Values;
  int32_t v;
  return base::ParseInteger(value, v) && v >= k.Low && v <= k.High ? v : k.Integer;
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
  ReadKey(Key::FigureFileName);
  ReadKey(Key::FigureXLabel);
  ReadKey(Key::FigureYLabel);
  ReadKey(Key::FigureErrorBars);
  ReadKey(Key::FigureLabels);
  const AnalysisSettingsRecord defaults;
  if (!SettleFigureSize(ConfigValue(Key::FigureSize), a.FigureWidth, a.FigureHeight))
    a.FigureWidth = defaults.FigureWidth, a.FigureHeight = defaults.FigureHeight;
  a.FigureDPI = SettleFigureDPI(ConfigValue(Key::FigureDPI));
}

bool TablesWanted() {
  const AnalysisSettingsRecord& a = AnalysisSettings;
  return !a.FitTableFileName.empty() || !a.MarkTableFileName.empty();
}

// The tables take their numbers from the report's gathering, sigmas
// included; the figure draws the band and the marks' sigmas.
bool UncertaintyWanted() {
  const AnalysisSettingsRecord& a = AnalysisSettings;
  return !a.ReportFileName.empty() || a.ShowBand || a.MarkSignificance > 0 || TablesWanted() ||
         !a.FigureFileName.empty();
}

bool MarkScoresWanted() {
  const AnalysisSettingsRecord& a = AnalysisSettings;
  return a.MarkSignificance > 0 || !a.ReportFileName.empty() || !a.MarkTableFileName.empty() ||
         (a.FigureLabels && !a.FigureFileName.empty());
}

}  // namespace config
