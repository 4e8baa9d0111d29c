// The settings of the analysis report, the uncertainty band and the choice
// of the smoothing parameter. All are opt-in: with none of the keys given
// the program writes and draws what it always did.
#pragma once
#include <cstdint>
#include <string>

#include "config/smoothing_criterion.h"

namespace config {

struct AnalysisSettingsRecord {
  std::string ReportFileName;    // empty: no report
  bool ReportKnots = false;      // the per-knot arrays in the report
  bool ShowBand = false;         // the +-2 sigma band on the graph
  Criterion SmoothingCriterion = Criterion::Residual;
  bool FixedP = false;           // SmoothingParameter gave a p
  long double SmoothingParameter = 0;
};
extern AnalysisSettingsRecord AnalysisSettings;

// A criterion's name in any case; anything else is the residual iteration.
Criterion SettleSmoothingCriterion(const std::string& value);
// A real >= 0 gives a fixed p; anything else leaves p to the criterion.
bool SettleSmoothingParameter(const std::string& value, long double& p);

// Reads the keys above, at the step that binds OutputFileName.
void ReadAnalysisSettings();

// True when a fit must also make the covariance bands.
bool UncertaintyWanted();

}  // namespace config
