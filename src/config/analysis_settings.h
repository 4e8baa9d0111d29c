// The settings of the analysis report, the uncertainty band and the choice
// of the smoothing parameter (AnalysisSettingsRecord, settings_record.h).
// All are opt-in: with none of the keys given the program writes and draws
// what it always did.
#pragma once
#include <cstdint>
#include <string>

#include "config/settings_record.h"

namespace config {

extern AnalysisSettingsRecord AnalysisSettings;

// A criterion's name in any case, or "EDF k" (CriterionOfText); anything
// else is the residual iteration.
CriterionChoice SettleSmoothingCriterion(const std::string& value);
// A real >= 0 gives a fixed p; anything else leaves p to the criterion.
bool SettleSmoothingParameter(const std::string& value, long double& p);

// A real > 0 and finite: the threshold of the marks' z; anything else is
// 0, every mark.
long double SettleMarkSignificance(const std::string& value);

// "WIDTHxHEIGHT" in millimetres within FigureSize's bounds: true with the
// two set; anything else leaves them.
bool SettleFigureSize(const std::string& value, long double& width, long double& height);
// An integer within FigureDPI's bounds, else its default.
int32_t SettleFigureDPI(const std::string& value);

// Reads the keys above, at the step that binds OutputFileName.
void ReadAnalysisSettings();

// True when FitTableFileName or MarkTableFileName names a table.
bool TablesWanted();

// True when a fit must also make the covariance bands.
bool UncertaintyWanted();

// True when the marks' z is needed after a fit: a threshold hides weak
// marks, the report or the mark table lists every mark's z, or the
// figure orders its labels by it.
bool MarkScoresWanted();

}  // namespace config
